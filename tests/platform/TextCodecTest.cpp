#include "TextCodec.h"

#include <gtest/gtest.h>

using namespace tamvik;

namespace {

const QString kJapanese = QString::fromUtf8("日本語 text");
// The same text in CP932: 日 93FA, 本 967B, 語 8CEA.
const QByteArray kCp932("\x93\xfa\x96\x7b\x8c\xea text");

} // namespace

TEST(TextCodec, DetectsAndDecodesEveryEncoding) {
    const struct {
        const char* name;
        QByteArray bytes;
        TextEncoding encoding;
    } cases[] = {
        {"UTF-16LE mark", EncodeText(kJapanese, TextEncoding::Utf16LE), TextEncoding::Utf16LE},
        {"UTF-16BE mark", EncodeText(kJapanese, TextEncoding::Utf16BE), TextEncoding::Utf16BE},
        {"UTF-8 mark", EncodeText(kJapanese, TextEncoding::Utf8Bom), TextEncoding::Utf8Bom},
        {"valid UTF-8, no mark", kJapanese.toUtf8(), TextEncoding::Utf8},
        {"CP932, no mark", kCp932, TextEncoding::Cp932},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectTextEncoding(c.bytes), c.encoding) << c.name;
        EXPECT_EQ(DecodeText(c.bytes), kJapanese) << c.name;
    }
    EXPECT_EQ(DetectTextEncoding(QByteArray()), TextEncoding::Utf8);
    EXPECT_EQ(DecodeText(QByteArray()), QString());
}

TEST(TextCodec, WritesTheMarks) {
    EXPECT_EQ(EncodeText("A", TextEncoding::Utf16LE), QByteArray("\xFF\xFE\x41\x00", 4));
    EXPECT_EQ(EncodeText("A", TextEncoding::Utf16BE), QByteArray("\xFE\xFF\x00\x41", 4));
    EXPECT_EQ(EncodeText("A", TextEncoding::Utf8Bom), QByteArray("\xEF\xBB\xBF"
                                                                 "A"));
    EXPECT_EQ(EncodeText("A", TextEncoding::Utf8), QByteArray("A"));
    EXPECT_EQ(EncodeText(kJapanese, TextEncoding::Cp932), kCp932);
}

TEST(TextCodec, DamagedInputStillDecodes) {
    // An odd UTF-16 byte count, a lone lead byte of CP932 at the end and bytes CP932 does
    // not map: each decodes with a replacement instead of failing or losing the rest.
    EXPECT_TRUE(DecodeText(QByteArray("\xFF\xFE\x41\x00\x42", 5)).startsWith("A"));
    EXPECT_EQ(DecodeText(QByteArray("ab\x93"), TextEncoding::Cp932), QString("ab") + QChar(0xFFFD));
    const QString mixed = DecodeText(QByteArray("x\xA0\xFFy"), TextEncoding::Cp932);
    EXPECT_TRUE(mixed.startsWith("x") && mixed.endsWith("y")) << mixed.toStdString();
    // A UTF-8 mark alone and a UTF-16 mark alone are empty texts.
    EXPECT_EQ(DecodeText(QByteArray("\xEF\xBB\xBF")), QString());
    EXPECT_EQ(DecodeText(QByteArray("\xFF\xFE")), QString());
}
