#pragma once

#include "DeviceFormatMap.h"

#include <QString>
#include <cstdint>
#include <vector>

// Where stimuli play: the output path, the device on it, what the device plays and how
// file channels map onto its outputs. The main window builds it from the options and the
// device probe, and hands the whole value to every window that plays (the card, the
// audition, the test run); none of them reads the settings on its own.
struct OutputSelection {
    bool useMME = false;       // wave-out (ALSA) path; otherwise the low-latency library
    int32_t soundDeviceId = 0; // wave-out device (-1 ALSA's "default") or driver index
    QString soundDeviceName;   // as the options dialog lists it
    DeviceFormatMap deviceFormats;
    // The output channel of each file channel on the low-latency path; empty: in order.
    std::vector<int32_t> asioChannelOrder;
    int32_t asioBlockFrames = 96000; // frames per refill on the low-latency path
    bool mono2Stereo = true;         // a mono file plays on the first two outputs

    bool operator==(const OutputSelection&) const = default;
};
