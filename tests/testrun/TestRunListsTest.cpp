#include "TestRunLists.h"
#include "AnswerGridMath.h"
#include "Csch.h"
#include "TrialRange.h"

#include <gtest/gtest.h>
#include <map>

namespace {

std::vector<QString> Row(std::initializer_list<const char*> cells) {
    std::vector<QString> row;
    for (const char* c : cells)
        row.push_back(QString::fromUtf8(c));
    return row;
}

StimulusDurationText Durations(std::map<QString, QString> table) {
    return [table](const QString& id) {
        const auto it = table.find(id);
        return it == table.end() ? QString() : it->second;
    };
}

} // namespace

TEST(TestRunListsTest, TrainingExampleFromTheGridByteForByte) {
    // Trial1: repeat 1, start 1.0, stimulus 3, interval 1.0, stimulus 5, limit 3.0, correct 2.
    const auto trial =
        TestRunTrialFromGridRow(Row({"Trial1", "1", "1.0", "3", "1.0", "5", "3.0", "2"}), 2, true, -1);
    TestRunLists lists;
    ASSERT_TRUE(WriteTestRunLists({trial}, Durations({{"3", "1.50"}, {"5", "2.25"}}), lists));
    EXPECT_EQ(lists.testRunList,
              "TEST_RUN_LIST=QUESTION_NUM=1,QUESTION_STATUS=0,BREAK_DATETIME=,PAUSE_TIME=,FINISH_DATETIME=,"
              "REPEAT_NUM=1,START_WAIT_TIME=1.0,LIMIT_TIME=3.0,CORRECT_QUES_ID=2,SHOW_TIME=7;");
    EXPECT_EQ(lists.testRunStimList,
              "TEST_RUN_STIM_LIST=STIMULUS_ID=3,QUESTION_NUM=1,SOUND_NUM=1,SOUND_LONG=1.50,STOP_TIME=1.0;"
              "STIMULUS_ID=5,QUESTION_NUM=1,SOUND_NUM=2,SOUND_LONG=2.25,STOP_TIME=0;");
}

TEST(TestRunListsTest, WaitsForTheOperatorEndlessRepeatsAndOnePosition) {
    // Endless repeat, start wait and limit Pause, other method: the stored correct answer.
    const auto t1 = TestRunTrialFromGridRow(Row({"Trial1", "Infinity", "Pause", "4", "Pause"}), 1, false, 3);
    // A Pause interval counts 0 and travels as 0; a decimal comma becomes a point.
    const auto t2 =
        TestRunTrialFromGridRow(Row({"Trial2", "2", "0,5", "1", "Pause", "2", "2,0"}), 2, false, -1);
    TestRunLists lists;
    ASSERT_TRUE(WriteTestRunLists({t1, t2}, Durations({{"4", "2.70"}, {"1", "0.70"}, {"2", "0.30"}}), lists));
    EXPECT_EQ(lists.testRunList,
              "TEST_RUN_LIST=QUESTION_NUM=1,QUESTION_STATUS=0,BREAK_DATETIME=,PAUSE_TIME=,FINISH_DATETIME=,"
              "REPEAT_NUM=Infinity,START_WAIT_TIME=1,LIMIT_TIME=1,CORRECT_QUES_ID=3,SHOW_TIME=2;"
              "QUESTION_NUM=2,QUESTION_STATUS=0,BREAK_DATETIME=,PAUSE_TIME=,FINISH_DATETIME=,"
              "REPEAT_NUM=2,START_WAIT_TIME=0.5,LIMIT_TIME=2.0,CORRECT_QUES_ID=-1,SHOW_TIME=2;");
    // 0.70 + 0 cuts to 0; then 0 + 0.30 + 2.0 cuts to 2. The single position's STOP_TIME is 0.
    EXPECT_EQ(lists.testRunStimList,
              "TEST_RUN_STIM_LIST=STIMULUS_ID=4,QUESTION_NUM=1,SOUND_NUM=1,SOUND_LONG=2.70,STOP_TIME=0;"
              "STIMULUS_ID=1,QUESTION_NUM=2,SOUND_NUM=1,SOUND_LONG=0.70,STOP_TIME=0;"
              "STIMULUS_ID=2,QUESTION_NUM=2,SOUND_NUM=2,SOUND_LONG=0.30,STOP_TIME=0;");
}

