#include "JackServer.h"

#include <jack/jack.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
std::atomic<int> g_serial{0};

void Silent(const char*) {}
} // namespace

JackServer::JackServer(int rate_, int period_) : rate(rate_), period(period_) {
    name = "tamvik-" + std::to_string(::getpid()) + "-" + std::to_string(g_serial++);
    logPath = "/tmp/" + name + ".log";
}

JackServer::~JackServer() {
    Stop();
}

std::string JackServer::ReadLog() const {
    std::ifstream in(logPath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool JackServer::Start(std::string* error, int timeoutMs) {
    if (pid > 0)
        return true;
    // JACK keeps a registry of few server slots; tests running in parallel may fill it
    // for a moment, so a full registry is waited out instead of failing the test.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs + 30000);
    for (;;) {
        std::string attempt;
        if (StartOnce(&attempt, timeoutMs))
            return true;
        const bool full = attempt.find("Too many servers") != std::string::npos;
        if (!full || std::chrono::steady_clock::now() >= deadline) {
            if (error)
                *error = attempt;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
}

bool JackServer::StartOnce(std::string* error, int timeoutMs) {
    // A client that fails to connect must not print to the test's output.
    jack_set_error_function(&Silent);
    jack_set_info_function(&Silent);
    const std::string rateText = std::to_string(rate), periodText = std::to_string(period);
    // Synchronous mode with a generous client time-out: on a loaded machine a late
    // client delays the cycle instead of losing it, so recordings stay exact.
    std::vector<std::string> args = {"jackd", "--no-realtime", "-S", "-t",     "5000", "-n",      name,
                                     "-d",    "dummy",         "-r", rateText, "-p",   periodText};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t parent = ::getpid();
    pid = ::fork();
    if (pid == 0) {
        // The server dies with the test: a test killed by its time-out must not leave a
        // server behind holding one of JACK's few registry slots.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        ::execvp("jackd", argv.data());
        ::_exit(127);
    }
    if (log >= 0)
        ::close(log);
    if (pid < 0) {
        pid = -1;
        if (error)
            *error = "cannot start jackd: errno " + std::to_string(errno);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            if (error)
                *error = (WIFEXITED(status) && WEXITSTATUS(status) == 127)
                             ? "cannot start jackd (is jackd2 installed?)"
                             : "jackd " + name + " exited at start:\n" + ReadLog();
            return false;
        }
        jack_status_t st{};
        jack_client_t* probe =
            jack_client_open("probe", jack_options_t(JackNoStartServer | JackServerName), &st, name.c_str());
        if (probe != nullptr) {
            jack_client_close(probe);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (error)
        *error = "jackd " + name + " did not accept clients within " + std::to_string(timeoutMs) + " ms:\n" +
                 ReadLog();
    Stop();
    return false;
}

void JackServer::Stop() {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            ::unlink(logPath.c_str());
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
    ::unlink(logPath.c_str());
}
