#include "Cterm.h"
#include "EntryText.h"
#include "IniFile.h"
#include "TestDir.h"

#include <QFile>
#include <chrono>
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

TEST(Terminal, HugeCountIsRefusedWithoutAllocating) {
    TestDir dir;
    const auto start = std::chrono::steady_clock::now();
    for (const char* count : {"2147483647", "4097", "1000000"}) {
        const CTerminalInfo t =
            Loaded(dir, QString("[TERMINAL]\nTYPE=SERIAL\nNTERMS=%1\nPORTS=1,2\n").arg(count));
        EXPECT_EQ(t.GetTerminalCount(), 0) << count;
        ASSERT_NE(t.serial, nullptr);
        EXPECT_TRUE(t.serial->ports.empty()) << count;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // The bound itself still reads, padded as usual.
    const CTerminalInfo atBound = Loaded(dir, "[TERMINAL]\nTYPE=SERIAL\nNTERMS=4096\nPORTS=1,2\n");
    EXPECT_EQ(atBound.GetTerminalCount(), CTerminalInfo::MaxLoadTerminalCount);
    ASSERT_NE(atBound.serial, nullptr);
    EXPECT_EQ(atBound.serial->ports.size(), 4096u);
    EXPECT_EQ(atBound.serial->ports[1], 2);
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