TEST(TestRunListsTest, SumsCutExactSecondsNotBinaryFractions) {
    // 0.7 + 0.3 is one whole second, whatever binary reals make of it.
    TestRunTrial trial{"1", "0", "0.3", "1", {"1"}, {"0.3"}};
    TestRunLists lists;
    ASSERT_TRUE(WriteTestRunLists({trial}, Durations({{"1", "0.70"}}), lists));
    EXPECT_TRUE(lists.testRunList.endsWith("SHOW_TIME=1;")) << lists.testRunList.toStdString();
}

TEST(TestRunListsTest, AStimulusWithoutDurationFailsAndIsNamed) {
    const auto trial =
        TestRunTrialFromGridRow(Row({"Trial1", "1", "1.0", "3", "1.0", "5", "3.0"}), 2, false, 1);
    TestRunLists lists;
    QString failed;
    EXPECT_FALSE(WriteTestRunLists({trial}, Durations({{"3", "1.50"}}), lists, &failed));
    EXPECT_EQ(failed, "5");
}

TEST(TestRunListsTest, RebuildFromAStoredTrialWritesShortestDecimals) {
    CTrial source;
    source.repeatCount = -1;
    source.startWait = 1.0;
    source.stimuli = {3, 5};
    source.intervals = {-1.0};
    source.responseWait = 1.5;
    source.correctAnswer = 2;
    const TestRunTrial trial = TestRunTrialFromTrial(source, 2);
    EXPECT_EQ(trial.repeat, "-1");
    EXPECT_EQ(trial.startWait, "1");
    EXPECT_EQ(trial.limit, "1.5");
    EXPECT_EQ(trial.correct, "2");
    EXPECT_EQ(trial.stopTimes, (std::vector<QString>{"0", "1.5"}));
    source.responseWait = -1.0;
    EXPECT_EQ(TestRunTrialFromTrial(source, 2).limit, "1");
    EXPECT_EQ(TestRunTrialFromTrial(source, 2).stopTimes.back(), "0");
}

TEST(TestRunListsTest, DurationIsRoundedToHundredths) {
    EXPECT_EQ(DurationText(66150, 44100), "1.50");
    EXPECT_EQ(DurationText(99225, 44100), "2.25");
    EXPECT_EQ(DurationText(4410 * 10 + 220, 44100), "1.00"); // 1.004988 s
    EXPECT_EQ(DurationText(44100 + 221, 44100), "1.01");     // 1.005011 s
    EXPECT_EQ(DurationText(0, 48000), "0.00");
    EXPECT_EQ(DurationText(100, 0), "");
}

