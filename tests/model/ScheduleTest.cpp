#include "Csch.h"

#include "EntryText.h"
#include "TestDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>

namespace {

CTrial Trial(int repeat, double startWait, std::vector<int> stimuli, std::vector<double> intervals,
             double responseWait, int correct) {
    CTrial t;
    t.repeatCount = repeat;
    t.startWait = startWait;
    t.stimuli = std::move(stimuli);
    t.intervals = std::move(intervals);
    t.responseWait = responseWait;
    t.correctAnswer = correct;
    return t;
}

CSchedule Example() {
    CSchedule s;
    s.name = QStringLiteral("Sch A");
    s.SetStimulusCount(3);
    s.SetTrialCount(2);
    s.trials[0] = Trial(1, 0, {1, 2, 3}, {1, 1.5}, 3, -1);
    s.trials[1] = Trial(2, 0.5, {3, 2, 1}, {1, 1}, 3, 2);
    return s;
}

const QString ExampleText = QStringLiteral("[SCHEDULE]\n"
                                           "NAME=Sch A\n"
                                           "COMMENT=\n"
                                           "STIMULI=1,2,3|3,2,1\n"
                                           "REPEATS=1|2\n"
                                           "STARTWAITS=0|0.5\n"
                                           "RESPONSEWAITS=3|3\n"
                                           "INTERVALS=1,1.5|1,1\n"
                                           "CORRECTS=-1|2\n"
                                           "\n");

CSchedule LoadText(const TestDir& dir, const QString& body) {
    const QString path = dir.file(QStringLiteral("SCH0000.INI"));
    EXPECT_TRUE(WriteEntry(path, QStringLiteral("[SCHEDULE]\nNAME=n\nCOMMENT=c\n") + body));
    CSchedule s = Example(); // Load must start from a cleared schedule
    s.Load(path);
    return s;
}

CSchedule Numbered(int trials, int positions) {
    CSchedule s;
    s.SetStimulusCount(positions);
    s.SetTrialCount(trials);
    for (int i = 0; i < trials; ++i) {
        s.trials[i].repeatCount = i + 1;
        for (int j = 0; j < positions; ++j)
            s.trials[i].stimuli[j] = 10 * i + j + 1;
    }
    return s;
}

std::vector<int> Repeats(const CSchedule& s) {
    std::vector<int> out;
    for (const CTrial& t : s.trials)
        out.push_back(t.repeatCount);
    return out;
}

void ExpectInvalidSize(const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid size!!");
    }
}

} // namespace

TEST(Schedule, ExampleIsWrittenByteExactAndReadBack) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("SCH0000.INI"));
    Example().Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(ExampleText)) << ReadEntryText(path).toStdString();
    CSchedule back;
    back.Load(path);
    EXPECT_TRUE(back == Example());
}

TEST(Schedule, RoundTripKeepsEveryField) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("SCH0001.INI"));
    CSchedule s;
    s.name = QStringLiteral("名前, with comma");
    s.comment = QStringLiteral("free comment");
    s.SetStimulusCount(4);
    s.SetTrialCount(3);
    s.trials[0] = Trial(-1, -1, {4, 0, -1, 7}, {-1, 0.25, 1E-5}, -1, 3);
    s.trials[1] = Trial(5, 12.125, {1, 1, 1, 1}, {2, 2, 2}, 1E20, 1);
    s.Save(path, true);
    CSchedule back;
    back.Load(path);
    EXPECT_TRUE(back == s) << ReadEntryText(path).toStdString();
    EXPECT_TRUE(ReadEntryText(path).contains(QStringLiteral("STARTWAITS=-1|12.125|0\n")));
}

