// Feeds arbitrary bytes to the reader of a schedule (the SCHEDULE section and its trials):
// nothing may crash, and what it read comes back as it was written (see RoundTrip).
#include "Csch.h"
#include "FuzzFiles.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzfiles::RoundTrip<CSchedule>(
        fuzzfiles::IniOf(data, size), [](CSchedule& part, const tamvik::IniFile& ini) { part.Load(ini); },
        "a schedule changed on its way through a file");
    return 0;
}
