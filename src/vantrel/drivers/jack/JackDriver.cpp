// vantrel-jack.so: the JACK driver. Class id "vantrel.jack". Every channel is
// Float32LSB; rate and period are the server's. It never starts a server. Options:
//   server     JACK server name (the default server when missing)
//   client     client name ("vantrel")
//   connect    regular expression of the input ports that our outputs feed, matched
//              in the server's port order: output channel c goes to the c-th match
//              ("^system:playback_")
//   capture    likewise, the output ports that feed our inputs ("^system:capture_")
//   outputs, inputs   channel counts (the number of matching ports, at least 2)

#include "DriverOptions.h"
#include "VantrelDriver.h"

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

struct Port {
    int number = 0;
    bool isInput = false;
    jack_port_t* port = nullptr;
    std::unique_ptr<float[]> halves[2];
    // The port our connect or capture pattern matched for this one at the last start
    // (empty: none matched).
    std::string peer;
};

class JackDriver final : public Driver {
public:
    explicit JackDriver(const DriverOptionSet& options)
        : serverName(options.Text("server", "")), clientName(options.Text("client", "vantrel")),
          connectPattern(options.Text("connect", "^system:playback_")),
          capturePattern(options.Text("capture", "^system:capture_")),
          outputOption(int(options.Number("outputs", 0))), inputOption(int(options.Number("inputs", 0))) {}

    ~JackDriver() override {
        Teardown();
        // Closing a client whose server went away reaches into libjack's shared state,
        // which the next client of another server has replaced: the gone client's few
        // bytes are left behind instead.
        if (client != nullptr && !serverGone.load())
            jack_client_close(client);
    }

    bool init(void*) override {
        if (client != nullptr)
            return true;
        jack_status_t status{};
        const int flags = JackNoStartServer | (serverName.empty() ? 0 : JackServerName);
        client = serverName.empty() ? jack_client_open(clientName.c_str(), jack_options_t(flags), &status)
                                    : jack_client_open(clientName.c_str(), jack_options_t(flags), &status,
                                                       serverName.c_str());
        if (client == nullptr) {
            std::snprintf(error, sizeof error, "cannot connect to the JACK server (status 0x%x)",
                          unsigned(status));
            return false;
        }
        jack_set_process_callback(client, &JackDriver::ProcessThunk, this);
        jack_on_shutdown(client, &JackDriver::ShutdownThunk, this);
        jack_set_buffer_size_callback(client, &JackDriver::BufferSizeThunk, this);
        jack_set_sample_rate_callback(client, &JackDriver::RateThunk, this);
        jack_set_port_registration_callback(client, &JackDriver::PortsChangedThunk, this);
        jack_set_port_rename_callback(client, &JackDriver::PortRenamedThunk, this);
        rate = jack_get_sample_rate(client);
        period = int(jack_get_buffer_size(client));
        outputs = outputOption > 0 ? outputOption : std::max(2, CountPorts(connectPattern, JackPortIsInput));
        inputs = inputOption > 0 ? inputOption : std::max(2, CountPorts(capturePattern, JackPortIsOutput));
        // The stream of a stereo play (the first two outputs) is built and connected now,
        // silent until a start: the first play then costs no more than the ones after it.
        // Another set of channels is built when it is asked for.
        BufferInfo stereo[2] = {{0, 0, {}}, {0, 1, {}}};
        if (Build(stereo, 2, period.load(), nullptr) == kDriverOk)
            MatchPeers();
        return true;
    }

    void getDriverName(char name[32]) override { std::snprintf(name, 32, "JACK"); }
    int getDriverVersion() override { return 1; }
    void getErrorMessage(char text[124]) override { std::snprintf(text, 124, "%s", error); }

    int start() override {
        if (client == nullptr || ports.empty() || serverGone.load())
            return kDriverNotPresent;
        // Connect first and only then let the buffer switch run, so the first
        // periods of a stimulus are not played into unconnected ports. The buffers'
        // creation has matched them already unless the server's ports changed since.
        MatchPeers();
        // A cycle already under way when new connections were made still runs on the
        // old graph; wait until one has begun since (bounded, in case the server stalls).
        // Connections made well before (at the buffers' creation, or kept from the play
        // before) need no wait.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (connectedAtCycle != NoNewConnections &&
               cycles.load(std::memory_order_acquire) < connectedAtCycle + 2 && !serverGone.load() &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        connectedAtCycle = NoNewConnections;
        started.store(true, std::memory_order_seq_cst);
        return kDriverOk;
    }

