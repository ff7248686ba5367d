// Totals of paired comparison, category and ME: trial keys, grouping and both layouts.
#include "TotalData.h"
#include "ResultFixtures.h"
#include "ResultTexts.h"
#include "TableText.h"

#include <gtest/gtest.h>

using namespace results_fixture;

namespace {

const QString kA = QStringLiteral("SubjectID\r\nA");
const QString kB = QStringLiteral("SubjectID\r\nB");
const QString kC = QStringLiteral("SubjectID\r\nC");
const QString kD = QStringLiteral("SubjectID\r\nD");

struct Totals {
    std::vector<std::unique_ptr<CResponse>> responses;
    std::vector<SelectedResult> selected;
    std::vector<TOTALDATA> data;

    void Add(int index, std::unique_ptr<CResponse> response) {
        selected.push_back({index, response.get()});
        responses.push_back(std::move(response));
    }
    ResultTable Show(int method, bool complete, bool average, const ResultFormat& format = EnglishFormat()) {
        EXPECT_TRUE(BuildTotalData(selected, method, complete, format, data));
        return ShowTotalData(data, method, average, format);
    }
};

// Two category results: the second repeats the first's first trial as its second, and
// has the first's second trial with another start wait as its first.
Totals TwoCategoryResults() {
    Totals t;
    t.Add(0, Response(3, {Trial({1, 2}), Trial({2, 1})}, {{"A", {"1", "2"}}, {"B", {"2", ""}}}));
    t.Add(1, Response(3, {Trial({2, 1}, 0.5), Trial({1, 2})}, {{"A", {"3", "4"}}, {"C", {"x", "1"}}}));
    return t;
}

} // namespace

TEST(TotalData, TrialKeyPiecesAndTheirSplitting) {
    const ResultFormat english = EnglishFormat();
    QString label;
    QString key;
    MakeTrialKey(Trial({3, 7}, 0.5, 1.0, -1.0), 2, true, english, label, key);
    EXPECT_EQ(
        SplitJoinedText(label, QLatin1Char(',')),
        QStringList({"No. of repeat", "Start time", "Stimulus1", "Interval1", "Stimulus2", "Limit time"}));
    EXPECT_EQ(key, QStringLiteral("1,0.5,3,1.0,7,Pause,"));
    EXPECT_EQ(SplitJoinedText(key, QLatin1Char(',')),
              QStringList({"1", "0.5", "3", "1.0", "7", "Pause", ""}));

    MakeTrialKey(Trial({3, 7}, 2.0, -1.0, 0.25, -1), 2, true, english, label, key);
    EXPECT_EQ(key, QStringLiteral("Infinite,2.0,3,Pause,7,0.3,"));
    MakeTrialKey(Trial({3, 7}, 0.5), 2, false, english, label, key);
    EXPECT_EQ(label, QStringLiteral("Stimulus1,Stimulus2"));
    EXPECT_EQ(key, QStringLiteral("3,7"));

    // Where the decimal separator is a comma the list separator is not, and the key
    // columns still come out whole.
    ResultFormat comma = english;
    comma.decimalSeparator = QLatin1Char(',');
    comma.listSeparator = QLatin1Char(';');
    Totals t;
    t.Add(0, Response(3, {Trial({3, 7}, 0.5, 1.5)}, {{"A", {"1"}}}));
    const ResultTable table = t.Show(3, true, false, comma);
    EXPECT_EQ(RowOf(table, 1), QStringList({"1", "0,5", "3", "1,5", "7", "3,0", "1"}));
}

TEST(TotalData, CategoryResultsInEveryLayout) {
    Totals t = TwoCategoryResults();
    const ResultTable averaged = t.Show(3, true, true);
    ASSERT_EQ(t.data.size(), 3u) << "the shared trial falls into the first entry";
    EXPECT_EQ(averaged.fixedCols, 6);
    EXPECT_TRUE(averaged.doubleHeaderRow);
    EXPECT_EQ(RowOf(averaged, 0), QStringList({"No. of repeat", "Start time", "Stimulus1", "Interval1",
                                               "Stimulus2", "Limit time", kA, kB, kC}));
    EXPECT_EQ(RowOf(averaged, 1),
              QStringList({"1", "0.0", "1", "1.0", "2", "3.0", "2.500", "2.000", "1.000"}));
    EXPECT_EQ(RowOf(averaged, 2), QStringList({"1", "0.0", "2", "1.0", "1", "3.0", "2.000", "", ""}))
        << "an empty answer is no answer";
    EXPECT_EQ(RowOf(averaged, 3), QStringList({"1", "0.5", "2", "1.0", "1", "3.0", "3.000", "", ""}))
        << "a text that is no integer is no answer";

    const ResultTable byResult = t.Show(3, true, false);
    EXPECT_EQ(RowOf(byResult, 0).mid(6), QStringList({kA, kB, kA, kC, kA, kC}));
    EXPECT_EQ(RowOf(byResult, 1).mid(6), QStringList({"1", "2", "4", "1", "", ""}));
    EXPECT_EQ(RowOf(byResult, 2).mid(6), QStringList({"2", "-1", "", "", "", ""}));
    EXPECT_EQ(RowOf(byResult, 3).mid(6), QStringList({"", "", "", "", "3", "-1"}));

    const ResultTable orderOnly = t.Show(3, false, true);
    ASSERT_EQ(t.data.size(), 2u) << "with the stimuli alone both results share both keys";
    EXPECT_EQ(orderOnly.fixedCols, 2);
    EXPECT_EQ(RowOf(orderOnly, 0), QStringList({"Stimulus1", "Stimulus2", kA, kB, kC}));
    EXPECT_EQ(RowOf(orderOnly, 1), QStringList({"1", "2", "2.500", "2.000", "1.000"}));
    EXPECT_EQ(RowOf(orderOnly, 2), QStringList({"2", "1", "2.500", "", ""}));
}

