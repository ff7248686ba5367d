#include "JackTestServer.h"

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {
std::atomic<int> g_serial{0};
} // namespace

JackTestServer::JackTestServer(unsigned rate, unsigned period) {
    m_name = "tamvik-test-" + QByteArray::number(getpid()) + "-" + QByteArray::number(g_serial++);
    const QByteArray rateArg = QByteArray::number(rate);
    const QByteArray periodArg = QByteArray::number(period);
    const char* argv[] = {"jackd",
                          "-n",
                          m_name.constData(),
                          "--no-realtime",
                          "-d",
                          "dummy",
                          "-r",
                          rateArg.constData(),
                          "-p",
                          periodArg.constData(),
                          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&m_pid, "jackd", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        return;
    }
    qputenv("JACK_DEFAULT_SERVER", m_name);
    // Ready once a client can connect without starting a server of its own.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        jack_status_t status;
        if (jack_client_t* client = jack_client_open("tamvik-probe", JackNoStartServer, &status)) {
            jack_client_close(client);
            m_ready = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

JackTestServer::~JackTestServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    qunsetenv("JACK_DEFAULT_SERVER");
}

void JackTestServer::kill() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
}
