#include "Csubidpack.h"

#include <gtest/gtest.h>

TEST(SubIDPack, UnpacksBytesUpToTheFirstZero) {
    struct Case {
        std::uint32_t id;
        std::uint32_t id2;
        QString text;
    };
    const QChar none = QChar::ReplacementCharacter;
    const Case cases[] = {
        {0x44434241, 0x48474645, QStringLiteral("ABCDEFGH")},
        {0x00434241, 0x48474645, QStringLiteral("ABC")},
        {0x44434241, 0x00000000, QStringLiteral("ABCD")},
        {0x34333231, 0x00000000, QStringLiteral("1234")},
        {0x34003231, 0x00000035, QStringLiteral("12")},
        {0x44434241, 0x00004645, QStringLiteral("ABCDEF")},
        {0x00000000, 0x48474645, QString()},
        {0x0000B1B1, 0x00000000, QStringLiteral("ｱｱ")}, // half-width katakana of the terminals
        {0xFFFFFFFF, 0xFFFFFFFF, QString(8, none)},     // the -1 of an absent id
        {0x0000DF80, 0x00000000, QString(none) + QStringLiteral("ﾟ")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSubIDPack().Unpack(static_cast<std::int32_t>(c.id), static_cast<std::int32_t>(c.id2)),
                  c.text)
            << std::hex << c.id << " " << c.id2;
}
