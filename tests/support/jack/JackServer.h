#pragma once

#include <string>
#include <sys/types.h>

// A private JACK server for one test: `jackd --no-realtime -n <unique name> -d dummy`,
// started on demand and stopped (SIGTERM, then SIGKILL) by Stop or the destructor.
class JackServer {
public:
    explicit JackServer(int rate = 48000, int period = 256);
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // Starts the server and waits (up to timeoutMs) until a client can connect. On
    // failure, *error says why (including the server's own output).
    bool Start(std::string* error, int timeoutMs = 30000);
    void Stop();
    const std::string& Name() const { return name; }
    bool IsRunning() const { return pid > 0; }

private:
    bool StartOnce(std::string* error, int timeoutMs);
    std::string ReadLog() const;

    int rate;
    int period;
    std::string name;
    std::string logPath;
    pid_t pid = -1;
};
