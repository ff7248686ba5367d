#include "Cterm.h"
#include "EntryText.h"
#include "IniFile.h"
#include "TestDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

CTerminalInfo Loaded(const TestDir& dir, const QString& text) {
    const QString path = dir.file("TERM.INI");
    EXPECT_TRUE(WriteEntry(path, text));
    CTerminalInfo t;
    t.Load(path);
    return t;
}

} // namespace

TEST(Terminal, SerialEntryByteExactAndRoundTrip) {
    TestDir dir;
    const QString path = dir.file("TERM.INI");
    CTerminalInfo t;
    t.type = 1;
    t.SetTerminalCount(3);
    t.serial = std::make_unique<CSerialTerminalInfo>();
    t.serial->baudRate = 19200;
    t.serial->ports = {3, 5, -1};
    t.Save(path, true);
    EXPECT_EQ(ReadFileBytes(path),
              EntryBytes("[TERMINAL]\nTYPE=SERIAL\nNTERMS=3\nBAUD=19200\nPORTS=3,5,-1\n\n"));
    CTerminalInfo back;
    back.Load(path);
    EXPECT_EQ(back, t);
}

TEST(Terminal, NetworkNeverWritesSerialKeys) {
    TestDir dir;
    const QString path = dir.file("TERM.INI");
    CTerminalInfo t;
    t.serial = std::make_unique<CSerialTerminalInfo>(CSerialTerminalInfo{4800, {1, 2}});
    t.SetTerminalCount(2);
    t.Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes("[TERMINAL]\nTYPE=NETWORK\nNTERMS=2\n\n"));
    // A serial type without settings writes no serial keys either.
    t.type = 1;
    t.serial.reset();
    t.Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes("[TERMINAL]\nTYPE=SERIAL\nNTERMS=2\n\n"));
}

TEST(Terminal, ReadingRules) {
    TestDir dir;
    const struct {
        const char* name;
        const char* text;
        int type;
        int count;
        int baud; // -1: no serial settings
        std::vector<int> ports;
    } cases[] = {
        {"lower-case serial",
         "[terminal]\ntype=serial\nnterms=2\nbaud=4800\nports=7,8\n",
         1,
         2,
         4800,
         {7, 8}},
        {"other word is network", "[TERMINAL]\nTYPE=USB\nNTERMS=2\nBAUD=4800\nPORTS=7,8\n", 0, 2, -1, {}},
        {"missing keys", "[TERMINAL]\n", 0, 0, -1, {}},
        {"ports padded", "[TERMINAL]\nTYPE=SERIAL\nNTERMS=4\nPORTS=3,5\n", 1, 4, 9600, {3, 5, 0, 0}},
        {"ports cut", "[TERMINAL]\nTYPE=SERIAL\nNTERMS=4\nPORTS=1,2,3,4,5\n", 1, 4, 9600, {1, 2, 3, 4}},
        {"bad ports", "[TERMINAL]\nTYPE=SERIAL\nNTERMS=3\nPORTS=x,,9\n", 1, 3, 9600, {0, 0, 9}},
        {"baud 0", "[TERMINAL]\nTYPE=SERIAL\nNTERMS=1\nBAUD=0\nPORTS=1\n", 1, 1, 9600, {1}},
        {"baud word", "[TERMINAL]\nTYPE=SERIAL\nNTERMS=1\nBAUD=fast\n", 1, 1, 9600, {0}},
        {"negative count", "[TERMINAL]\nTYPE=SERIAL\nNTERMS=-3\nPORTS=1,2\n", 1, 0, 9600, {}},
        {"count word", "[TERMINAL]\nNTERMS=many\n", 0, 0, -1, {}},
    };
    for (const auto& c : cases) {
        const CTerminalInfo t = Loaded(dir, c.text);
        EXPECT_EQ(t.type, c.type) << c.name;
        EXPECT_EQ(t.GetTerminalCount(), c.count) << c.name;
        if (c.baud < 0) {
            EXPECT_EQ(t.serial, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(t.serial, nullptr) << c.name;
        EXPECT_EQ(t.serial->baudRate, c.baud) << c.name;
        EXPECT_EQ(t.serial->ports, c.ports) << c.name;
    }
}

TEST(Terminal, CountAboveTheBoundIsClampedToIt) {
    TestDir dir;
    for (const char* count : {"4097", "1000000", "2147483647", "99999999999", "+99999999999"}) {
        const CTerminalInfo t =
            Loaded(dir, QString("[TERMINAL]\nTYPE=SERIAL\nNTERMS=%1\nPORTS=1,2\n").arg(count));
        EXPECT_EQ(t.GetTerminalCount(), CTerminalInfo::MaxLoadTerminalCount) << count;
        EXPECT_TRUE(t.CountWasClamped()) << count;
        ASSERT_NE(t.serial, nullptr);
        ASSERT_EQ(t.serial->ports.size(), 4096u) << count;
        EXPECT_EQ(t.serial->ports[1], 2) << count;
        EXPECT_EQ(t.serial->ports[4095], 0) << count;
    }
    // Saved as the bound, not as 0.
    const QString path = dir.file("TERM.INI");
    Loaded(dir, "[TERMINAL]\nTYPE=NETWORK\nNTERMS=5000\n").Save(path, true);
    EXPECT_TRUE(ReadEntryText(path).contains("NTERMS=4096\n")) << ReadEntryText(path).toStdString();
    // The bound itself reads as it stands; so do small, bad and zero counts.
    const struct {
        const char* count;
        int expected;
    } plain[] = {{"4096", 4096}, {"3", 3}, {"0", 0}, {"000", 0}, {"-99999999999", 0}, {"many", 0}};
    for (const auto& c : plain) {
        const CTerminalInfo t = Loaded(dir, QString("[TERMINAL]\nNTERMS=%1\n").arg(c.count));
        EXPECT_EQ(t.GetTerminalCount(), c.expected) << c.count;
        EXPECT_FALSE(t.CountWasClamped()) << c.count;
    }
}

TEST(Terminal, CountAndClear) {
    CTerminalInfo t;
    t.SetTerminalCount(5);
    t.SetTerminalCount(-1);
    EXPECT_EQ(t.GetTerminalCount(), 5);
    t.type = 1;
    t.serial = std::make_unique<CSerialTerminalInfo>(CSerialTerminalInfo{9600, {1}});
    t.SetTerminalCount(3);
    EXPECT_EQ(t.serial->ports, std::vector<int>{1}) << "the port list is not touched";

    const CTerminalInfo copy = t; // snapshots are deep copies
    t.serial->ports.push_back(2);
    EXPECT_EQ(copy.serial->ports, std::vector<int>{1});

    t.Clear();
    EXPECT_EQ(t, CTerminalInfo());
    TestDir dir;
    CTerminalInfo loaded = copy;
    loaded.Load(dir.file("none.ini"));
    EXPECT_EQ(loaded, CTerminalInfo()) << "a missing file leaves this part cleared";
}
