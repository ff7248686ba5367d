#pragma once

#include <QByteArray>

#include <sys/types.h>

// A JACK server with the dummy backend (no sound card, real-time pacing) under a name of
// its own, made the process's default server (JACK_DEFAULT_SERVER) while it runs.
class JackTestServer {
public:
    explicit JackTestServer(unsigned rate = 48000, unsigned period = 256);
    ~JackTestServer();
    JackTestServer(const JackTestServer&) = delete;
    JackTestServer& operator=(const JackTestServer&) = delete;

    bool isRunning() const { return m_ready; }
    const QByteArray& name() const { return m_name; }
    // Kills the server at once (a device that goes away while playing).
    void kill();

private:
    QByteArray m_name;
    pid_t m_pid = -1;
    bool m_ready = false;
};
