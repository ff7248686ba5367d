#include "Crsp.h"

#include "EntryText.h"
#include "TestDir.h"

#include <gtest/gtest.h>

// Found by GoogleTest through argument-dependent look-up, so it lives beside the class.
void PrintTo(const CTerminalResponse& r, std::ostream* os) {
    *os << r.id << "/" << r.id2 << ":";
    for (const QString& a : r.answers)
        *os << " [" << a.toStdString() << "]";
}

namespace {

CTerminalResponse Terminal(int id, int id2, std::vector<QString> answers) {
    CTerminalResponse r;
    r.id = id;
    r.id2 = id2;
    r.answers = std::move(answers);
    return r;
}

// A response whose snapshots all hold something, so that their sections show in the file.
CResponse Example() {
    CResponse r;
    r.date = 45000.5;
    r.terminalResponses = {Terminal(12, 0, {"1", "2"}), Terminal(34, 0, {"3", "2"})};
    r.terminalInfo.type = 1;
    r.terminalInfo.SetTerminalCount(2);
    r.terminalInfo.serial = std::make_unique<CSerialTerminalInfo>();
    r.terminalInfo.serial->ports = {3, 4};
    r.stimuli.SetCount(2);
    r.stimuli[0].fileName = QStringLiteral("a.wav");
    r.stimuli[1].fileName = QStringLiteral("b.wav");
    r.schedule.name = QStringLiteral("main");
    r.schedule.SetStimulusCount(1);
    r.schedule.SetTrialCount(2);
    r.schedule.trials[0].stimuli = {1};
    r.schedule.trials[1].stimuli = {2};
    r.experimentParameter.SetMethod(3);
    r.experimentParameter.GetCategory()->buttonLabels = {QStringLiteral("yes"), QStringLiteral("no")};
    return r;
}

void ExpectSame(const CResponse& a, const CResponse& b) {
    EXPECT_EQ(a.date, b.date);
    EXPECT_EQ(a.terminalResponses, b.terminalResponses);
    EXPECT_TRUE(a.terminalInfo == b.terminalInfo);
    EXPECT_TRUE(a.stimuli == b.stimuli);
    EXPECT_TRUE(a.schedule == b.schedule);
    EXPECT_TRUE(a.experimentParameter == b.experimentParameter);
}

CResponse LoadText(const TestDir& dir, const QString& text, bool expected) {
    const QString path = dir.file(QStringLiteral("RSP0000.INI"));
    EXPECT_TRUE(WriteEntry(path, text));
    CResponse r;
    EXPECT_EQ(r.Load(path), expected) << text.toStdString();
    return r;
}

} // namespace

TEST(Response, ExampleIsWrittenAfterTheSnapshotsByteExact) {
    TestDir dir;
    const CResponse r = Example();
    // The snapshot sections are what each part writes into one file, in this order.
    const QString parts = dir.file(QStringLiteral("parts.ini"));
    r.terminalInfo.Save(parts, true);
    r.stimuli.Save(parts, false);
    r.schedule.Save(parts, false);
    r.experimentParameter.Save(parts, false);

    const QString path = dir.file(QStringLiteral("RSP0000.INI"));
    r.Save(path);
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(parts) + EntryBytes(QStringLiteral("[RESPONSE]\n"
                                                                                    "DATE=45000.5\n"
                                                                                    "ID=12,34\n"
                                                                                    "ID2=0,0\n"
                                                                                    "RESPONSE=1,3|2,2\n"
                                                                                    "\n"))
                                                              .mid(2))
        << ReadEntryText(path).toStdString();
    EXPECT_TRUE(ReadEntryText(path).startsWith(QStringLiteral("[TERMINAL]\n")));

    CResponse back;
    ASSERT_TRUE(back.Load(path));
    ExpectSame(back, r);
}

TEST(Response, AnswersWithSeparatorsAndLineBreaksRoundTrip) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("RSP0001.INI"));
    CResponse r;
    r.date = 46000.125;
    r.terminalResponses = {Terminal(1, -1, {"a,b", "x\r\ny", ""}), Terminal(2, 7, {"", "$\\n", "c"})};
    r.Save(path);
    CResponse back;
    ASSERT_TRUE(back.Load(path)) << ReadEntryText(path).toStdString();
    r.terminalResponses[1].answers[1] = QStringLiteral("\r\n"); // the escape typed literally
    ExpectSame(back, r);
}

TEST(Response, EntriesAreReadIntoTerminals) {
    struct Case {
        const char* keys;
        std::vector<CTerminalResponse> expected;
    };
    const Case cases[] = {
        {"ID=12,34\nID2=0,0\nRESPONSE=1,3|2,2", {Terminal(12, 0, {"1", "2"}), Terminal(34, 0, {"3", "2"})}},
        {"ID=1\nRESPONSE=||", {Terminal(1, -1, {"", "", ""})}},
        {"ID=1,2\nRESPONSE=1,2|3", {Terminal(1, -1, {"1", "3"}), Terminal(2, -1, {"2"})}},
        {"ID=5,6,7\nID2=9\nRESPONSE=a,b,c",
         {Terminal(5, 9, {"a"}), Terminal(6, -1, {"b"}), Terminal(7, -1, {"c"})}},
        {"ID=x\nRESPONSE=a", {Terminal(0, -1, {"a"})}},
        {"ID=1,\nID2=y,3\nRESPONSE=a,b", {Terminal(1, 0, {"a"}), Terminal(0, 3, {"b"})}},
        {"ID=1\nRESPONSE=a,b,c|d", {Terminal(1, -1, {"a", "d"})}}, // surplus items ignored
        {"ID=1,2\nRESPONSE=|a,b|", {Terminal(1, -1, {"", "a", ""}), Terminal(2, -1, {"b"})}},
        {"ID=1,2\nRESPONSE=a$\\cb,c$\\Nd", {Terminal(1, -1, {"a,b"}), Terminal(2, -1, {"c\r\nd"})}},
        // No escape for the bar: an answer holding one is split there.
        {"ID=1\nRESPONSE=a|b", {Terminal(1, -1, {"a", "b"})}},
    };
    TestDir dir;
    for (const Case& c : cases) {
        const CResponse r =
            LoadText(dir, QStringLiteral("[RESPONSE]\nDATE=3.5\n") + QLatin1String(c.keys), true);
        EXPECT_EQ(r.terminalResponses, c.expected) << c.keys;
        EXPECT_EQ(r.date, 3.5);
    }
    EXPECT_EQ(LoadText(dir, QStringLiteral("[RESPONSE]\nDATE=bad\nID=1\nRESPONSE=a"), true).date, 0.0);
}