    int stop() override {
        started.store(false, std::memory_order_seq_cst);
        // A cycle that saw started before we cleared it finishes before we return.
        while (inProcess.load(std::memory_order_seq_cst))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return kDriverOk;
    }

    int getChannels(int* in, int* out) override {
        if (client == nullptr)
            return kDriverNotPresent;
        *in = inputs;
        *out = outputs;
        return kDriverOk;
    }
    int getLatencies(int* in, int* out) override {
        *in = *out = period;
        return client != nullptr ? kDriverOk : kDriverNotPresent;
    }
    int getBufferSize(int* minSize, int* maxSize, int* preferred, int* granularity) override {
        if (client == nullptr)
            return kDriverNotPresent;
        *minSize = *maxSize = *preferred = period;
        *granularity = 0;
        return kDriverOk;
    }
    int canSampleRate(double r) override {
        return client != nullptr && r == double(rate.load()) ? kDriverOk : kDriverNoClock;
    }
    int getSampleRate(double* r) override {
        // A client whose server went away has no rate: the host loads the driver anew.
        if (client == nullptr || serverGone.load())
            return kDriverNotPresent;
        *r = double(rate.load());
        return kDriverOk;
    }
    int setSampleRate(double r) override {
        return canSampleRate(r) == kDriverOk ? kDriverOk : kDriverInvalidMode;
    }
    int getClockSources(ClockSource* sources, int* count) override {
        if (*count > 0) {
            sources[0] = ClockSource{0, -1, 0, 1, {}};
            std::snprintf(sources[0].name, sizeof sources[0].name, "JACK");
        }
        *count = 1;
        return kDriverOk;
    }
    int setClockSource(int index) override { return index == 0 ? kDriverOk : kDriverNoClock; }
    int getSamplePosition(int64_t* samples, int64_t* nanoseconds) override {
        *samples = position.load();
        *nanoseconds = 0;
        return kDriverOk;
    }
    int getChannelInfo(ChannelInfo* info) override {
        if (client == nullptr)
            return kDriverNotPresent;
        info->isActive = 0;
        for (const Port& p : ports)
            if (p.number == info->channel && p.isInput == bool(info->isInput))
                info->isActive = 1;
        info->channelGroup = 0;
        info->type = kFloat32LSB;
        std::snprintf(info->name, sizeof info->name, "%s_%d", info->isInput ? "in" : "out",
                      info->channel + 1);
        return kDriverOk;
    }

    int createBuffers(BufferInfo* infos, int count, int bufferSize, const Callbacks* cb) override {
        if (client == nullptr)
            return kDriverNotPresent;
        if (bufferSize != period.load())
            return kDriverInvalidParameter;
        stop();
        // The same channels at the same period as the stream before: its ports, buffers
        // and activation serve again, so a second play costs no server round trips.
        if (active && !formatChanged.load() && bufferSize == streamPeriod && SamePorts(infos, count)) {
            for (int i = 0; i < count; ++i) {
                Port& p = ports[size_t(i)];
                for (auto& half : p.halves)
                    std::memset(half.get(), 0, size_t(streamPeriod) * sizeof(float));
                infos[i].buffers[0] = p.halves[0].get();
                infos[i].buffers[1] = p.halves[1].get();
            }
            callbacks = *cb;
            index = 0;
            MatchPeers();
            return kDriverOk;
        }
        const int result = Build(infos, count, bufferSize, cb);
        if (result == kDriverOk)
            MatchPeers();
        return result;
    }

    // The ports stay registered and the client active (silent while not started), so the
    // next createBuffers of the same channels reuses them; see Teardown.
    int disposeBuffers() override {
        stop();
        return kDriverOk;
    }

    int controlPanel() override { return kDriverOk; }
    int future(int selector, void*) override {
        return selector == kFutureSetInputMonitor ? kDriverOk : kDriverInvalidParameter;
    }
    // Nothing to gain from an early notice: JACK takes the buffers as the cycle ends.
    int outputReady() override { return kDriverNotPresent; }

private:
    void Teardown() {
        stop();
        // A client whose server went away must not be asked anything: what the calls
        // reach in libjack may be gone (and the client's process thread is gone anyway).
        if (serverGone.load()) {
            ready.store(false, std::memory_order_release);
            active = false;
            ports.clear();
            return;
        }
        if (client != nullptr && active)
            jack_deactivate(client); // waits for a running cycle to end
        active = false;
        peersKnown = false;
        connectedAtCycle = NoNewConnections;
        ready.store(false, std::memory_order_release);
        Unregister(ports, kDriverOk);
    }