TEST(TrialRangeTest, ExpandTable) {
    const struct {
        const char* text;
        int count;
        const char* expanded;
    } cases[] = {
        {"3-1,7", 10, "1,2,3,7"},
        {"-3", 10, "1,2,3"},
        {"8-", 10, "8,9,10"},
        {"0,11,x", 10, ""},
        {"1-2-3", 10, "1,2,3,4,5,6,7,8,9,10"},
        {"5-2", 10, "2,3,4,5"},
        {"12", 10, ""},
        {"1 3,3", 5, "1,3"},
        {"", 5, ""},
        {"1-", 3, "1,2,3"},
        {"2", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandTrialRange(QString::fromLatin1(c.text), c.count), QString::fromLatin1(c.expanded))
            << c.text << " of " << c.count;
}

TEST(TrialRangeTest, CompressTable) {
    const struct {
        const char* text;
        char separator;
        const char* compressed;
    } cases[] = {
        {"1,2,3,5", ',', "1-3,5"}, {"1,3", ',', "1,3"}, {"1,2", ',', "1-2"},
        {"4", ',', "4"},           {"", ',', ""},       {"1,2,3,5,7,8", ';', "1-3;5;7-8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompressTrialRange(QString::fromLatin1(c.text), QLatin1Char(c.separator)),
                  QString::fromLatin1(c.compressed))
            << c.text;
}

namespace {

// A training grid: label, answerers, placeholder, "Correct %", "Correct".
struct Grid {
    std::vector<std::vector<QString>> cells; // [row][col]
    AnswerGridShape shape;
    AnswerCellReader reader() const {
        return [this](int col, int row) {
            return row < int(cells.size()) && col < int(cells[size_t(row)].size())
                       ? cells[size_t(row)][size_t(col)]
                       : QString();
        };
    }
};

Grid TrainingGrid(std::vector<std::vector<QString>> answers, std::vector<QString> correct) {
    const int answerers = int(answers.size());
    const int trials = int(correct.size());
    Grid g;
    g.shape = {answerers + 4, trials + 3, true};
    g.cells.assign(size_t(g.shape.rows), std::vector<QString>(size_t(g.shape.cols)));
    for (int a = 0; a < answerers; ++a)
        for (int t = 0; t < trials; ++t)
            g.cells[size_t(t + 2)][size_t(a + 1)] = answers[size_t(a)][size_t(t)];
    for (int t = 0; t < trials; ++t)
        g.cells[size_t(t + 2)][size_t(g.shape.CorrectCol())] = correct[size_t(t)];
    return g;
}

} // namespace

TEST(AnswerGridMathTest, TrainingPercentagesOfTwoAnswerers) {
    // Correct 2,3; S2 (column 1) answers 2,1; S1 (column 2) answers 2,3.
    Grid g = TrainingGrid({{"2", "1"}, {"2", "3"}}, {"2", "3"});
    const QChar dot('.');
    EXPECT_EQ(TrialPercentText(g.shape, g.reader(), 1, dot), "100.00");
    EXPECT_EQ(TrialPercentText(g.shape, g.reader(), 2, dot), "50.00");
    EXPECT_EQ(AnswererPercentText(g.shape, g.reader(), 2, {1, 2}, dot), "100.00");
    EXPECT_EQ(AnswererPercentText(g.shape, g.reader(), 1, {1, 2}, dot), "50.00");
    EXPECT_EQ(AnswererPercentText(g.shape, g.reader(), 1, {1}, QChar(',')), "100,00");
    g.cells[size_t(g.shape.PercentRow())][1] = "50.00";
    g.cells[size_t(g.shape.PercentRow())][2] = "100.00";
    EXPECT_EQ(MeanPercentText(g.shape, g.reader(), dot), "75.00");
    EXPECT_TRUE(IsTrialComplete(g.shape, g.reader(), 2));
    g.cells[3][2].clear();
    EXPECT_FALSE(IsTrialComplete(g.shape, g.reader(), 2));
}

TEST(AnswerGridMathTest, NoAnswererGivesEmptyCellsNotADivisionByZero) {
    Grid g = TrainingGrid({}, {"2", "3"});
    EXPECT_EQ(g.shape.AnswererCount(), 0);
    EXPECT_EQ(TrialPercentText(g.shape, g.reader(), 1, QChar('.')), "");
    EXPECT_EQ(MeanPercentText(g.shape, g.reader(), QChar('.')), "");
    EXPECT_EQ(AnswererPercentText(g.shape, g.reader(), 1, {}, QChar('.')), "");
    EXPECT_TRUE(IsTrialComplete(g.shape, g.reader(), 1));
    EXPECT_EQ(FormatPercent(200.0 / 3.0, QChar('.')), "66.67");
}