TEST(TotalData, LaterResultsKeepTheirSubjectsAndBlocksNeverOverlap) {
    // The second result's first trial falls into the first result's second entry.
    Totals t;
    t.Add(0, Response(2, {Trial({1}), Trial({2})}, {{"A", {"1", "2"}}, {"B", {"3", "4"}}}));
    t.Add(4, Response(2, {Trial({2}), Trial({3})}, {{"C", {"5", "6"}}, {"D", {"7", "8"}}}));
    const ResultTable byResult = t.Show(2, false, false);
    EXPECT_EQ(RowOf(byResult, 0), QStringList({"Stimulus1", kA, kB, kC, kD, kC, kD}));
    EXPECT_EQ(RowOf(byResult, 1), QStringList({"1", "1", "3", "", "", "", ""}));
    EXPECT_EQ(RowOf(byResult, 2), QStringList({"2", "2", "4", "5", "7", "", ""}));
    EXPECT_EQ(RowOf(byResult, 3), QStringList({"3", "", "", "", "", "6", "8"}));

    // A result none of whose trials makes an entry still has its subjects averaged.
    Totals u;
    u.Add(0, Response(2, {Trial({1}), Trial({2})}, {{"A", {"1", "2"}}}));
    u.Add(1, Response(2, {Trial({2})}, {{"C", {"4"}}}));
    const ResultTable averaged = u.Show(2, false, true);
    EXPECT_EQ(RowOf(averaged, 0), QStringList({"Stimulus1", kA, kC}));
    EXPECT_EQ(RowOf(averaged, 2), QStringList({"2", "2.000", "4.000"}));
}

TEST(TotalData, SubjectColumnsSortByCodeUnitsAndUndefinedSubjects) {
    Totals t;
    t.Add(0, Response(3, {Trial({1})}, {{"A9", {"1"}}, {"A10", {"2"}}, {"", {"3"}}}));
    const ResultTable table = t.Show(3, false, true);
    EXPECT_EQ(RowOf(table, 0),
              QStringList({"Stimulus1", "SubjectID\r\nUndefined", "SubjectID\r\nA10", "SubjectID\r\nA9"}));

    ResultFormat numeric = EnglishFormat();
    numeric.textSubjectIds = false;
    Totals n;
    auto response = Response(3, {Trial({1})}, {});
    response->terminalResponses = {{}, {}};
    response->terminalResponses[0].id = 12;
    response->terminalResponses[0].answers = {"1"};
    response->terminalResponses[1].id = -1;
    response->terminalResponses[1].answers = {"2"};
    n.Add(0, std::move(response));
    EXPECT_EQ(RowOf(n.Show(3, false, false, numeric), 0),
              QStringList({"Stimulus1", "SubjectID\r\n12", "SubjectID\r\nUndefined"}));
}

TEST(TotalData, MagnitudeEstimationAnswers) {
    Totals t;
    t.Add(0, Response(4, {Trial({1}), Trial({2}), Trial({3}), Trial({4}), Trial({5})},
                      {{"A", {"2.5", "3/4", "3/0", "x/4", "1/8"}}}));
    const ResultTable byResult = t.Show(4, false, false);
    EXPECT_EQ(ColumnOf(byResult, 1), QStringList({kA, "2.500", "0.750", "-1.000", "-1.000", "0.125"}));
    const ResultTable averaged = t.Show(4, false, true);
    EXPECT_EQ(ColumnOf(averaged, 1), QStringList({kA, "2.500", "0.750", "", "", "0.125"}))
        << "an unusable quotient is left out of the averages";

    // An answer that is neither a number nor a quotient fails the totaling; the totals
    // built before stay.
    for (const char* bad : {"", "abc"}) {
        Totals f;
        f.Add(0, Response(4, {Trial({1}), Trial({2})}, {{"A", {"1", QString::fromLatin1(bad)}}}));
        f.data = t.data;
        EXPECT_FALSE(BuildTotalData(f.selected, 4, false, EnglishFormat(), f.data)) << bad;
        EXPECT_EQ(f.data.size(), t.data.size());
    }
}

TEST(TotalData, NothingToTotalGivesAnEmptyTable) {
    std::vector<TOTALDATA> data;
    EXPECT_TRUE(BuildTotalData({}, 3, true, EnglishFormat(), data));
    EXPECT_TRUE(data.empty());
    const ResultTable table = ShowTotalData(data, 3, true, EnglishFormat());
    EXPECT_EQ(table.cells.ColCount(), 1);
    EXPECT_EQ(table.cells.RowCount(), 1);

    Totals noTrials;
    noTrials.Add(0, Response(3, {}, {{"A", {}}}));
    EXPECT_EQ(noTrials.Show(3, true, false).cells.RowCount(), 1);
    Totals noTerminals;
    noTerminals.Add(0, Response(3, {Trial({1})}, {}));
    const ResultTable keysOnly = noTerminals.Show(3, false, false);
    EXPECT_EQ(RowOf(keysOnly, 1), QStringList({"1"}));
}

TEST(TotalData, NumericTextTest) {
    const struct {
        const char* text;
        QChar separator;
        bool numeric;
    } cases[] = {
        {"12", '.', true}, {"-3", '.', true}, {"2.5", '.', true},  {"2,5", ',', true},   {"2,5", '.', false},
        {"", '.', false},  {"x", '.', false}, {"1e3", '.', false}, {"1.5e3", '.', true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsNumericText(QString::fromLatin1(c.text), c.separator), c.numeric) << c.text;
}