    // Registers the channels' ports with their half-buffers and activates the client; the
    // host's callbacks are none until a createBuffers brings them.
    int Build(BufferInfo* infos, int count, int bufferSize, const Callbacks* cb) {
        Teardown();
        callbacks = cb != nullptr ? *cb : Callbacks{};
        streamPeriod = bufferSize;
        std::vector<Port> made(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            Port& p = made[size_t(i)];
            p.isInput = infos[i].isInput != 0;
            p.number = infos[i].channelNum;
            char name[32];
            std::snprintf(name, sizeof name, "%s_%d", p.isInput ? "in" : "out", p.number + 1);
            p.port = jack_port_register(client, name, JACK_DEFAULT_AUDIO_TYPE,
                                        p.isInput ? JackPortIsInput : JackPortIsOutput, 0);
            if (p.port == nullptr)
                return Unregister(made, kDriverInvalidParameter);
            for (auto& half : p.halves)
                half.reset(new float[size_t(streamPeriod)]());
            infos[i].buffers[0] = p.halves[0].get();
            infos[i].buffers[1] = p.halves[1].get();
        }
        ports = std::move(made);
        index = 0;
        formatChanged.store(false, std::memory_order_relaxed);
        // Release: the process thread sees complete ports once it sees ready.
        ready.store(true, std::memory_order_release);
        if (jack_activate(client) != 0) {
            ready.store(false);
            return Unregister(ports, kDriverHardwareFault);
        }
        active = true;
        return kDriverOk;
    }

    bool SamePorts(const BufferInfo* infos, int count) const {
        if (size_t(count) != ports.size())
            return false;
        for (int i = 0; i < count; ++i)
            if (ports[size_t(i)].isInput != (infos[i].isInput != 0) ||
                ports[size_t(i)].number != infos[i].channelNum)
                return false;
        return true;
    }

    int Unregister(std::vector<Port>& list, int result) {
        for (Port& p : list)
            if (p.port != nullptr && client != nullptr)
                jack_port_unregister(client, p.port);
        list.clear();
        return result;
    }

    int CountPorts(const std::string& pattern, unsigned long flags) {
        const char** names = jack_get_ports(client, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags);
        int n = 0;
        while (names != nullptr && names[n] != nullptr)
            ++n;
        jack_free(names);
        return n;
    }

    // True when no port of the server came, went or was renamed since the last start
    // matched our ports to their peers, and every connection made then still stands: the
    // start then needs no matching. Matching lists and filters the server's ports, which
    // costs a tenth of a millisecond or more per pattern on every play; whether a
    // connection stands is read from the graph the server shares with its clients.
    // A port that had no peer is matched again every time: the news of a port that
    // appeared comes on another thread and may still be on its way.
    bool KeptConnections() {
        if (!peersKnown || portsChanged.exchange(false, std::memory_order_acq_rel))
            return false;
        for (const Port& p : ports)
            if (p.peer.empty() || !jack_port_connected_to(p.port, p.peer.c_str()))
                return false;
        return true;
    }

    // Connects our ports to their peers unless the connections of the last match still
    // stand. Done while the ports are silent (at the buffers' creation) it takes the
    // matching off the start's path; the start then waits only for connections that are
    // newer than a cycle or two.
    void MatchPeers() {
        if (KeptConnections())
            return;
        // Cleared before the ports are listed: a port that comes after the listing sets
        // it again.
        portsChanged.store(false, std::memory_order_release);
        const int made = ConnectAll(connectPattern, JackPortIsInput, false) +
                         ConnectAll(capturePattern, JackPortIsOutput, true);
        peersKnown = true;
        if (made > 0)
            connectedAtCycle = cycles.load(std::memory_order_acquire);
    }

    // Connects our ports to the matching ones; returns the connections newly made.
    int ConnectAll(const std::string& pattern, unsigned long flags, bool inputs) {
        const char** names = jack_get_ports(client, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags);
        int n = 0;
        while (names != nullptr && names[n] != nullptr)
            ++n;
        int made = 0;
        for (Port& p : ports) {
            if (p.isInput != inputs)
                continue;
            p.peer = p.number < n ? names[p.number] : std::string();
            if (p.peer.empty())
                continue;
            // A connection kept from the play before is read from the client's copy of the
            // graph: asking the server again costs a round trip on every start.
            if (jack_port_connected_to(p.port, names[p.number]))
                continue;
            const char* own = jack_port_name(p.port);
            // 0: a new connection; EEXIST: made meanwhile by someone else.
            const int result = inputs ? jack_connect(client, names[p.number], own)
                                      : jack_connect(client, own, names[p.number]);
            made += result == 0 ? 1 : 0;
        }
        jack_free(names);
        return made;
    }

