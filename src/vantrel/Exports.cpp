// The exported C interface of libvantrel.so: thin wrappers over the one session.

#include "vantrel.h"

#include "CZELAsioRT.h"
#include "SampleConversion.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

static_assert(vantrel::kFormatInt16 == VANTREL_FORMAT_INT16 &&
              vantrel::kFormatInt32 == VANTREL_FORMAT_INT32 &&
              vantrel::kFormatFloat32 == VANTREL_FORMAT_FLOAT32 &&
              vantrel::kFormatFloat64 == VANTREL_FORMAT_FLOAT64);

// The library's application object: owns the one session for as long as the library
// is loaded; unloading stops a running stream and releases the driver.
class CVANTRELApp {
public:
    vantrel::CZELAsioRT session;
};

CVANTRELApp theApp;

vantrel::CZELAsioRT& Session() {
    return theApp.session;
}

// No exception crosses an export: any escapes into the export's failure result.
template <typename R, typename F> R Guard(R failure, F body) {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

bool IsInputChannel(int channel) {
    return Session().IsSelected() && channel >= 0 && channel < Session().GetInputCount();
}

bool IsOutputChannel(int channel) {
    return Session().IsSelected() && channel >= 0 && channel < Session().GetOutputCount();
}

// Bounded copy into a fixed field: at most size - 1 characters, zero-filled.
void CopyName(char* field, size_t size, const char* name, size_t nameCapacity) {
    std::memset(field, 0, size);
    std::memcpy(field, name, std::min(strnlen(name, nameCapacity), size - 1));
}

int FillChannelInformation(int channel, bool isInput, ChannelInformation* record) {
    if (record == nullptr)
        return 0;
    vantrel::ChannelInfo info{};
    if (Session().GetChannelInfo(channel, isInput, &info) != vantrel::kSessionOk)
        return 0;
    record->channel = channel;
    record->active = info.isActive ? 1 : 0;
    record->group = info.channelGroup;
    record->sampleType = info.type;
    CopyName(record->name, sizeof record->name, info.name, sizeof info.name);
    return 1;
}

// Reloads the driver when the rate differs from the driver's, or when the last stop
// released it, so a prepare right after a stop works with the same arguments.
void ReloadForRate(int rate) {
    vantrel::CZELAsioRT& s = Session();
    if (!s.IsDriverLoaded() || rate != s.GetSampleRate()) {
        s.SetSampleRate(rate);
        s.SelectDriver(s.GetDriverIndex());
    }
}

double Level(int channel, double (vantrel::CInputStorageRT::*read)() const) {
    if (!IsInputChannel(channel))
        return VANTREL_LEVEL_UNAVAILABLE;
    return (Session().Input(channel).*read)();
}

} // namespace

