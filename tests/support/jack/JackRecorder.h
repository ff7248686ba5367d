#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

// A JACK client with input ports <name>:in_1..in_N that records every frame it gets
// (up to a capacity fixed at construction; the process callback only copies).
class JackRecorder {
public:
    JackRecorder(std::string server, std::string name, int ports, int64_t capacityFrames);
    ~JackRecorder();
    JackRecorder(const JackRecorder&) = delete;
    JackRecorder& operator=(const JackRecorder&) = delete;

    bool Open(std::string* error);
    void Close();

    // Frames recorded so far (the same on every port).
    int64_t Frames() const { return frames.load(std::memory_order_acquire); }
    // What port (0-based) recorded so far.
    std::vector<float> Samples(int port) const;
    // Index of the first frame with a non-zero sample on the port, or -1.
    int64_t FirstNonZero(int port) const {
        return firstNonZero[size_t(port)].load(std::memory_order_acquire);
    }
    // Index of the first frame at or after `from` with a non-zero sample on the port, or -1;
    // reads only the frames recorded since `from`.
    int64_t FirstNonZeroFrom(int port, int64_t from) const;
    int Period() const { return period; }

private:
    static int ProcessThunk(uint32_t nframes, void* self);
    int Process(uint32_t nframes);

    std::string server, name;
    int portCount;
    int64_t capacity;
    int period = 0;
    jack_client_t* client = nullptr;
    std::vector<jack_port_t*> ports;
    std::vector<std::unique_ptr<float[]>> data;
    std::unique_ptr<std::atomic<int64_t>[]> firstNonZero;
    std::atomic<int64_t> frames{0};
};