    static int ProcessThunk(jack_nframes_t frames, void* self) {
        return static_cast<JackDriver*>(self)->Process(frames);
    }
    static void ShutdownThunk(void* self) { static_cast<JackDriver*>(self)->serverGone.store(true); }
    // JACK's notification thread: the ports a pattern matches may differ now.
    // Our own ports coming and going are left out: they match nothing of the patterns,
    // and registering or dropping them (Build, Teardown) forgets the peers anyway.
    static void PortsChangedThunk(jack_port_id_t id, int, void* self) {
        auto* driver = static_cast<JackDriver*>(self);
        jack_port_t* port = jack_port_by_id(driver->client, id);
        if (port != nullptr && jack_port_is_mine(driver->client, port))
            return;
        driver->portsChanged.store(true, std::memory_order_release);
    }
    static void PortRenamedThunk(jack_port_id_t, const char*, const char*, void* self) {
        static_cast<JackDriver*>(self)->portsChanged.store(true, std::memory_order_release);
    }
    static int BufferSizeThunk(jack_nframes_t frames, void* self) {
        auto* driver = static_cast<JackDriver*>(self);
        if (int(frames) != driver->period.exchange(int(frames)))
            driver->FormatChanged();
        return 0;
    }
    static int RateThunk(jack_nframes_t newRate, void* self) {
        auto* driver = static_cast<JackDriver*>(self);
        if (newRate != driver->rate.exchange(newRate))
            driver->FormatChanged();
        return 0;
    }

    // The server changed its period or rate; may run on the process thread, so it only
    // sets flags. A stream made for the old format no longer switches buffers (they have
    // the old size) and asks the host to reset it: the host stops it, and its next
    // prepare makes buffers of the new size.
    void FormatChanged() {
        formatChanged.store(true, std::memory_order_release);
        if (ready.load(std::memory_order_acquire) && callbacks.message != nullptr)
            callbacks.message(callbacks.context, kMessageResetRequest, 0);
    }

    // JACK's process thread: real-time, so only copies and the host's buffer switch.
    int Process(jack_nframes_t frames) {
        if (!ready.load(std::memory_order_acquire))
            return 0;
        inProcess.store(true, std::memory_order_seq_cst);
        const bool run = started.load(std::memory_order_seq_cst) && int(frames) == streamPeriod &&
                         !formatChanged.load(std::memory_order_acquire);
        if (run) {
            for (Port& p : ports)
                if (p.isInput)
                    std::memcpy(p.halves[index].get(), jack_port_get_buffer(p.port, frames),
                                frames * sizeof(float));
            callbacks.bufferSwitch(callbacks.context, index, 1);
        }
        for (Port& p : ports) {
            if (p.isInput)
                continue;
            auto* out = static_cast<float*>(jack_port_get_buffer(p.port, frames));
            if (run)
                std::memcpy(out, p.halves[index].get(), frames * sizeof(float));
            else
                std::memset(out, 0, frames * sizeof(float));
        }
        if (run) {
            index ^= 1;
            position.fetch_add(frames, std::memory_order_relaxed);
        }
        inProcess.store(false, std::memory_order_seq_cst);
        cycles.fetch_add(1, std::memory_order_release);
        return 0;
    }

    std::string serverName, clientName, connectPattern, capturePattern;
    int outputOption, inputOption;
    jack_client_t* client = nullptr;
    // The server's current rate and period, updated by its callbacks; a stream keeps the
    // period its buffers were made for in streamPeriod.
    std::atomic<jack_nframes_t> rate{0};
    std::atomic<int> period{0};
    int streamPeriod = 0;
    int inputs = 0, outputs = 0;
    char error[124] = "no error";
    bool active = false;
    bool peersKnown = false; // the ports' peers were matched since they were registered
    // The process cycles counted when connections were last made and no start has waited
    // for them yet; NoNewConnections when none are pending.
    static constexpr uint64_t NoNewConnections = UINT64_MAX;
    uint64_t connectedAtCycle = NoNewConnections;
    std::atomic<bool> portsChanged{true};

    std::vector<Port> ports;
    Callbacks callbacks{};
    int index = 0; // audio thread only
    std::atomic<bool> ready{false};
    std::atomic<bool> started{false};
    std::atomic<bool> inProcess{false};
    std::atomic<bool> serverGone{false};
    std::atomic<bool> formatChanged{false};
    std::atomic<int64_t> position{0};
    std::atomic<uint64_t> cycles{0}; // process calls since activation
};

} // namespace
} // namespace vantrel

VANTREL_DRIVER_PLUGIN(vantrel::JackDriver, "vantrel.jack")
