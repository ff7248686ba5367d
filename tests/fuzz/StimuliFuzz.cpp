// Feeds arbitrary bytes to the reader of a stimulus list (the STIMULI section): nothing may
// crash, and what it read comes back as it was written (see RoundTrip).
#include "Cstim.h"
#include "FuzzFiles.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzfiles::RoundTrip<CStimuli>(
        fuzzfiles::IniOf(data, size), [](CStimuli& part, const tamvik::IniFile& ini) { part.Load(ini); },
        "a stimulus list changed on its way through a file");
    return 0;
}
