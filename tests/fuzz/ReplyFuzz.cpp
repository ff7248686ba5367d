// Feeds arbitrary service replies to the record parsers and the reply tests: nothing may
// crash, and a list's records must each parse the same as the line they came from.
#include "ReplyRecord.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ReplyRecord single = ParseKeyValueText(text);
    (void)ReplyTestA(single);
    (void)ReplyTestA2(single);
    (void)ReplyTestB(single);
    (void)ReplyTestC(single);
    (void)ReplyTestC2(single);
    (void)ReplyTestE(text, single);
    (void)ReplyTestE2(single);
    (void)ReplyTestF(single);

    ReplyRecordList list;
    ParseRecordListText(text, list);
    std::int32_t expected = 0;
    for (const auto& [number, record] : list) {
        if (number != expected++)
            std::abort(); // records are numbered densely from 0
        (void)ReplyTestD(record);
    }
    return 0;
}