TEST(Schedule, ReadingMatchesItemsToTrialsAndPositions) {
    TestDir dir;
    struct Case {
        const char* body;
        std::vector<std::vector<int>> stimuli;
        std::vector<int> repeats;
        std::vector<int> corrects;
    } cases[] = {
        {"STIMULI=1,2,3|4,5\n", {{1, 2, 3}, {4, 5, 0}}, {1, 1}, {-1, -1}},
        {"STIMULI=1,2|3,4,5\n", {{1, 2}, {3, 4}}, {1, 1}, {-1, -1}},
        {"STIMULI=x,2|3,\nREPEATS=2|x\nCORRECTS=2|\n", {{0, 2}, {3, 0}}, {2, 1}, {2, -1}},
        {"STIMULI=1|2|3\nREPEATS=-1|0|7|9\nCORRECTS=2||3\n", {{1}, {2}, {3}}, {-1, 0, 7}, {2, -1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const CSchedule s = LoadText(dir, QString::fromUtf8(c.body));
        ASSERT_EQ(s.GetTrialCount(), static_cast<int>(c.stimuli.size()));
        EXPECT_EQ(s.GetStimulusCount(), static_cast<int>(c.stimuli[0].size()));
        EXPECT_EQ(s.name, QStringLiteral("n"));
        for (size_t i = 0; i < c.stimuli.size(); ++i) {
            EXPECT_EQ(s.trials[i].stimuli, c.stimuli[i]) << "trial " << i;
            EXPECT_EQ(s.trials[i].correctAnswer, c.corrects[i]) << "trial " << i;
        }
        EXPECT_EQ(Repeats(s), c.repeats);
    }
}

TEST(Schedule, WaitsAndIntervalsFallBackToNewTrialValues) {
    TestDir dir;
    const CSchedule s = LoadText(dir, QStringLiteral("STIMULI=1,2,3|4,5,6|7,8,9\n"
                                                     "STARTWAITS=-1|bad\n"
                                                     "INTERVALS=2.5|x,4,99\n"));
    ASSERT_EQ(s.GetTrialCount(), 3);
    EXPECT_EQ(s.trials[0].startWait, -1);
    EXPECT_EQ(s.trials[1].startWait, 0);
    EXPECT_EQ(s.trials[2].startWait, 0);
    for (const CTrial& t : s.trials)
        EXPECT_EQ(t.responseWait, 3.0);
    EXPECT_EQ(s.trials[0].intervals, (std::vector<double>{2.5, 1}));
    EXPECT_EQ(s.trials[1].intervals, (std::vector<double>{1, 4}));
    EXPECT_EQ(s.trials[2].intervals, (std::vector<double>{1, 1}));
}

TEST(Schedule, MissingOrEmptyStimuliGiveEmptyScheduleWithoutName) {
    TestDir dir;
    for (const char* body : {"", "STIMULI=\n", "STIMULI=\nSTARTWAITS=1|2\n"}) {
        SCOPED_TRACE(body);
        const CSchedule s = LoadText(dir, QString::fromUtf8(body));
        EXPECT_EQ(s.GetTrialCount(), 0);
        EXPECT_EQ(s.GetStimulusCount(), 0);
        EXPECT_TRUE(s.name.isEmpty());
        EXPECT_TRUE(s.comment.isEmpty());
    }
    CSchedule s = Example();
    s.Load(dir.file(QStringLiteral("MISSING.INI")));
    EXPECT_EQ(s.GetTrialCount(), 0);
    EXPECT_EQ(s.name, QStringLiteral("Sch A")); // a missing file keeps name and comment
}

TEST(Schedule, ScheduleWithoutPositionsKeepsItsTrialsThroughSaveAndLoad) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("SCH0000.INI"));
    for (int trials : {1, 3}) {
        CSchedule s;
        s.name = QStringLiteral("no positions");
        s.SetTrialCount(trials);
        s.trials[0].repeatCount = 4;
        s.Save(path, true);
        CSchedule back;
        back.Load(path);
        EXPECT_TRUE(back == s) << ReadEntryText(path).toStdString();
    }
}

TEST(Schedule, SizesReadFromFileAreBounded) {
    TestDir dir;
    QString first = QStringLiteral("1");
    for (int i = 1; i < 3000; ++i)
        first += QStringLiteral(",1");
    // 3000 positions times 5000 trials would be 15 million cells from a 16 kB file.
    const CSchedule s =
        LoadText(dir, QStringLiteral("STIMULI=") + first + QString(4999, QLatin1Char('|')) + "\n");
    EXPECT_EQ(s.GetStimulusCount(), 3000);
    EXPECT_EQ(s.GetTrialCount(), static_cast<int>(CSchedule::MaxLoadCells / 3000));
    EXPECT_EQ(s.trials.back().stimuli.size(), 3000u);
}

