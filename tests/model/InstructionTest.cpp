#include "Cinst.h"
#include "EntryText.h"
#include "TestDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST(Instruction, ThreeLinesByteExactAndBack) {
    TestDir dir;
    const QString path = dir.file("INST.TXT");
    CInstruction inst;
    inst.lines = {"Listen", "", QString::fromUtf8("答え")};
    EXPECT_TRUE(inst.Save(path));
    EXPECT_EQ(ReadFileBytes(path),
              QByteArray("\xFF\xFEL\0i\0s\0t\0e\0n\0\r\0\n\0\r\0\n\0\x54\x7b\x48\x30\r\0\n\0", 2 + 2 * 14));
    CInstruction back;
    back.lines = {"stale"};
    EXPECT_TRUE(back.Load(path));
    EXPECT_EQ(back.lines, inst.lines);
}

TEST(Instruction, ReadsOtherEncodingsAndLineEnds) {
    TestDir dir;
    const QString path = dir.file("INST.TXT");
    const struct {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"UTF-8 with mark",
         QByteArray("\xEF\xBB\xBFone\r\n\xE4\xBA\x8C\r\n"),
         {"one", QString::fromUtf8("二")}},
        {"CP932", QByteArray("\x93\xfa\x96\x7b\nx"), {QString::fromUtf8("日本"), "x"}},
        {"mixed line ends", QByteArray("a\rb\nc\r\n\r\n"), {"a", "b", "c", ""}},
        {"empty file", QByteArray(), {}},
    };
    for (const auto& c : cases) {
        WriteAll(path, c.bytes);
        CInstruction inst;
        inst.Load(path);
        EXPECT_EQ(inst.lines, c.lines) << c.name;
    }
}

TEST(Instruction, MissingFileThrowsAfterEmptying) {
    TestDir dir;
    CInstruction inst;
    inst.lines = {"old"};
    EXPECT_THROW(inst.Load(dir.file("none.txt")), std::runtime_error);
    EXPECT_TRUE(inst.lines.isEmpty());
    EXPECT_THROW(inst.Save(dir.file("missing/INST.TXT")), std::runtime_error);
}
