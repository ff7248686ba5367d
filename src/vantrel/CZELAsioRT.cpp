#include "CZELAsioRT.h"

#include "Messages.h"

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace vantrel {

// The public header names what this library posts and takes; both must agree.
static_assert(WM_ASIO_INPUT_TIME == VANTREL_WM_INPUT_TIME &&
              WM_ASIO_OUTPUT_EVENT == VANTREL_WM_OUTPUT_EVENT && WM_ASIO_REMAIN == VANTREL_WM_REMAIN);
static_assert(kFloat32LSB == VANTREL_SAMPLE_FLOAT32_LSB && kInt16MSB == VANTREL_SAMPLE_INT16_MSB &&
              kInt32LSB24 == VANTREL_SAMPLE_INT32_LSB24 && kFloat64MSB == VANTREL_SAMPLE_FLOAT64_MSB);

namespace {

std::atomic<CZELAsioRT*> g_session{nullptr};

int64_t NowMs() {
    using namespace std::chrono;
    // +1 keeps a real time stamp away from 0, which means "not started".
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Driver calls may throw from a plug-in; none of that crosses into the caller.
template <typename F> int32_t Guarded(F call) {
    try {
        return call();
    } catch (...) {
        return kSessionBadArgument;
    }
}

constexpr int kWatchdogPeriodMs = 20;
constexpr int kNotifyPeriodMs = 30;
constexpr int64_t kStartTimeoutMs = 5001;
constexpr int kRateSettleMs = 500;
constexpr int kStopSettleMs = 100;

void SwitchThunk(void* context, int index, int) {
    if (context != nullptr)
        static_cast<CZELAsioRT*>(context)->OnBufferSwitch(index);
}

void RateThunk(void*, double) {}

int MessageThunk(void* context, int selector, int value) {
    return context != nullptr ? static_cast<CZELAsioRT*>(context)->OnAsioMessage(selector, value) : 0;
}

} // namespace

CZELAsioRT::CZELAsioRT() {
    CZELAsioRT* expected = nullptr;
    if (!g_session.compare_exchange_strong(expected, this))
        throw std::runtime_error("ASIO object has already created!!");
    RefreshDriverNames();
}

CZELAsioRT::~CZELAsioRT() {
    {
        std::lock_guard lock(sessionMutex);
        if (running.load())
            StopLocked();
        watchdogActive = false;
        notifyActive = false;
        ASIOExit();
        DestroyAsioDriverList();
    }
    watchdogTimer.Stop();
    notifyTimer.Stop();
    g_session.store(nullptr);
}

void CZELAsioRT::RefreshDriverNames() {
    AsioDriverList list;
    char buffers[kMaxDriverNames][32];
    char* pointers[kMaxDriverNames];
    for (int i = 0; i < kMaxDriverNames; ++i)
        pointers[i] = buffers[i];
    const int n = list.GetDriverNames(pointers, kMaxDriverNames);
    std::vector<std::string> names(buffers, buffers + n);
    std::lock_guard lock(sessionMutex);
    driverNames = std::move(names);
}

void CZELAsioRT::CopyDriverNames(std::vector<std::string>& names) const {
    std::lock_guard lock(sessionMutex);
    names = driverNames;
}

int32_t CZELAsioRT::GetDriverIndex() const {
    return driverIndex.load();
}

bool CZELAsioRT::IsDriverLoaded() const {
    std::lock_guard lock(sessionMutex);
    return IsAsioDriverLoaded();
}

bool CZELAsioRT::SelectDriver(int index) {
    std::lock_guard lock(sessionMutex);
    if (index < 0 || size_t(index) >= driverNames.size())
        return false;
    // Unloading the driver under a running stream would pull its buffers away.
    if (running.load())
        return false;
    return Guarded([&] {
               ASIOExit();
               if (!LoadAsioDriver(driverNames[size_t(index)].c_str()))
                   return -1;
               AsioDriverInfo info;
               if (ASIOInit(&info) != kDriverOk)
                   return -1;
               int in = 0, out = 0;
               if (ASIOGetChannels(&in, &out) != kDriverOk)
                   return -1;
               driverIndex = index;
               return 0;
           }) == 0;
}

int32_t CZELAsioRT::GetChannelCounts(int* in, int* out) {
    std::lock_guard lock(sessionMutex);
    if (driverIndex == -1)
        return kSessionNoDriver;
    return Guarded([&] { return ASIOGetChannels(in, out); });
}

int32_t CZELAsioRT::GetChannelInfo(int channel, bool isInput, ChannelInfo* out) {
    std::lock_guard lock(sessionMutex);
    if (driverIndex == -1)
        return kSessionNoDriver;
    return Guarded([&] {
        int in = 0, outs = 0;
        ASIOGetChannels(&in, &outs);
        if (out == nullptr || channel < 0 || channel >= (isInput ? in : outs))
            return int32_t(kSessionBadArgument);
        std::memset(out, 0, sizeof *out);
        out->channel = channel;
        out->isInput = isInput ? 1 : 0;
        return ASIOGetChannelInfo(out);
    });
}

bool CZELAsioRT::CanSampleRate(int rate) {
    std::lock_guard lock(sessionMutex);
    return driverIndex != -1 && Guarded([&] { return ASIOCanSampleRate(rate); }) == kDriverOk;
}

int32_t CZELAsioRT::GetSampleRate() {
    std::lock_guard lock(sessionMutex);
    if (driverIndex == -1)
        return 0;
    double rate = 0;
    if (Guarded([&] { return ASIOGetSampleRate(&rate); }) != kDriverOk)
        return 0;
    return static_cast<int32_t>(rate);
}

void CZELAsioRT::SetSampleRate(int rate) {
    std::lock_guard lock(sessionMutex);
    if (driverIndex != -1)
        Guarded([&] { return ASIOSetSampleRate(rate); });
}

bool CZELAsioRT::GetLatencies(int* in, int* out) {
    std::lock_guard lock(sessionMutex);
    *in = *out = -1;
    if (driverIndex == -1)
        return false;
    int a = 0, b = 0;
    if (Guarded([&] { return ASIOGetLatencies(&a, &b); }) == kDriverNotPresent)
        return false;
    *in = a;
    *out = b;
    return true;
}

int32_t CZELAsioRT::GetClockSourceCount() {
    std::lock_guard lock(sessionMutex);
    if (driverIndex == -1)
        return -1;
    ClockSource sources[256];
    int count = 256;
    if (Guarded([&] { return ASIOGetClockSources(sources, &count); }) == kDriverNotPresent)
        return 0;
    return count;
}

bool CZELAsioRT::IsClockSourceIndex(int index) {
    const int32_t count = GetClockSourceCount();
    return count > 0 && index >= 0 && index <= count;
}

bool CZELAsioRT::GetClockSourceInfo(int index, ClockSource* out) {
    std::lock_guard lock(sessionMutex);
    if (driverIndex == -1 || out == nullptr || index < 0)
        return false;
    std::vector<ClockSource> sources(256);
    int count = 256;
    if (Guarded([&] { return ASIOGetClockSources(sources.data(), &count); }) != kDriverOk)
        return false;
    if (index >= count || index >= 256)
        return false;
    *out = sources[size_t(index)];
    return true;
}

void CZELAsioRT::SetInputMonitorOff() {
    if (driverIndex == -1)
        return;
    InputMonitor monitor{-1, 0, 0, 0, 0};
    Guarded([&] { return ASIOFuture(kFutureSetInputMonitor, &monitor); });
}

int32_t CZELAsioRT::Prepare(int inCount, const int* inChannels, int outCount, const int* outChannels,
                            int inStore, int outStore, int loop, int rate, double tau) {
    std::lock_guard lock(sessionMutex);
    if (driverIndex == -1)
        return kSessionNoDriver;
    // Reconfiguring the storages under a running buffer switch would free its memory.
    if (running.load())
        return kSessionBadArgument;
    if (inCount < 0 || outCount < 0 || inCount > kMaxChannels || outCount > kMaxChannels)
        return kSessionBadArgument;
    if ((inCount > 0 && inChannels == nullptr) || (outCount > 0 && outChannels == nullptr))
        return kSessionBadArgument;
    if ((inCount > 0 && inStore <= 0) || (outCount > 0 && outStore <= 0) || inStore < 0 || outStore < 0)
        return kSessionBadArgument;
    for (int i = 0; i < inCount; ++i)
        if (inChannels[i] < 0)
            return kSessionBadArgument;
    for (int i = 0; i < outCount; ++i)
        if (outChannels[i] < 0)
            return kSessionBadArgument;
    // A prepare announces a start: the timers' threads are made here, off the start's
    // path, and wait parked for every start after it.
    watchdogTimer.CreateThread();
    notifyTimer.CreateThread();

    return Guarded([&]() -> int32_t {
        double current = 0;
        ASIOGetSampleRate(&current);
        int32_t effectiveRate = static_cast<int32_t>(current);
        if (rate != -1 && rate != effectiveRate) {
            if (ASIOCanSampleRate(rate) != kDriverOk)
                return kSessionBadArgument;
            ASIOSetSampleRate(rate);
            SleepMs(kRateSettleMs);
            effectiveRate = rate;
        }
        SetInputMonitorOff();
        ASIODisposeBuffers();
        streamDriver = nullptr;
        inputCount = outputCount = 0;
        // A driver without use for the early notice says so here, and the buffer switch
        // then spares the call into it.
        const bool wantsOutputReady = outCount > 0 && ASIOOutputReady() == kDriverOk;

        std::memset(bufferInfos, 0, sizeof bufferInfos);
        for (int i = 0; i < inCount; ++i)
            bufferInfos[i] = {1, inChannels[i], {nullptr, nullptr}};
        for (int i = 0; i < outCount; ++i)
            bufferInfos[inCount + i] = {0, outChannels[i], {nullptr, nullptr}};

        int minSize = 0, maxSize = 0, preferred = 0, granularity = 0;
        int32_t result = ASIOGetBufferSize(&minSize, &maxSize, &preferred, &granularity);
        if (result != kDriverOk)
            return result;
        const Callbacks callbacks{this, &SwitchThunk, &RateThunk, &MessageThunk};
        result = ASIOCreateBuffers(bufferInfos, inCount + outCount, preferred, &callbacks);
        if (result != kDriverOk)
            return result;
        bufferSize = preferred;
        inputCount = inCount;
        outputCount = outCount;
        streamRate = effectiveRate;
        streamDriver = wantsOutputReady ? LoadedAsioDriver() : nullptr;

        for (int i = 0; i < inCount; ++i) {
            ChannelInfo& info = inputChannelInfos[i];
            std::memset(&info, 0, sizeof info);
            info.channel = inChannels[i];
            info.isInput = 1;
            ASIOGetChannelInfo(&info);
        }
        for (int i = 0; i < outCount; ++i) {
            ChannelInfo& info = outputChannelInfos[i];
            std::memset(&info, 0, sizeof info);
            info.channel = outChannels[i];
            ASIOGetChannelInfo(&info);
        }
        for (int i = 0; i < outCount; ++i) {
            if (outputs[i].Configure(outputChannelInfos[i].type, outStore, loop != 0) != outStore)
                return kSessionBadArgument;
            outputs[i].Rewind(false);
        }
        for (int i = 0; i < inCount; ++i) {
            if (inputs[i].Configure(inStore, preferred, effectiveRate, tau > 0 ? tau : 0.05) != inStore ||
                !inputs[i].IsReady())
                return kSessionBadArgument;
        }
        return kSessionOk;
    });
}

bool CZELAsioRT::Wants(int32_t mask) const {
    return (notifyFlags.load(std::memory_order_relaxed) & mask) != 0;
}

void CZELAsioRT::Post(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    const WindowHandle target = window.load(std::memory_order_relaxed);
    if (target != 0)
        PostMessage(target, msg, wParam, lParam);
}

int32_t CZELAsioRT::Start() {
    int32_t result;
    {
        std::lock_guard lock(sessionMutex);
        lastProgressMs = 0;
        timedOut = false;
        if (driverIndex == -1)
            return kSessionNoDriver;
        if (running.load())
            return kSessionBadArgument;
        for (int i = 0; i < kMaxChannels; ++i) {
            dryNow[i] = false;
            dryCount[i].store(0, std::memory_order_relaxed);
            dryForwarded[i] = 0;
        }
        allDone = false;
        resetRequested = false;
        {
            // Refresh the rate the progress messages count with.
            double rate = 0;
            if (Guarded([&] { return ASIOGetSampleRate(&rate); }) == kDriverOk && rate >= 1)
                streamRate = static_cast<int32_t>(rate);
        }
        watchdogActive = true;
        if (!watchdogTimer.IsRunning())
            watchdogTimer.Start(kWatchdogPeriodMs, [this] { OnWatchdogTimer(); });
        if (window.load() != 0 && notifyFlags.load() != 0) {
            notifyActive = true;
            if (!notifyTimer.IsRunning())
                notifyTimer.Start(kNotifyPeriodMs, [this] { OnNotifyTimer(); });
        }
        // Running before the driver starts, so its first buffer switch is not skipped;
        // the release store publishes the prepared stream to the audio thread.
        seenSwitches = switchCount.load(std::memory_order_relaxed);
        lastProgressMs = NowMs();
        running.store(true, std::memory_order_release);
        result = Guarded([] { return ASIOStart(); });
        if (result != kDriverOk) {
            running.store(false);
            lastProgressMs = 0;
            watchdogActive = false;
            notifyActive = false;
        }
        if (Wants(kNotifyTimesAndEvents | kNotifyOutputOnly))
            Post(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_STARTED), 0);
    }
    if (result != kDriverOk)
        JoinStoppedTimers();
    return result;
}

int32_t CZELAsioRT::Stop() {
    int32_t result;
    {
        std::lock_guard lock(sessionMutex);
        result = StopLocked();
    }
    JoinStoppedTimers();
    return result;
}

void CZELAsioRT::JoinStoppedTimers() {
    if (!watchdogActive.load())
        watchdogTimer.Stop();
    if (!notifyActive.load())
        notifyTimer.Stop();
}

int32_t CZELAsioRT::StopLocked() {
    if (driverIndex == -1) {
        lastProgressMs = 0;
        timedOut = false;
        return kSessionNoDriver;
    }
    // Already stopped (by the watchdog, or never started): nothing to stop, and no
    // second "stopped" message.
    if (!running.load()) {
        lastProgressMs = 0;
        return kSessionOk;
    }
    SleepMs(kStopSettleMs);
    // The timers wind down on their own flag; whoever does not run on them joins them.
    watchdogActive = false;
    notifyActive = false;
    const int32_t stopResult = Guarded([] { return ASIOStop(); });
    // A driver whose stop failed may still be switching buffers: the session stays
    // running, so the host sees a working stream and can stop it again. After a stop
    // that succeeded no buffer switch runs any more.
    if (stopResult == kDriverOk)
        running.store(false, std::memory_order_release);
    if (window.load() != 0) {
        if (Wants(kNotifyTimesAndEvents))
            Post(WM_ASIO_INPUT_TIME, MessageParameter(VANTREL_INPUT_STOPPED), 0);
        if (Wants(kNotifyTimesAndEvents | kNotifyOutputOnly))
            Post(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_STOPPED), 0);
    }
    lastProgressMs = 0;
    if (stopResult != kDriverOk) {
        timedOut = false;
        return stopResult;
    }
    SleepMs(kStopSettleMs);
    const int32_t disposeResult = Guarded([] { return ASIODisposeBuffers(); });
    streamDriver = nullptr;
    if (disposeResult != kDriverOk) {
        timedOut = false;
        return disposeResult;
    }
    // The driver stays loaded with what it built: the next prepare of the same format
    // reuses it instead of connecting anew (a driver whose device went away reports no
    // rate, and the next prepare loads it again).
    timedOut = false;
    return kSessionOk;
}