TEST(Schedule, SaveWritesExactlyOneItemPerPositionEvenForATrialOutOfStep) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("SCH0000.INI"));
    CSchedule s = Numbered(2, 3);
    s.trials[0].stimuli.pop_back();
    s.trials[0].intervals.clear();
    s.Save(path, true);
    EXPECT_TRUE(ReadEntryText(path).contains(QStringLiteral("STIMULI=1,2,0|11,12,13\n")));
    EXPECT_TRUE(ReadEntryText(path).contains(QStringLiteral("INTERVALS=1,1|1,1\n")));
}

TEST(Schedule, SetTrialAndStimulusCount) {
    CSchedule s = Example();
    s.SetTrialCount(3);
    ASSERT_EQ(s.GetTrialCount(), 3);
    EXPECT_TRUE(s.trials[2] == Trial(1, 0, {0, 0, 0}, {1, 1}, 3, -1));
    EXPECT_TRUE(s.trials[1] == Example().trials[1]);

    ExpectInvalidSize([&] { s.SetTrialCount(-1); });
    ExpectInvalidSize([&] { s.SetStimulusCount(-1); });
    EXPECT_EQ(s.GetTrialCount(), 3);
    EXPECT_EQ(s.GetStimulusCount(), 3);

    s.SetStimulusCount(0);
    for (const CTrial& t : s.trials)
        EXPECT_TRUE(t == CTrial()) << "a trial without positions is a cleared trial";

    s = Example();
    s.SetTrialCount(0);
    EXPECT_EQ(s.GetStimulusCount(), 0);
    EXPECT_EQ(s.name, QStringLiteral("Sch A"));
    s.SetTrialCount(3);
    for (const CTrial& t : s.trials)
        EXPECT_TRUE(t.stimuli.empty());
}

