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

// Results of the exports that answer yes or no (and of VANTREL_Start, VANTREL_Stop...).
#define VANTREL_FALSE 0
#define VANTREL_TRUE 1
// Result of the sample-count exports for a channel out of range or a refused argument.
#define VANTREL_REFUSED (-1)

// Bits of VANTREL_SetNotifyFlag: which messages the window gets.
#define VANTREL_NOTIFY_SAMPLE_COUNTS 0x1    // WM_ASIO_REMAIN for inputs and outputs
#define VANTREL_NOTIFY_TIMES_AND_EVENTS 0x2 // WM_ASIO_INPUT_TIME, WM_ASIO_OUTPUT_EVENT
#define VANTREL_NOTIFY_OUTPUT_ONLY 0x100    // WM_ASIO_OUTPUT_EVENT and the output WM_ASIO_REMAIN
// What a host that plays (and records) wants.
#define VANTREL_NOTIFY_HOST                                                                                  \
    (VANTREL_NOTIFY_SAMPLE_COUNTS | VANTREL_NOTIFY_TIMES_AND_EVENTS | VANTREL_NOTIFY_OUTPUT_ONLY)

// The messages posted to the window (message numbers of the message facility).
#define VANTREL_WM_INPUT_TIME 0x1600   // wParam kind | channel, lParam ms recorded
#define VANTREL_WM_OUTPUT_EVENT 0x1601 // wParam kind | channel, lParam ms played or 0
#define VANTREL_WM_REMAIN 0x1602       // wParam kind | channel, lParam samples

// Kinds: the high word of wParam; the low word is the channel where one is named.
#define VANTREL_MESSAGE_KIND(wParam) ((int)(((wParam) >> 16) & 0xFFFF))
#define VANTREL_MESSAGE_CHANNEL(wParam) ((int)((wParam)&0xFFFF))
// WM_ASIO_INPUT_TIME: the input's recorded time, or (kind 0, wParam 0) the stream stopped.
#define VANTREL_INPUT_STOPPED 0
#define VANTREL_INPUT_TIME 1
// WM_ASIO_OUTPUT_EVENT.
#define VANTREL_OUTPUT_STARTED 1  // posted also when the driver's start failed
#define VANTREL_OUTPUT_POSITION 2 // lParam: ms played of the channel
#define VANTREL_OUTPUT_RAN_DRY 3  // once per dry spell of the channel
#define VANTREL_OUTPUT_STOPPED 4
// WM_ASIO_REMAIN.
#define VANTREL_REMAIN_INPUT 0  // lParam: samples available to take
#define VANTREL_REMAIN_OUTPUT 1 // lParam: samples written and not yet played

// Source formats of VANTREL_SetOutputWaveData (native byte order).
#define VANTREL_FORMAT_INT16 0
#define VANTREL_FORMAT_INT32 1
#define VANTREL_FORMAT_FLOAT32 2
#define VANTREL_FORMAT_FLOAT64 3

// Sample types of a driver channel (ChannelInformation::sampleType): byte order, width.
#define VANTREL_SAMPLE_INT16_MSB 0
#define VANTREL_SAMPLE_INT24_MSB 1
#define VANTREL_SAMPLE_INT32_MSB 2
#define VANTREL_SAMPLE_FLOAT32_MSB 3
#define VANTREL_SAMPLE_FLOAT64_MSB 4
#define VANTREL_SAMPLE_INT32_MSB16 8
#define VANTREL_SAMPLE_INT32_MSB18 9
#define VANTREL_SAMPLE_INT32_MSB20 10
#define VANTREL_SAMPLE_INT32_MSB24 11
#define VANTREL_SAMPLE_INT16_LSB 16
#define VANTREL_SAMPLE_INT24_LSB 17
#define VANTREL_SAMPLE_INT32_LSB 18
#define VANTREL_SAMPLE_FLOAT32_LSB 19
#define VANTREL_SAMPLE_FLOAT64_LSB 20
#define VANTREL_SAMPLE_INT32_LSB16 24
#define VANTREL_SAMPLE_INT32_LSB18 25
#define VANTREL_SAMPLE_INT32_LSB20 26
#define VANTREL_SAMPLE_INT32_LSB24 27

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
