// vantrel-null.so: a driver without hardware, for tests and as the skeleton of a new
// driver. Class id "vantrel.null". Options (all optional):
//   inputs, outputs        channel counts (2, 2)
//   type                   sample type of every channel (19, Float32LSB)
//   inputTypes, outputTypes  comma lists per channel; the last entry repeats
//   rate, rates, period    current rate (48000), accepted rates, frames per half-buffer (256)
//   paced                  1: one buffer switch per period of real time; 0: back to back
//   loopback               1: each output's samples come back on the input of the same number
//   captureFrames          frames of each output kept for vantrel_null_played (480000)
//   clockSources           number of clock sources (1)
//   failInit, failCreateBuffers   1: that call fails
//   failStop               the first n stops fail and leave the stream running (0)
//   switchLimit            stop switching after this many buffer switches (-1 never)

#include "NullDriver.h"

#include "DriverOptions.h"
#include "SampleConversion.h"
#include "VantrelDriver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

// What the outputs played. Global, so tests read it after the driver is gone; sized
// before the stream starts so the audio thread only copies.
struct PlayedStore {
    std::mutex lock; // guards re-sizing against readers, never taken by the audio thread
    std::vector<std::vector<uint8_t>> bytes;
    std::unique_ptr<std::atomic<size_t>[]> filled;
    std::atomic<int64_t> switches{0};
};

PlayedStore& Played() {
    static PlayedStore store;
    return store;
}

struct Channel {
    int number = 0;
    bool isInput = false;
    int type = kFloat32LSB;
    int bytes = 4;
    std::unique_ptr<uint8_t[]> halves[2];
};

class NullDriver final : public Driver {
public:
    explicit NullDriver(const DriverOptionSet& options)
        : inputs(int(options.Number("inputs", 2))), outputs(int(options.Number("outputs", 2))),
          rate(double(options.Number("rate", 48000))), period(int(options.Number("period", 256))),
          paced(options.Number("paced", 1) != 0), loopback(options.Number("loopback", 0) != 0),
          captureFrames(size_t(std::max(0L, options.Number("captureFrames", 480000)))),
          clockSources(int(options.Number("clockSources", 1))), failInit(options.Number("failInit", 0) != 0),
          failCreateBuffers(options.Number("failCreateBuffers", 0) != 0),
          failStop(options.Number("failStop", 0)), switchLimit(options.Number("switchLimit", -1)) {
        const long type = options.Number("type", kFloat32LSB);
        inputTypes = options.Numbers("inputTypes", {type});
        outputTypes = options.Numbers("outputTypes", {type});
        rates = options.Numbers("rates", {44100, 48000, 96000});
        if (std::find(rates.begin(), rates.end(), long(rate)) == rates.end())
            rates.push_back(long(rate));
    }

    ~NullDriver() override { disposeBuffers(); }

    bool init(void*) override { return !failInit; }
    void getDriverName(char name[32]) override { std::strcpy(name, "Null"); }
    int getDriverVersion() override { return 1; }
    void getErrorMessage(char text[124]) override {
        std::strcpy(text, failInit ? "initialisation refused (failInit)" : "no error");
    }

    int start() override {
        if (channels.empty())
            return kDriverInvalidMode;
        if (thread.joinable())
            return kDriverOk;
        stopping = false;
        thread = std::thread([this] { Run(); });
        return kDriverOk;
    }

    int stop() override {
        if (failStop > 0) {
            --failStop;
            return kDriverHardwareFault;
        }
        EndThread();
        return kDriverOk;
    }

    int getChannels(int* in, int* out) override {
        *in = inputs;
        *out = outputs;
        return kDriverOk;
    }
    int getLatencies(int* in, int* out) override {
        *in = *out = period;
        return kDriverOk;
    }
    int getBufferSize(int* minSize, int* maxSize, int* preferred, int* granularity) override {
        *minSize = *maxSize = *preferred = period;
        *granularity = 0;
        return kDriverOk;
    }
    int canSampleRate(double r) override {
        return std::find(rates.begin(), rates.end(), long(r)) != rates.end() && double(long(r)) == r
                   ? kDriverOk
                   : kDriverNoClock;
    }
    int getSampleRate(double* r) override {
        *r = rate;
        return kDriverOk;
    }
    int setSampleRate(double r) override {
        if (canSampleRate(r) != kDriverOk)
            return kDriverNoClock;
        rate = r;
        return kDriverOk;
    }
    int getClockSources(ClockSource* sources, int* count) override {
        const int offered = *count;
        for (int i = 0; i < std::min(offered, clockSources); ++i) {
            sources[i] = ClockSource{i, -1, 0, i == 0 ? 1 : 0, {}};
            std::snprintf(sources[i].name, sizeof sources[i].name, i == 0 ? "Internal" : "External %d", i);
        }
        *count = clockSources;
        return kDriverOk;
    }
    int setClockSource(int index) override {
        return index >= 0 && index < clockSources ? kDriverOk : kDriverNoClock;
    }
    int getSamplePosition(int64_t* samples, int64_t* nanoseconds) override {
        *samples = Played().switches.load() * period;
        *nanoseconds = 0;
        return kDriverOk;
    }
    int getChannelInfo(ChannelInfo* info) override {
        info->isActive = 0;
        for (const Channel& c : channels)
            if (c.number == info->channel && c.isInput == bool(info->isInput))
                info->isActive = 1;
        info->channelGroup = 0;
        info->type = TypeOf(info->isInput != 0, info->channel);
        std::snprintf(info->name, sizeof info->name, "Null %s %d", info->isInput ? "In" : "Out",
                      info->channel + 1);
        return kDriverOk;
    }