TEST(Response, UnusableEntriesAreRefusedAndLeaveTheResponseCleared) {
    TestDir dir;
    const QString snapshot = QStringLiteral("[STIMULI]\nNSTIMULI=1\n\n[EXPERIMENT]\nMETHOD=4\n\n");
    for (const char* keys :
         {"DATE=2\nRESPONSE=a", "DATE=2\nID=\nRESPONSE=a", "DATE=2\nID=1", "DATE=2\nID=1\nRESPONSE="}) {
        const QString path = dir.file(QStringLiteral("RSP0000.INI"));
        ASSERT_TRUE(WriteEntry(path, snapshot + QStringLiteral("[RESPONSE]\n") + QLatin1String(keys)));
        CResponse r = Example();
        EXPECT_FALSE(r.Load(path)) << keys;
        EXPECT_TRUE(r.terminalResponses.empty()) << keys;
        EXPECT_EQ(r.date, 0.0) << keys;
        EXPECT_EQ(r.stimuli.GetCount(), 0) << keys;
        EXPECT_EQ(r.schedule.GetTrialCount(), 0) << keys;
        EXPECT_EQ(r.terminalInfo.GetTerminalCount(), 0) << keys;
    }
    CResponse r = Example();
    EXPECT_FALSE(r.Load(dir.file(QStringLiteral("missing.ini"))));
    EXPECT_TRUE(r.terminalResponses.empty());
}

TEST(Response, UnevenAnswerListsAreSavedAsLongAsTheLongest) {
    struct Case {
        std::vector<CTerminalResponse> saved;
        const char* response;
        std::vector<CTerminalResponse> loaded;
    };
    const Case cases[] = {
        {{Terminal(1, 0, {"a"}), Terminal(2, 0, {"b", "c", "d"})},
         "a,b|,c|,d",
         {Terminal(1, 0, {"a", "", ""}), Terminal(2, 0, {"b", "c", "d"})}},
        {{Terminal(1, 0, {"a", "b"}), Terminal(2, 0, {})},
         "a,|b,",
         {Terminal(1, 0, {"a", "b"}), Terminal(2, 0, {"", ""})}},
        {{Terminal(1, 0, {}), Terminal(2, 0, {"x"})}, ",x", {Terminal(1, 0, {""}), Terminal(2, 0, {"x"})}},
    };
    TestDir dir;
    const QString path = dir.file(QStringLiteral("RSP0000.INI"));
    for (const Case& c : cases) {
        CResponse r;
        r.terminalResponses = c.saved;
        r.Save(path);
        EXPECT_TRUE(ReadEntryText(path).contains(QStringLiteral("\nRESPONSE=%1\n").arg(c.response)))
            << ReadEntryText(path).toStdString();
        CResponse back;
        ASSERT_TRUE(back.Load(path)) << c.response;
        EXPECT_EQ(back.terminalResponses, c.loaded) << c.response;
    }
}

TEST(Response, ResponsesWithoutUsableAnswersAreNotReadBack) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("RSP0000.INI"));
    for (const auto& terminals : {std::vector<CTerminalResponse>{}, std::vector{Terminal(1, 0, {})},
                                  std::vector{Terminal(1, 0, {""})}}) {
        CResponse r;
        r.terminalResponses = terminals;
        r.Save(path);
        CResponse back;
        EXPECT_FALSE(back.Load(path)) << ReadEntryText(path).toStdString();
    }
}

TEST(Response, SaveReplacesTheWholeFile) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("RSP0000.INI"));
    ASSERT_TRUE(WriteEntry(path, QStringLiteral("[OLD]\nK=v\n\n[RESPONSE]\nEXTRA=1\n\n")));
    Example().Save(path);
    EXPECT_FALSE(ReadEntryText(path).contains(QStringLiteral("OLD")));
    EXPECT_FALSE(ReadEntryText(path).contains(QStringLiteral("EXTRA")));
    EXPECT_THROW(Example().Save(dir.file(QStringLiteral("no/such/RSP0000.INI"))), std::runtime_error);
}

TEST(Response, ClearResetsSnapshotsButKeepsTheMethod) {
    CResponse r = Example();
    r.Clear();
    EXPECT_TRUE(r.terminalResponses.empty());
    EXPECT_EQ(r.date, 0.0);
    EXPECT_EQ(r.stimuli.GetCount(), 0);
    EXPECT_EQ(r.terminalInfo.type, 0);
    EXPECT_EQ(r.experimentParameter.GetMethod(), 3);
    ASSERT_NE(r.experimentParameter.GetCategory(), nullptr);
    EXPECT_TRUE(*r.experimentParameter.GetCategory() == CExpCategory());
}
