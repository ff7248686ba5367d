#include "JackRecorder.h"

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

JackRecorder::JackRecorder(std::string server_, std::string name_, int ports_, int64_t capacity_)
    : server(std::move(server_)), name(std::move(name_)), portCount(ports_), capacity(capacity_),
      firstNonZero(new std::atomic<int64_t>[size_t(ports_)]) {
    for (int i = 0; i < portCount; ++i) {
        data.emplace_back(new float[size_t(capacity)]());
        firstNonZero[size_t(i)].store(-1);
    }
}

JackRecorder::~JackRecorder() {
    Close();
}

bool JackRecorder::Open(std::string* error) {
    jack_status_t status{};
    // A recorder of the same name that has just closed may still hold its name on a busy
    // server for a moment: a reopened peer waits for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        status = {};
        client = jack_client_open(name.c_str(),
                                  jack_options_t(JackNoStartServer | JackServerName | JackUseExactName), &status,
                                  server.c_str());
        if (client != nullptr || !(status & JackNameNotUnique) || std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (client == nullptr) {
        if (error) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%x", unsigned(status));
            *error = "recorder cannot connect to JACK server " + server + " (status " + code + ")";
        }
        return false;
    }
    period = int(jack_get_buffer_size(client));
    for (int i = 0; i < portCount; ++i) {
        const std::string port = "in_" + std::to_string(i + 1);
        ports.push_back(
            jack_port_register(client, port.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
        if (ports.back() == nullptr) {
            if (error)
                *error = "recorder cannot register " + port;
            return false;
        }
    }
    jack_set_process_callback(client, &JackRecorder::ProcessThunk, this);
    if (jack_activate(client) != 0) {
        if (error)
            *error = "recorder cannot activate";
        return false;
    }
    return true;
}

void JackRecorder::Close() {
    if (client != nullptr) {
        jack_deactivate(client);
        jack_client_close(client);
        client = nullptr;
    }
}

int JackRecorder::ProcessThunk(uint32_t nframes, void* self) {
    return static_cast<JackRecorder*>(self)->Process(nframes);
}

int JackRecorder::Process(uint32_t nframes) {
    const int64_t at = frames.load(std::memory_order_relaxed);
    const int64_t n = std::min<int64_t>(nframes, capacity - at);
    for (int p = 0; p < portCount; ++p) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(ports[size_t(p)], nframes));
        if (n > 0)
            std::memcpy(data[size_t(p)].get() + at, in, size_t(n) * sizeof(float));
        if (firstNonZero[size_t(p)].load(std::memory_order_relaxed) < 0)
            for (uint32_t i = 0; i < nframes; ++i)
                if (in[i] != 0.0f) {
                    firstNonZero[size_t(p)].store(at + i, std::memory_order_release);
                    break;
                }
    }
    // Release: the samples up to the new count are in place for Samples().
    frames.store(at + std::max<int64_t>(n, 0), std::memory_order_release);
    return 0;
}

std::vector<float> JackRecorder::Samples(int port) const {
    const int64_t n = Frames();
    return std::vector<float>(data[size_t(port)].get(), data[size_t(port)].get() + n);
}

int64_t JackRecorder::FirstNonZeroFrom(int port, int64_t from) const {
    const int64_t n = Frames();
    const float* samples = data[size_t(port)].get();
    for (int64_t i = std::max<int64_t>(from, 0); i < n; ++i)
        if (samples[i] != 0.0f)
            return i;
    return -1;
}

// JACK hands port buffers from one client's process thread to the next through the
// server's graph wake-ups inside libjack, which ThreadSanitizer does not see; sanitizer
// builds read these suppressions from any binary that links the recorder.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
    return "race:JackRecorder::Process\nrace:libjack.so\n";
}
