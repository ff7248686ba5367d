#pragma once

#include "AsioDriverList.h"
#include "CInputStorageRT.h"
#include "COutputStorageRT.h"
#include "PeriodicTimer.h"
#include "Post.h"
#include "VantrelDriver.h"
#include "vantrel.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel {

// Bits of the notification flag word.
enum AsioNotifyFlags : int32_t {
    kNotifySampleCounts = VANTREL_NOTIFY_SAMPLE_COUNTS,
    kNotifyTimesAndEvents = VANTREL_NOTIFY_TIMES_AND_EVENTS,
    kNotifyOutputOnly = VANTREL_NOTIFY_OUTPUT_ONLY,
};

// wParam of a message of the given kind (vantrel.h) about channel.
constexpr intptr_t MessageParameter(int kind, int channel = 0) {
    return (intptr_t(kind) << 16) + channel;
}

// Session result codes beyond the driver's own.
enum SessionResult : int32_t {
    kSessionOk = 0,
    kSessionNoDriver = -1000,
    kSessionBadArgument = -998,
};

// The one audio session of the process: driver names, the selected driver, one
// prepared stream with its channel storages, the buffer switch, a 20 ms watchdog and
// a 30 ms progress timer, and the messages to one window.
//
// Threads: the caller's (every public operation), the driver's audio thread
// (OnBufferSwitch) and the two timer threads. One session mutex serialises
// SelectDriver, Prepare, Start, Stop, the driver queries and the timers' work; the
// buffer switch never takes it: it reads the stream set up by Prepare (which is
// refused while a stream runs) and reports through atomics that the watchdog turns
// into messages. Timers only try the mutex and skip a tick when it is busy; they are
// switched off by a flag under the mutex and joined after it is released.
class CZELAsioRT {
public:
    static constexpr int kMaxChannels = 128;
    static constexpr int kMaxDriverNames = 32;

    // Throws "ASIO object has already created!!" when another session exists.
    CZELAsioRT();
    CZELAsioRT(const CZELAsioRT&) = delete;
    CZELAsioRT& operator=(const CZELAsioRT&) = delete;
    virtual ~CZELAsioRT();

    void RefreshDriverNames();
    void CopyDriverNames(std::vector<std::string>& names) const;
    bool SelectDriver(int index);
    int32_t GetDriverIndex() const;
    bool IsSelected() const { return GetDriverIndex() != -1; }
    bool IsDriverLoaded() const;

    int32_t GetChannelCounts(int* inputs, int* outputs);
    int32_t GetChannelInfo(int channel, bool isInput, ChannelInfo* out);
    bool CanSampleRate(int rate);
    int32_t GetSampleRate();
    void SetSampleRate(int rate);
    bool GetLatencies(int* input, int* output);
    int32_t GetClockSourceCount();
    bool IsClockSourceIndex(int index);
    bool GetClockSourceInfo(int index, ClockSource* out);

    int32_t Prepare(int inputCount, const int* inputChannels, int outputCount, const int* outputChannels,
                    int inputStoreSamples, int outputStoreSamples, int loop, int rate, double tau);
    int32_t Start();
    int32_t Stop();

    bool SetWindow(WindowHandle handle);
    bool SetNotifyFlags(int32_t flags);
    void InitializeInput(int channel);
    void InitializeAllInputs();

    bool IsRunning() const { return running.load(std::memory_order_acquire); }
    bool IsTimedOut() const { return timedOut.load(std::memory_order_acquire); }
    int GetInputCount() const { return inputCount; }
    int GetOutputCount() const { return outputCount; }
    // Storages of the prepared channels; the caller's thread writes outputs and takes
    // inputs, the audio thread does the other side.
    CInputStorageRT& Input(int i) { return inputs[i]; }
    COutputStorageRT& Output(int i) { return outputs[i]; }

    // Driver callbacks and timers; public for tests that drive them by hand.
    void OnBufferSwitch(int index);
    void OnWatchdogTimer();
    void OnNotifyTimer();
    int32_t OnAsioMessage(int selector, int value);

private:
    int32_t StopLocked();
    void SetInputMonitorOff();
    void ForwardDryMessages();
    void Post(uint32_t msg, intptr_t wParam, intptr_t lParam);
    bool Wants(int32_t mask) const;
    int32_t MillisecondsOf(int64_t samples) const;
    // Joins timers switched off under the mutex; never from a timer thread.
    void JoinStoppedTimers();

    // What the buffer switch reads comes first and together: the audio thread finds it in
    // a few cache lines of one or two pages rather than spread over the session, which
    // counts when the switch runs on cold caches, as it does after a period of other work.
    std::atomic<bool> running{false};
    std::atomic<bool> allDone{false};
    int32_t inputCount = 0;
    int32_t outputCount = 0;
    int32_t bufferSize = 0;
    // Buffer switches so far (the audio thread's).
    std::atomic<uint64_t> switchCount{0};
    // The driver, when it wants outputReady() from the audio thread; else null.
    Driver* streamDriver = nullptr;
    // Ran-dry latch per output: the audio thread counts each dry spell, the watchdog
    // posts one message per count it has not forwarded yet. Live as long as the session.
    bool dryNow[kMaxChannels] = {};
    BufferInfo bufferInfos[2 * kMaxChannels] = {};
    COutputStorageRT outputs[kMaxChannels];
    CInputStorageRT inputs[kMaxChannels];
    ChannelInfo inputChannelInfos[kMaxChannels] = {};
    ChannelInfo outputChannelInfos[kMaxChannels] = {};

    mutable std::mutex sessionMutex;
    std::mutex inputLock;

    std::vector<std::string> driverNames;
    // Written under the mutex; read without it by the exports' channel checks, so they
    // never wait behind a watchdog stop.
    std::atomic<int32_t> driverIndex{-1};
    std::atomic<bool> timedOut{false};
    std::atomic<bool> resetRequested{false}; // by the driver, from any thread
    // Under the mutex: the switch count the watchdog saw last with the steady-clock ms it
    // first saw it (or of the start); 0 when not started.
    uint64_t seenSwitches = 0;
    int64_t lastProgressMs = 0;
    int32_t streamRate = 0; // the driver's rate, truncated, as of Prepare or Start

    std::atomic<int32_t> notifyFlags{0};
    std::atomic<WindowHandle> window{0};

    std::atomic<uint32_t> dryCount[kMaxChannels] = {};
    uint32_t dryForwarded[kMaxChannels] = {};

    PeriodicTimer watchdogTimer;
    PeriodicTimer notifyTimer;
    std::atomic<bool> watchdogActive{false};
    std::atomic<bool> notifyActive{false};
};

} // namespace vantrel
