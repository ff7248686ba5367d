#pragma once

#include <cstdint>
#include <map>

// The sample rates (Hz) the current output device plays, each with the number of output
// channels it plays at that rate. A rate that is not a key cannot be played. Built by the
// main window's rate probe; the windows that play keep copies.
using DeviceFormatMap = std::map<int32_t, int32_t>;