extern "C" {

int VANTREL_AsioDriverInitialize(int driverIndex) {
    return Guard(0, [&] { return Session().SelectDriver(driverIndex) ? 1 : 0; });
}

int VANTREL_CanSample(int rate) {
    return Guard(0, [&] { return Session().IsSelected() && Session().CanSampleRate(rate) ? 1 : 0; });
}

int VANTREL_GetAsioDriverName(int index, char* buffer, int bufferLength) {
    return Guard(0, [&] {
        Session().RefreshDriverNames();
        if (buffer == nullptr || bufferLength <= 0)
            return 0;
        std::vector<std::string> names;
        Session().CopyDriverNames(names);
        if (index >= 0 && size_t(index) < names.size()) {
            const std::string& name = names[size_t(index)];
            const size_t n = std::min(name.size(), size_t(bufferLength) - 1);
            std::memcpy(buffer, name.data(), n);
            buffer[n] = '\0';
        }
        return static_cast<int>(strnlen(buffer, size_t(bufferLength)));
    });
}

int VANTREL_GetClockSourceInformation(int index, ClockSourceInformation* record) {
    return Guard(0, [&] {
        vantrel::ClockSource source{};
        if (record == nullptr || !Session().GetClockSourceInfo(index, &source))
            return 0;
        record->associatedChannel = source.associatedChannel;
        record->associatedGroup = source.associatedGroup;
        record->isCurrent = source.isCurrentSource ? 1 : 0;
        const size_t n = strnlen(source.name, sizeof source.name);
        std::memset(record->name, 0, sizeof record->name);
        std::memcpy(record->name, source.name, n);
        return 1;
    });
}

double VANTREL_GetCurrentInputLevel(int channel) {
    return Guard(VANTREL_LEVEL_UNAVAILABLE,
                 [&] { return Level(channel, &vantrel::CInputStorageRT::GetLevel); });
}

double VANTREL_GetCurrentInputLevelLin(int channel) {
    return Guard(VANTREL_LEVEL_UNAVAILABLE,
                 [&] { return Level(channel, &vantrel::CInputStorageRT::GetPeakLevel); });
}

int VANTREL_GetInputChannelInformation(int channel, ChannelInformation* record) {
    return Guard(0, [&] { return FillChannelInformation(channel, true, record); });
}

int VANTREL_GetInputData(int channel, double* buffer, int count) {
    return Guard(-1, [&] {
        if (buffer == nullptr || count == 0)
            return 0;
        if (count < 0 || !IsInputChannel(channel))
            return -1;
        return static_cast<int>(Session().Input(channel).Take(buffer, count));
    });
}

int VANTREL_GetInputDataSize(int channel) {
    return Guard(-1, [&] {
        if (!IsInputChannel(channel))
            return -1;
        return static_cast<int>(std::min<int64_t>(Session().Input(channel).GetAvailable(), INT_MAX));
    });
}

int VANTREL_GetInputPointerState(int channel) {
    return Guard(0, [&] { return IsInputChannel(channel) && Session().Input(channel).HasOverrun() ? 1 : 0; });
}

int VANTREL_GetLatencies(int* input, int* output) {
    return Guard(0, [&] {
        if (input == nullptr || output == nullptr)
            return 0;
        return Session().GetLatencies(input, output) ? 1 : 0;
    });
}

double VANTREL_GetMaximumInputLevel(int channel) {
    return Guard(VANTREL_LEVEL_UNAVAILABLE,
                 [&] { return Level(channel, &vantrel::CInputStorageRT::GetMaxLevel); });
}

int VANTREL_GetNumberOfAsioDrivers(void) {
    return Guard(0, [&] {
        Session().RefreshDriverNames();
        std::vector<std::string> names;
        Session().CopyDriverNames(names);
        return static_cast<int>(names.size());
    });
}

int VANTREL_GetNumberOfChannels(int* inputs, int* outputs) {
    return Guard(0, [&] {
        if (inputs == nullptr || outputs == nullptr)
            return 0;
        return Session().GetChannelCounts(inputs, outputs) == vantrel::kSessionOk ? 1 : 0;
    });
}

int VANTREL_GetNumberOfClockSources(void) {
    return Guard(-1, [&] { return static_cast<int>(Session().GetClockSourceCount()); });
}

int VANTREL_GetOutputChannelInformation(int channel, ChannelInformation* record) {
    return Guard(0, [&] { return FillChannelInformation(channel, false, record); });
}

int VANTREL_GetOutputRemainSample(int channel) {
    return Guard(0, [&] {
        if (!IsOutputChannel(channel))
            return 0;
        const vantrel::COutputStorageRT& out = Session().Output(channel);
        return static_cast<int>(std::clamp<int64_t>(out.GetWritten() - out.GetPlayed(), INT_MIN, INT_MAX));
    });
}

int VANTREL_InitializeALLInputBuffer(void) {
    return Guard(1, [&] {
        Session().InitializeAllInputs();
        return 1;
    });
}

int VANTREL_InitializeInputBuffer(int channel) {
    return Guard(1, [&] {
        Session().InitializeInput(channel);
        return 1;
    });
}

int VANTREL_IsTimeouted(void) {
    return Guard(0, [&] { return Session().IsTimedOut() ? 1 : 0; });
}

int VANTREL_IsWorking(void) {
    return Guard(0, [&] { return Session().IsRunning() ? 1 : 0; });
}

int VANTREL_Prepare(int inputCount, int* inputChannels, int outputCount, int* outputChannels,
                    int inputStoreSamples, int outputStoreSamples, int loop, int rate,
                    double levelTimeConstant) {
    return Guard(0, [&] {
        if (!Session().IsSelected() || Session().IsRunning())
            return 0;
        ReloadForRate(rate);
        return Session().Prepare(inputCount, inputChannels, outputCount, outputChannels, inputStoreSamples,
                                 outputStoreSamples, loop, rate, levelTimeConstant) == vantrel::kSessionOk
                   ? 1
                   : 0;
    });
}

int VANTREL_ResetMaximumInputLevel(int channel) {
    return Guard(0, [&] {
        if (!IsInputChannel(channel))
            return 0;
        Session().Input(channel).ResetMaxLevel();
        return 1;
    });
}

int VANTREL_SetClockSource(int index) {
    return Guard(0, [&] { return Session().IsClockSourceIndex(index) ? 1 : 0; });
}

int VANTREL_SetNotifyFlag(int flags) {
    return Guard(1, [&] { return Session().SetNotifyFlags(flags) ? 1 : 0; });
}

int VANTREL_SetOutputData(int channel, double* data, int count) {
    return Guard(-1, [&] {
        if (data == nullptr || count == 0)
            return 0;
        if (count < 0 || !IsOutputChannel(channel))
            return -1;
        return static_cast<int>(Session().Output(channel).WriteFloat64(data, count));
    });
}

int VANTREL_SetOutputWaveData(int channel, void* data, int count, int type) {
    return Guard(-1, [&] {
        if (data == nullptr || count == 0)
            return 0;
        if (count < 0 || vantrel::FormatBytesPerSample(type) < 0 || !IsOutputChannel(channel))
            return -1;
        return static_cast<int>(Session().Output(channel).Write(type, data, count));
    });
}

int VANTREL_SetSample(int rate) {
    return Guard(1, [&] {
        Session().SetSampleRate(rate);
        return 1;
    });
}

int VANTREL_SetWindowHandle(intptr_t window) {
    return Guard(0, [&] { return Session().SetWindow(window) ? 1 : 0; });
}

int VANTREL_Start(int inputCount, int* inputChannels, int outputCount, int* outputChannels, int samples,
                  double* data, int rate, double levelTimeConstant) {
    return Guard(0, [&] {
        if (!Session().IsSelected() || Session().IsRunning())
            return 0;
        ReloadForRate(rate);
        if (Session().Prepare(inputCount, inputChannels, outputCount, outputChannels, samples, samples, 1,
                              rate, levelTimeConstant) != vantrel::kSessionOk)
            return 0;
        for (int i = 0; i < outputCount; ++i)
            if (VANTREL_SetOutputData(i, data, samples) != samples)
                return 0;
        return Session().Start() == vantrel::kSessionOk ? 1 : 0;
    });
}

int VANTREL_StartEx(void) {
    return Guard(0, [&] { return Session().Start() == vantrel::kSessionOk ? 1 : 0; });
}

int VANTREL_Stop(void) {
    return Guard(0, [&] { return Session().Stop() == vantrel::kSessionOk ? 1 : 0; });
}

} // extern "C"
