// Feeds arbitrary bytes to the readers of stored results, a test response (RSPnnnn.INI) and
// a set of questionnaire answers (QSRnnnn.INI): nothing may crash, and what they read comes
// back as it was written.
#include "CQuestionnaireResults.h"
#include "Crsp.h"
#include "FuzzFiles.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString root = fuzzfiles::WorkRoot("resultsfuzz");
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // The response reads its entry file: every snapshot, the date and the answers.
    const QString path = root + QStringLiteral("/RSP0001.INI");
    fuzzfiles::WriteFile(path, input);
    // Written and read twice (see RoundTrip), the second reading writes what the first did.
    CResponse response;
    if (response.Load(path)) {
        QString texts[2];
        for (QString& text : texts) {
            tamvik::IniFile written;
            response.Save(written);
            fuzzfiles::WriteFile(path, written.ToBytes());
            // Answers that are all empty write an empty RESPONSE, which reads as no response.
            const bool answered =
                !written.ReadString(CResponse::Section, QStringLiteral("RESPONSE"), QString()).isEmpty();
            if (!response.Load(path)) {
                if (answered)
                    fuzzfiles::Fail("a written response does not read");
                return 0;
            }
            tamvik::IniFile rewritten;
            response.Save(rewritten);
            text = rewritten.ToText();
        }
        if (texts[1] != texts[0])
            fuzzfiles::Fail("a response changed on its way through a file");
    }

    fuzzfiles::RoundTrip<CQuestionnaireResults>(
        fuzzfiles::IniOf(data, size),
        [](CQuestionnaireResults& part, const tamvik::IniFile& ini) { part.Load(ini); },
        "questionnaire results changed on their way through a file");
    return 0;
}
