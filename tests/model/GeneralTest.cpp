#include "Cgen.h"
#include "EntryText.h"
#include "IniFile.h"
#include "RadixLocale.h"
#include "TestDir.h"

#include <QFile>
#include <QLocale>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

CProjectGeneral Sample() {
    CProjectGeneral g;
    g.version = "1.0";
    g.title = "Listening test";
    g.user = "lab";
    g.comment = "first, try";
    g.createDate = 45351.75;
    g.updateDates = {45352.5, 45353, 45354.125};
    g.SetMethod(1);
    g.soundDevice = 2;
    g.soundDeviceName = "Speakers";
    return g;
}

const char* const kSampleText = "[PROJECT]\nVERSION=1.0\nTITLE=Listening test\nUSER=lab\n"
                                "COMMENT=first, try\nCREATE=45351.75\nUPDATE=45352.5,45353,45354.125\n"
                                "METHOD=SD\n\n[DEVICE]\nSOUND=2\nSOUNDNAME=Speakers\n\n";

} // namespace

TEST(General, WritesTheEntryByteExactAndReadsItBack) {
    TestDir dir;
    const QString path = dir.file("GENERAL.INI");
    Sample().Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(kSampleText));

    CProjectGeneral back;
    back.soundDevice = 9;
    back.Load(path);
    EXPECT_EQ(back, Sample());
}

TEST(General, MethodKeywords) {
    const struct {
        const char* value;
        int method;
    } cases[] = {{"TRAINING", 0},   {"sd", 1}, {"Pair ", 2},   {"category", 3}, {"Me", 4},
                 {"TRAININGS", -1}, {"", -1},  {"PAIRED", -1}, {"2", -1}};
    TestDir dir;
    const QString path = dir.file("GENERAL.INI");
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteEntry(path, QString("[PROJECT]\nMETHOD=%1\n").arg(c.value)));
        CProjectGeneral g;
        g.Load(path);
        EXPECT_EQ(g.GetMethod(), c.method) << c.value;
    }
    for (int method : {-1, 0, 1, 2, 3, 4})
        EXPECT_EQ(CProjectGeneral::MethodFromKeyword(CProjectGeneral::MethodKeyword(method)), method);
}

TEST(General, OutOfRangeMethodWritesAnEmptyValue) {
    TestDir dir;
    const QString path = dir.file("GENERAL.INI");
    for (int bad : {5, -3}) {
        CProjectGeneral g;
        g.SetMethod(2);
        g.SetMethod(bad);
        EXPECT_EQ(g.GetMethod(), -1) << bad;
        g.Save(path, true);
        tamvik::IniFile ini(path);
        EXPECT_TRUE(ini.ValueExists("PROJECT", "METHOD"));
        EXPECT_EQ(ini.ReadString("PROJECT", "METHOD", "-"), "");
    }
}

TEST(General, BadValuesFallBackToDefaults) {
    TestDir dir;
    const QString path = dir.file("GENERAL.INI");
    ASSERT_TRUE(WriteEntry(
        path, "[project]\ncreate=45351,75\nupdate=1.5,x,,2\nmethod=nothing\n[device]\nsound=two\n"));
    CProjectGeneral g = Sample();
    g.Load(path);
    EXPECT_EQ(g.createDate, 0) << "a comma as decimal separator does not convert";
    EXPECT_EQ(g.updateDates, (std::vector<double>{1.5, 0, 0, 2}));
    EXPECT_EQ(g.GetMethod(), -1);
    EXPECT_EQ(g.soundDevice, 0);
    EXPECT_EQ(g.title, "");
    EXPECT_EQ(g.version, "");
}

TEST(General, MissingFileClearsAllButTheSoundDevice) {
    TestDir dir;
    CProjectGeneral g = Sample();
    g.Load(dir.file("none.ini"));
    CProjectGeneral expected;
    expected.soundDevice = 2;
    EXPECT_EQ(g, expected);
}

TEST(General, NoUpdateDatesWriteAnEmptyValue) {
    TestDir dir;
    const QString path = dir.file("GENERAL.INI");
    CProjectGeneral g = Sample();
    g.updateDates.clear();
    g.Save(path, true);
    tamvik::IniFile ini(path);
    EXPECT_EQ(ini.ReadString("PROJECT", "UPDATE", "-"), "");
    CProjectGeneral back;
    back.Load(path);
    EXPECT_TRUE(back.updateDates.empty());
}

TEST(General, ReplaceFlagDecidesWhetherOtherKeysSurvive) {
    TestDir dir;
    const QString path = dir.file("GENERAL.INI");
    ASSERT_TRUE(WriteEntry(path, "[PROJECT]\nEXTRA=keep\nTITLE=old\n[OTHER]\nK=1\n"));
    Sample().Save(path, false);
    tamvik::IniFile kept(path);
    EXPECT_EQ(kept.ReadString("PROJECT", "EXTRA", "-"), "keep");
    EXPECT_EQ(kept.ReadString("OTHER", "K", "-"), "1");
    EXPECT_EQ(kept.ReadString("PROJECT", "TITLE", "-"), "Listening test");
    EXPECT_EQ(kept.ReadSection("PROJECT").first(), "EXTRA") << "existing keys keep their place";

    Sample().Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(kSampleText));
}

TEST(General, UserLocaleDoesNotChangeTheEntry) {
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // The C library's locale too: a session may bring one whose decimal point is several bytes.
    RadixLocale radix;
    if (!radix.active())
        std::printf("note: only the Qt locale is set; no multi-byte decimal point locale available\n");
    TestDir dir;
    const QString path = dir.file("GENERAL.INI");
    CProjectGeneral g;
    g.createDate = 0.5;
    g.updateDates = {1.25, 2.5};
    g.Save(path, true);
    CProjectGeneral back;
    back.Load(path);
    QLocale::setDefault(old);
    tamvik::IniFile ini(path);
    EXPECT_EQ(ini.ReadString("PROJECT", "CREATE", "-"), "0.5");
    EXPECT_EQ(ini.ReadString("PROJECT", "UPDATE", "-"), "1.25,2.5");
    EXPECT_EQ(back.createDate, 0.5);
}

TEST(General, UnwritableFileThrows) {
    TestDir dir;
    EXPECT_THROW(Sample().Save(dir.file("missing/GENERAL.INI"), true), std::runtime_error);
}