    int createBuffers(BufferInfo* infos, int count, int bufferSize, const Callbacks* cb) override {
        if (failCreateBuffers)
            return kDriverInvalidMode;
        if (bufferSize != period)
            return kDriverInvalidParameter;
        disposeBuffers();
        std::vector<Channel> made(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            Channel& c = made[size_t(i)];
            c.isInput = infos[i].isInput != 0;
            c.number = infos[i].channelNum;
            c.type = TypeOf(c.isInput, c.number);
            c.bytes = std::max(1, BytesPerSample(c.type));
            for (auto& half : c.halves)
                half.reset(new uint8_t[size_t(period) * c.bytes]());
            infos[i].buffers[0] = c.halves[0].get();
            infos[i].buffers[1] = c.halves[1].get();
        }
        channels = std::move(made);
        callbacks = *cb;
        PlayedStore& store = Played();
        std::lock_guard lock(store.lock);
        store.bytes.assign(size_t(outputs), {});
        store.filled.reset(new std::atomic<size_t>[size_t(outputs)]());
        for (const Channel& c : channels)
            if (!c.isInput)
                store.bytes[size_t(c.number)].resize(captureFrames * size_t(c.bytes));
        store.switches = 0;
        return kDriverOk;
    }

    int disposeBuffers() override {
        EndThread();
        channels.clear();
        return kDriverOk;
    }

    int controlPanel() override { return kDriverOk; }
    int future(int selector, void*) override {
        return selector == kFutureSetInputMonitor ? kDriverOk : kDriverInvalidParameter;
    }
    // Nothing to gain from an early notice: the buffers are taken at the next period.
    int outputReady() override { return kDriverNotPresent; }

private:
    int TypeOf(bool isInput, int channel) const {
        const std::vector<long>& types = isInput ? inputTypes : outputTypes;
        return int(types[std::min(size_t(channel), types.size() - 1)]);
    }

    void EndThread() {
        stopping = true;
        if (thread.joinable())
            thread.join();
    }

    void Run() {
        using Clock = std::chrono::steady_clock;
        const auto step = std::chrono::nanoseconds(int64_t(1e9 * period / rate));
        auto next = Clock::now() + step;
        PlayedStore& store = Played();
        int index = 0;
        int64_t made = 0;
        while (!stopping.load(std::memory_order_acquire)) {
            if (paced) {
                std::this_thread::sleep_until(next);
                next += step;
            } else {
                std::this_thread::yield();
            }
            if (switchLimit >= 0 && made >= switchLimit)
                continue;
            if (loopback)
                LoopBack(index);
            callbacks.bufferSwitch(callbacks.context, index, 1);
            for (const Channel& c : channels) {
                if (c.isInput)
                    continue;
                std::vector<uint8_t>& kept = store.bytes[size_t(c.number)];
                std::atomic<size_t>& filled = store.filled[size_t(c.number)];
                const size_t at = filled.load(std::memory_order_relaxed);
                const size_t n = std::min(size_t(period) * c.bytes, kept.size() - at);
                std::memcpy(kept.data() + at, c.halves[index].get(), n);
                filled.store(at + n, std::memory_order_release);
            }
            ++made;
            store.switches.store(made, std::memory_order_release);
            index ^= 1;
        }
    }

    // The input half that the next switch hands over gets what the output of the
    // same number played in the previous one (byte for byte, up to the shorter type).
    void LoopBack(int index) {
        for (Channel& in : channels) {
            if (!in.isInput)
                continue;
            for (const Channel& out : channels)
                if (!out.isInput && out.number == in.number)
                    std::memcpy(in.halves[index].get(), out.halves[index ^ 1].get(),
                                size_t(period) * std::min(in.bytes, out.bytes));
        }
    }

    int inputs, outputs;
    double rate;
    int period;
    bool paced, loopback;
    size_t captureFrames;
    int clockSources;
    bool failInit, failCreateBuffers;
    long failStop;
    long switchLimit;
    std::vector<long> inputTypes, outputTypes, rates;

    std::vector<Channel> channels;
    Callbacks callbacks{};
    std::thread thread;
    std::atomic<bool> stopping{false};
};

} // namespace
} // namespace vantrel

VANTREL_DRIVER_PLUGIN(vantrel::NullDriver, "vantrel.null")

extern "C" size_t vantrel_null_played(int channel, void* destination, size_t maxBytes) {
    vantrel::PlayedStore& store = vantrel::Played();
    std::lock_guard lock(store.lock);
    if (channel < 0 || size_t(channel) >= store.bytes.size() || destination == nullptr)
        return 0;
    const size_t n = std::min(maxBytes, store.filled[size_t(channel)].load(std::memory_order_acquire));
    std::memcpy(destination, store.bytes[size_t(channel)].data(), n);
    return n;
}

extern "C" int64_t vantrel_null_switches(void) {
    return vantrel::Played().switches.load(std::memory_order_acquire);
}