void CZELAsioRT::OnBufferSwitch(int index) {
    // Acquire pairs with Start's release: the stream members below are complete.
    if (!running.load(std::memory_order_acquire))
        return;
    // Only this thread writes the count: a plain increment, and no clock read here (the
    // watchdog times the progress).
    switchCount.store(switchCount.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    const int half = index & 1;
    int64_t total = 0;
    for (int i = 0; i < inputCount; ++i) {
        const int32_t n =
            inputs[i].Convert(bufferInfos[i].buffers[half], bufferSize, inputChannelInfos[i].type);
        if (n > 0)
            total += n;
    }
    for (int i = 0; i < outputCount; ++i) {
        const int32_t n = outputs[i].FillDriverBuffer(bufferInfos[inputCount + i].buffers[half], bufferSize);
        if (n > 0) {
            if (dryNow[i])
                dryNow[i] = false;
            total += n;
        } else if (!dryNow[i]) {
            dryNow[i] = true;
            dryCount[i].fetch_add(1, std::memory_order_release);
        }
    }
    if (outputCount > 0 && streamDriver != nullptr)
        streamDriver->outputReady();
    if (total == 0)
        allDone.store(true, std::memory_order_release);
}

void CZELAsioRT::ForwardDryMessages() {
    const bool post = window.load() != 0 && Wants(kNotifyTimesAndEvents | kNotifyOutputOnly);
    for (int i = 0; i < outputCount; ++i) {
        const uint32_t count = dryCount[i].load(std::memory_order_acquire);
        for (; dryForwarded[i] != count; ++dryForwarded[i])
            if (post)
                Post(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_RAN_DRY, i), 0);
    }
}

