#pragma once

#include <cstdint>

namespace vantrel {

// Memory formats in which callers hand samples to an output storage.
enum SampleFormat : int {
    kFormatInt16 = 0,
    kFormatInt32 = 1,
    kFormatFloat32 = 2,
    kFormatFloat64 = 3,
};

// Bytes of one sample of a driver sample type; -1 for a type without a size.
int BytesPerSample(int sampleType);
bool IsFloatSampleType(int sampleType);
bool IsBigEndianSampleType(int sampleType);
// Bytes of one sample of a SampleFormat; -1 for another code.
int FormatBytesPerSample(int format);

// Whether samples of `format` may be stored into a channel of `sampleType`. Refused:
// an unknown format or type, the packed 24-bit types, and 32-bit integers into the
// 16/18/20/24-bit-in-32 types.
bool CanConvertSamples(int format, int sampleType);

// Converts `count` samples of `format` at `source` into `count` samples of
// `sampleType` at `destination` (byte order included). Integer sources scale to the
// target's width; float sources are scaled and truncated toward zero, saturating at
// the target's range, NaN becoming 0. Precondition: CanConvertSamples(format, sampleType).
// The buffers may be unaligned.
void ConvertSamples(int format, const void* source, int64_t count, int sampleType, void* destination);

// Whether an input channel of `sampleType` can be recorded (the 32-bit integer and
// float types; 16-bit and packed 24-bit inputs are not).
bool IsDecodableInputType(int sampleType);

} // namespace vantrel
