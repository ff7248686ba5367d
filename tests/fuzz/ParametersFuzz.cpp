// Feeds arbitrary bytes to the readers of the method parameters (EXP.INI, every method) and
// of the questionnaire: nothing may crash, and what they read comes back as it was written
// (see RoundTrip).
#include "Cexp.h"
#include "Cquest.h"
#include "FuzzFiles.h"

#include <cstdint>

using fuzzfiles::RoundTrip;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tamvik::IniFile ini = fuzzfiles::IniOf(data, size);
    // The method named by the file, and each method's parameters read as that method.
    RoundTrip<CExperimentParameter>(
        ini, [](CExperimentParameter& p, const tamvik::IniFile& from) { p.Load(from, true); },
        "the parameters of the file's method changed");
    for (int method = 0; method <= 4; ++method) {
        RoundTrip<CExperimentParameter>(
            ini,
            [method](CExperimentParameter& p, const tamvik::IniFile& from) {
                p.SetMethod(method);
                p.Load(from, false);
            },
            "a method's parameters changed");
    }
    RoundTrip<CQuestionnaire>(
        ini, [](CQuestionnaire& q, const tamvik::IniFile& from) { q.Load(from); },
        "the questionnaire changed");
    return 0;
}
