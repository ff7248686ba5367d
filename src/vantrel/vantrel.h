#pragma once

// Public interface of libvantrel.so: low-latency multichannel output (and recording)
// through one audio driver plug-in, with progress reported to one window of the
// message facility (WM_ASIO_INPUT_TIME, WM_ASIO_OUTPUT_EVENT, WM_ASIO_REMAIN).
//
// The exports are listed in their ordinal order (ELF has no ordinals; callers bind by
// name). Results: 1 or 0, a count, or -1 when no driver is selected, a channel is out
// of range or an argument is refused. Nothing is thrown across this interface.

#include <stdint.h>

#if defined(VANTREL_BUILD)
#define VANTREL_API __attribute__((visibility("default")))
#else
#define VANTREL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// One driver channel (48 bytes).
typedef struct ChannelInformation {
    int32_t channel;    // the channel asked for
    int32_t active;     // 1 when the driver reports it active
    int32_t group;      // the driver's channel group
    int32_t sampleType; // the driver's sample type code
    char name[32];      // zero-filled, at most 31 characters
} ChannelInformation;

// One clock source (48 bytes).
typedef struct ClockSourceInformation {
    int32_t associatedChannel;
    int32_t associatedGroup;
    int32_t isCurrent; // 1 when it is the current source
    int32_t reserved;  // left as the caller had it
    char name[32];     // not terminated when the name fills it
} ClockSourceInformation;

#define VANTREL_LEVEL_UNAVAILABLE 18446744073709541376.0
#define VANTREL_LEVEL_SILENCE (-9999.99)

/*  1 */ VANTREL_API int VANTREL_AsioDriverInitialize(int driverIndex);
/*  2 */ VANTREL_API int VANTREL_CanSample(int rate);
/*  3 */ VANTREL_API int VANTREL_GetAsioDriverName(int index, char* buffer, int bufferLength);
/*  4 */ VANTREL_API int VANTREL_GetClockSourceInformation(int index, ClockSourceInformation* record);
/*  5 */ VANTREL_API double VANTREL_GetCurrentInputLevel(int channel);
/*  6 */ VANTREL_API double VANTREL_GetCurrentInputLevelLin(int channel);
/*  7 */ VANTREL_API int VANTREL_GetInputChannelInformation(int channel, ChannelInformation* record);
/*  8 */ VANTREL_API int VANTREL_GetInputData(int channel, double* buffer, int count);
/*  9 */ VANTREL_API int VANTREL_GetInputDataSize(int channel);
/* 10 */ VANTREL_API int VANTREL_GetInputPointerState(int channel);
/* 11 */ VANTREL_API int VANTREL_GetLatencies(int* input, int* output);
/* 12 */ VANTREL_API double VANTREL_GetMaximumInputLevel(int channel);
/* 13 */ VANTREL_API int VANTREL_GetNumberOfAsioDrivers(void);
/* 14 */ VANTREL_API int VANTREL_GetNumberOfChannels(int* inputs, int* outputs);
/* 15 */ VANTREL_API int VANTREL_GetNumberOfClockSources(void);
/* 16 */ VANTREL_API int VANTREL_GetOutputChannelInformation(int channel, ChannelInformation* record);
/* 17 */ VANTREL_API int VANTREL_GetOutputRemainSample(int channel);
/* 18 */ VANTREL_API int VANTREL_InitializeALLInputBuffer(void);
/* 19 */ VANTREL_API int VANTREL_InitializeInputBuffer(int channel);
/* 20 */ VANTREL_API int VANTREL_IsTimeouted(void);
/* 21 */ VANTREL_API int VANTREL_IsWorking(void);
/* 22 */ VANTREL_API int VANTREL_Prepare(int inputCount, int* inputChannels, int outputCount,
                                         int* outputChannels, int inputStoreSamples, int outputStoreSamples,
                                         int loop, int rate, double levelTimeConstant);
/* 23 */ VANTREL_API int VANTREL_ResetMaximumInputLevel(int channel);
/* 24 */ VANTREL_API int VANTREL_SetClockSource(int index);
/* 25 */ VANTREL_API int VANTREL_SetNotifyFlag(int flags);
/* 26 */ VANTREL_API int VANTREL_SetOutputData(int channel, double* data, int count);
/* 27 */ VANTREL_API int VANTREL_SetOutputWaveData(int channel, void* data, int count, int type);
/* 28 */ VANTREL_API int VANTREL_SetSample(int rate);
/* 29 */ VANTREL_API int VANTREL_SetWindowHandle(intptr_t window);
/* 30 */ VANTREL_API int VANTREL_Start(int inputCount, int* inputChannels, int outputCount,
                                       int* outputChannels, int samples, double* data, int rate,
                                       double levelTimeConstant);
/* 31 */ VANTREL_API int VANTREL_StartEx(void);
/* 32 */ VANTREL_API int VANTREL_Stop(void);

#ifdef __cplusplus
}
#endif