void CZELAsioRT::OnWatchdogTimer() {
    // Never wait for the mutex: the caller's Stop may hold it while it joins this timer.
    std::unique_lock lock(sessionMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    if (!watchdogActive.load()) {
        watchdogTimer.Stop();
        return;
    }
    ForwardDryMessages();
    if (resetRequested.exchange(false, std::memory_order_acq_rel) && running.load()) {
        StopLocked();
        allDone = false;
    } else if (allDone.load(std::memory_order_acquire)) {
        StopLocked();
        allDone = false;
    } else if (running.load()) {
        const uint64_t switches = switchCount.load(std::memory_order_relaxed);
        const int64_t now = NowMs();
        if (switches != seenSwitches) {
            seenSwitches = switches;
            lastProgressMs = now;
        } else if (lastProgressMs != 0 && now - lastProgressMs >= kStartTimeoutMs) {
            StopLocked();
            timedOut = true;
            allDone = false;
        }
    }
    if (!watchdogActive.load())
        watchdogTimer.Stop();
}

int32_t CZELAsioRT::MillisecondsOf(int64_t samples) const {
    if (streamRate <= 0)
        return 0;
    return static_cast<int32_t>(double(samples) / streamRate * 1000.0);
}

void CZELAsioRT::OnNotifyTimer() {
    std::unique_lock lock(sessionMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    if (!notifyActive.load()) {
        notifyTimer.Stop();
        return;
    }
    if (window.load() == 0 || !running.load())
        return;
    if (Wants(kNotifyTimesAndEvents))
        for (int i = 0; i < inputCount; ++i)
            Post(WM_ASIO_INPUT_TIME, MessageParameter(VANTREL_INPUT_TIME, i),
                 MillisecondsOf(inputs[i].GetWrittenTotal()));
    if (Wants(kNotifySampleCounts))
        for (int i = 0; i < inputCount; ++i)
            Post(WM_ASIO_REMAIN, MessageParameter(VANTREL_REMAIN_INPUT, i),
                 static_cast<intptr_t>(inputs[i].GetAvailable()));
    if (Wants(kNotifyTimesAndEvents | kNotifyOutputOnly))
        for (int i = 0; i < outputCount; ++i)
            Post(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_POSITION, i),
                 MillisecondsOf(outputs[i].GetPlayed()));
    if (Wants(kNotifySampleCounts | kNotifyOutputOnly))
        for (int i = 0; i < outputCount; ++i)
            Post(WM_ASIO_REMAIN, MessageParameter(VANTREL_REMAIN_OUTPUT, i),
                 static_cast<intptr_t>(outputs[i].GetWritten() - outputs[i].GetPlayed()));
}

int32_t CZELAsioRT::OnAsioMessage(int selector, int value) {
    switch (selector) {
    case kMessageSelectorSupported:
        switch (value) {
        case 2:
        case 3:
        case 5:
        case 6:
        case 7:
        case 8:
        case 10:
            return 1;
        default:
            return 0;
        }
    case kMessageEngineVersion:
        return 2;
    case kMessageResetRequest:
        // The driver's format changed under the stream (its buffers no longer fit): the
        // watchdog stops the stream, and the next prepare builds it for the new format.
        // Any thread, the audio thread included: only a flag is set.
        resetRequested.store(true, std::memory_order_release);
        return 1;
    case kMessageResyncRequest:
    case kMessageLatenciesChanged:
    case kMessageSupportsTimeInfo:
        return 1;
    default:
        return 0;
    }
}

bool CZELAsioRT::SetWindow(WindowHandle handle) {
    if (handle == 0)
        return false;
    window.store(handle);
    return true;
}

bool CZELAsioRT::SetNotifyFlags(int32_t flags) {
    notifyFlags.store(flags);
    return true;
}

void CZELAsioRT::InitializeInput(int channel) {
    if (channel < 0 || channel >= kMaxChannels)
        return;
    std::lock_guard lock(inputLock);
    inputs[channel].Initialize();
}

void CZELAsioRT::InitializeAllInputs() {
    std::lock_guard lock(inputLock);
    for (int i = 0; i < inputCount; ++i)
        inputs[i].Initialize();
}

} // namespace vantrel