TEST(Schedule, TrialSizeChangesKeepFormerIntervals) {
    CTrial t = Trial(1, 0, {1, 2, 3}, {2, 3}, 3, -1);
    EXPECT_FALSE(t.SetStimulusCount(-1));
    EXPECT_TRUE(t.SetStimulusCount(1));
    EXPECT_TRUE(t.SetStimulusCount(3));
    EXPECT_EQ(t.stimuli, (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(t.intervals, (std::vector<double>{2, 3}));
    EXPECT_TRUE(t.SetStimulusCount(2));
    EXPECT_TRUE(t.SetStimulusCount(3));
    EXPECT_EQ(t.intervals, (std::vector<double>{2, 1}));
}

TEST(Schedule, InsertAndDeletePositionsAndTrials) {
    CSchedule s = Example();
    EXPECT_FALSE(s.InsertTrial(2));
    EXPECT_FALSE(s.InsertStimulus(3));
    EXPECT_FALSE(s.DeleteStimulus(3));
    EXPECT_FALSE(s.DeleteTrial(-1));
    EXPECT_FALSE(CSchedule().InsertTrial(0));

    EXPECT_TRUE(s.InsertStimulus(1));
    EXPECT_EQ(s.GetStimulusCount(), 4);
    EXPECT_EQ(s.trials[0].stimuli, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(s.trials[0].intervals, (std::vector<double>{1, 1, 1.5}));

    EXPECT_TRUE(s.DeleteStimulus(2)); // removes stimulus 2 and the pause before it
    EXPECT_EQ(s.trials[0].stimuli, (std::vector<int>{1, 0, 3}));
    EXPECT_EQ(s.trials[0].intervals, (std::vector<double>{1, 1.5}));
    EXPECT_TRUE(s.DeleteStimulus(0));
    EXPECT_EQ(s.trials[1].stimuli, (std::vector<int>{0, 1}));
    EXPECT_EQ(s.trials[1].intervals, (std::vector<double>{1}));

    EXPECT_TRUE(s.InsertTrial(0));
    ASSERT_EQ(s.GetTrialCount(), 3);
    EXPECT_TRUE(s.trials[0] == Trial(1, 0, {0, 0}, {1}, 3, -1));
    EXPECT_TRUE(s.DeleteTrial(0));
    EXPECT_EQ(s.GetTrialCount(), 2);
}

TEST(Schedule, SwapStimuliAndTrials) {
    CSchedule s = Numbered(3, 3);
    EXPECT_FALSE(s.SwapStimuli(1, 1, 0, -1));
    EXPECT_FALSE(s.SwapStimuli(2, 1, 0, -1));
    EXPECT_FALSE(s.SwapStimuli(0, 3, 0, -1));
    EXPECT_FALSE(s.SwapStimuli(0, 1, 2, 1));
    EXPECT_FALSE(CSchedule().SwapStimuli(0, 1, 0, -1));
    EXPECT_TRUE(s == Numbered(3, 3));

    EXPECT_TRUE(s.SwapStimuli(0, 2, 1, 1));
    EXPECT_EQ(s.trials[0].stimuli, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(s.trials[1].stimuli, (std::vector<int>{13, 12, 11}));
    EXPECT_EQ(s.trials[2].stimuli, (std::vector<int>{21, 22, 23}));

    EXPECT_FALSE(s.SwapTrials(0, 3));
    EXPECT_TRUE(s.SwapTrials(1, 1));
    EXPECT_TRUE(s.SwapTrials(0, 2));
    EXPECT_EQ(Repeats(s), (std::vector<int>{3, 2, 1}));
}

TEST(Schedule, ShuffleRefusesBadRanges) {
    CSchedule s = Numbered(5, 2);
    EXPECT_FALSE(s.ShuffleTrials(2, 1));
    EXPECT_FALSE(s.ShuffleTrials(0, 5));
    EXPECT_FALSE(s.ShuffleTrials(-1, 3));
    EXPECT_FALSE(s.ShuffleTrials(5, -1));
    EXPECT_TRUE(s.ShuffleTrials(3, 3));
    EXPECT_TRUE(s == Numbered(5, 2));
    EXPECT_FALSE(CSchedule().ShuffleTrials(0, -1));
}

TEST(Schedule, ShuffleMovesWholeTrialsInsideTheRangeOnly) {
    std::mt19937 a(7), b(7);
    CSchedule s1 = Numbered(8, 2), s2 = Numbered(8, 2);
    ASSERT_TRUE(s1.ShuffleTrials(2, 6, a));
    ASSERT_TRUE(s2.ShuffleTrials(2, 6, b));
    EXPECT_TRUE(s1 == s2) << "an injected generator makes the order reproducible";

    const std::vector<int> r = Repeats(s1);
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[1], 2);
    EXPECT_EQ(r[7], 8);
    EXPECT_TRUE(std::is_permutation(r.begin() + 2, r.begin() + 7, Repeats(Numbered(8, 2)).begin() + 2));
    for (const CTrial& t : s1.trials)
        EXPECT_EQ(t.stimuli[0], 10 * (t.repeatCount - 1) + 1) << "fields travel with their trial";
}

TEST(Schedule, ShuffleDrawsEveryOrderAboutEquallyOften) {
    std::mt19937 generator(12345);
    std::map<std::vector<int>, int> seen;
    const int runs = 6000;
    for (int i = 0; i < runs; ++i) {
        CSchedule s = Numbered(3, 1);
        ASSERT_TRUE(s.ShuffleTrials(0, -1, generator));
        ++seen[Repeats(s)];
    }
    ASSERT_EQ(seen.size(), 6u);
    for (const auto& [order, count] : seen)
        EXPECT_NEAR(count, runs / 6, 150);

    // The shared generator works too.
    CSchedule s = Numbered(50, 1);
    CSchedule::ShuffleGenerator().seed(1);
    EXPECT_TRUE(s.ShuffleTrials(0, -1));
    EXPECT_FALSE(s == Numbered(50, 1));
}
