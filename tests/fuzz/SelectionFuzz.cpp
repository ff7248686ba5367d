// Feeds arbitrary text to the readers of trial ranges ("1-3,5") and selection texts, with
// a trial count from the input's first two bytes: nothing may crash, a range expands to
// ascending trial numbers of 1..count that its compressed form expands to again, and a
// selection mask has one 0 or 1 per trial.
#include "FuzzFiles.h"
#include "SelectionText.h"
#include "TrialRange.h"

#include <QStringList>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // Up to 4096 trials, and now and then none or a negative count.
    const int raw = (data[0] << 8 | data[1]) & 0x1fff;
    const int count = raw <= 4096 ? raw : 4096 - raw;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));

    const QString expanded = ExpandTrialRange(text, count);
    int last = 0;
    for (const QString& item : expanded.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = item.toInt(&ok);
        if (!ok || n <= last || n > count)
            fuzzfiles::Fail("an expanded range is not ascending trial numbers of 1..count");
        last = n;
    }
    if (ExpandTrialRange(CompressTrialRange(expanded), count) != expanded)
        fuzzfiles::Fail("a compressed range expands to other trials");

    std::vector<uint8_t> mask;
    if (BuildSelectionMask(text, count, mask)) {
        if (mask.size() != static_cast<size_t>(count))
            fuzzfiles::Fail("a selection mask has not one entry per trial");
        for (const uint8_t m : mask) {
            if (m > 1)
                fuzzfiles::Fail("a selection mask entry is neither 0 nor 1");
        }
    } else if (count >= 0) {
        fuzzfiles::Fail("a selection of a count of at least 0 was refused");
    }
    (void)SplitCommaText(text);
    return 0;
}
