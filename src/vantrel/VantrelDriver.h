#pragma once

// The driver interface of VANTREL: what the library asks of an audio driver plug-in.
//
// A driver is a shared library (a plug-in) that exports one C function,
// vantrel_driver_factory(), returning a DriverFactory. The library opens at most one
// Driver at a time, and calls every method below from one thread at a time (the
// caller's thread, or the library's watchdog thread when it stops a stream), never
// concurrently.
//
// Real-time contract. Between start() and the return of stop(), the driver calls
// Callbacks::bufferSwitch from its own audio thread once per period. That callback,
// and outputReady() which it may call, must never block: the library allocates
// nothing, takes no lock another thread may hold, does no I/O and posts no message
// in it; the driver must do the same on its side of the call. When stop() or
// disposeBuffers() returns, no callback is running or will run any more.
//
// What a driver may rely on: the library's call layer checks the arguments before it
// calls a method, so a driver need not check them again. Every pointer argument is
// non-null (getClockSources: sources may be null only when *count is 0; future's
// argument is the selector's record or null). getChannelInfo() and createBuffers() get
// only channel numbers below the counts that getChannels() reports for the direction;
// createBuffers() gets count > 0, bufferSize > 0 and callbacks with a bufferSwitch. Only
// one driver of a process is created at a time, init() comes first, and the methods
// other than init(), getDriverName(), getDriverVersion() and getErrorMessage() are called
// only after init() succeeded. A driver is deleted by its own factory's destroy().

#include <cstdint>

namespace vantrel {

// Incremented whenever the Driver class or the records below change layout.
inline constexpr int kDriverAbiVersion = 2;

// Result codes of the driver methods.
enum DriverResult : int {
    kDriverOk = 0,
    kDriverNotPresent = -1000,
    kDriverHardwareFault = -999,
    kDriverInvalidParameter = -998,
    kDriverInvalidMode = -997,
    kDriverNotAdvancing = -996,
    kDriverNoClock = -995,
    kDriverNoMemory = -994,
};

// Sample types of a channel's buffer (byte order and width of one sample).
enum SampleType : int {
    kInt16MSB = 0,
    kInt24MSB = 1,
    kInt32MSB = 2,
    kFloat32MSB = 3,
    kFloat64MSB = 4,
    kInt32MSB16 = 8,
    kInt32MSB18 = 9,
    kInt32MSB20 = 10,
    kInt32MSB24 = 11,
    kInt16LSB = 16,
    kInt24LSB = 17,
    kInt32LSB = 18,
    kFloat32LSB = 19,
    kFloat64LSB = 20,
    kInt32LSB16 = 24,
    kInt32LSB18 = 25,
    kInt32LSB20 = 26,
    kInt32LSB24 = 27,
};

struct ChannelInfo {
    int32_t channel;      // in: channel number within its direction
    int32_t isInput;      // in: 1 input, 0 output
    int32_t isActive;     // out
    int32_t channelGroup; // out
    int32_t type;         // out: SampleType
    char name[32];        // out: zero-terminated
};

struct BufferInfo {
    int32_t isInput;    // in
    int32_t channelNum; // in
    void* buffers[2];   // out: the two half-buffers the driver owns
};

struct ClockSource {
    int32_t index;
    int32_t associatedChannel;
    int32_t associatedGroup;
    int32_t isCurrentSource;
    char name[32];
};

struct InputMonitor {
    int32_t input; // -1 all
    int32_t output;
    int32_t gain;
    int32_t state; // 0 off
    int32_t pan;
};

// Selectors of Driver::future().
enum FutureSelector : int { kFutureSetInputMonitor = 3 };

// Selectors of Callbacks::message().
enum MessageSelector : int {
    kMessageSelectorSupported = 1,
    kMessageEngineVersion = 2,
    kMessageResetRequest = 3,
    kMessageBufferSizeChange = 4,
    kMessageResyncRequest = 5,
    kMessageLatenciesChanged = 6,
    kMessageSupportsTimeInfo = 7,
    kMessageSupportsTimeCode = 8,
};

// Handed to createBuffers(); context is passed back to every callback.
struct Callbacks {
    void* context;
    // Audio thread: the half-buffer `index` (0 or 1) of every channel is now the
    // host's: inputs hold fresh samples, outputs must be filled before it returns.
    void (*bufferSwitch)(void* context, int index, int directProcess);
    void (*sampleRateDidChange)(void* context, double rate);
    int (*message)(void* context, int selector, int value);
};

class Driver {
public:
    virtual ~Driver() = default;

    // false on failure; getErrorMessage() then says why.
    virtual bool init(void* systemReference) = 0;
    virtual void getDriverName(char name[32]) = 0;
    virtual int getDriverVersion() = 0;
    virtual void getErrorMessage(char text[124]) = 0;
    virtual int start() = 0;
    virtual int stop() = 0;
    virtual int getChannels(int* inputs, int* outputs) = 0;
    virtual int getLatencies(int* input, int* output) = 0;
    virtual int getBufferSize(int* minSize, int* maxSize, int* preferred, int* granularity) = 0;
    virtual int canSampleRate(double rate) = 0;
    virtual int getSampleRate(double* rate) = 0;
    virtual int setSampleRate(double rate) = 0;
    // *count: in, the records offered; out, the sources the driver has.
    virtual int getClockSources(ClockSource* sources, int* count) = 0;
    virtual int setClockSource(int index) = 0;
    virtual int getSamplePosition(int64_t* samples, int64_t* nanoseconds) = 0;
    virtual int getChannelInfo(ChannelInfo* info) = 0;
    virtual int createBuffers(BufferInfo* infos, int count, int bufferSize, const Callbacks* callbacks) = 0;
    virtual int disposeBuffers() = 0;
    virtual int controlPanel() = 0;
    virtual int future(int selector, void* argument) = 0;
    // May be called from the buffer switch. A driver with no use for this notice answers
    // kDriverNotPresent when asked at preparation; the library then never calls it from
    // the buffer switch.
    virtual int outputReady() = 0;
};

// One "key=value" option of the driver's section in the driver registry file.
struct DriverOption {
    const char* key;
    const char* value;
};

struct DriverFactory {
    int abiVersion; // kDriverAbiVersion of the plug-in's build
    // A new driver for the class id, or null when the plug-in has no such class or
    // creation failed. The options are only valid during the call.
    Driver* (*create)(const char* clsid, const DriverOption* options, int optionCount);
    // Deletes a driver that create() made; the library never deletes one itself.
    void (*destroy)(Driver* driver);
};

} // namespace vantrel

#define VANTREL_DRIVER_FACTORY_SYMBOL "vantrel_driver_factory"

// Each plug-in defines this one function with default visibility.
extern "C" const vantrel::DriverFactory* vantrel_driver_factory();
