// The SD tabulation: scale values of an answer text and the three layouts.
#include "SdTabulation.h"
#include "ResultFixtures.h"
#include "TableText.h"

#include <gtest/gtest.h>

using namespace results_fixture;

namespace {

std::unique_ptr<CResponse> SdResult(std::vector<CSDScale> scales, int trials,
                                    const std::vector<Subject>& subjects) {
    std::vector<CTrial> schedule;
    for (int t = 0; t < trials; ++t)
        schedule.push_back(Trial({t + 1}));
    auto response = Response(1, std::move(schedule), subjects);
    response->experimentParameter.GetSD()->scales = std::move(scales);
    return response;
}

} // namespace

TEST(SdTabulation, ScaleValuesOfAnAnswerText) {
    const struct {
        const char* answer;
        int index;
        const char* value;
    } cases[] = {
        {"12-30", 0, "1"}, {"12-30", 1, "2"}, {"12-30", 2, "-3"}, {"12-30", 3, "0"}, {"12-30", 4, ""},
        {"12-30", -1, ""}, {"", 0, ""},       {"-", 0, ""},       {"1-", 0, "1"},    {"1-", 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetSDScaleValue(QString::fromLatin1(c.answer), c.index), QString::fromLatin1(c.value))
            << c.answer << " at " << c.index;
}

TEST(SdTabulation, TrialsBySubjects) {
    const auto response =
        SdResult({{"Dark", "Bright"}, {"", "Soft"}}, 2, {{"A", {"1-2", "30"}}, {"", {"", "2"}}});
    const ResultTable table = ShowSDTotals(*response, 0, EnglishFormat());
    EXPECT_TRUE(table.doubleHeaderRow);
    EXPECT_EQ(table.fixedCols, 0);
    EXPECT_EQ(RowOf(table, 0), QStringList({"", "", "SubjectID\r\nA", "SubjectID\r\nUndefined"}));
    EXPECT_EQ(RowOf(table, 1), QStringList({"", "Trial1", "1-2", ""})) << "group rows hold whole answers";
    EXPECT_EQ(RowOf(table, 2), QStringList({"", "Dark <-> Bright", "1", ""}));
    EXPECT_EQ(RowOf(table, 3), QStringList({"", "Soft", "-2", ""}));
    EXPECT_EQ(RowOf(table, 4), QStringList({"", "Trial2", "30", "2"}));
    EXPECT_EQ(RowOf(table, 6), QStringList({"", "Soft", "0", ""})) << "a scale beyond the answer is empty";
    EXPECT_EQ(table.groups, (std::vector<RowGroup>{{1, 3}, {4, 3}}));
}

TEST(SdTabulation, TrialsByWordPairsRunValuesTogether) {
    const auto response = SdResult({{"Low", ""}}, 1, {{"A", {"2"}}, {"B", {""}}, {"", {"-1"}}});
    const ResultTable table = ShowSDTotals(*response, 1, EnglishFormat());
    EXPECT_FALSE(table.doubleHeaderRow);
    EXPECT_EQ(RowOf(table, 0), QStringList({"", "", "Low"}));
    EXPECT_EQ(RowOf(table, 1), QStringList({"", "Trial1", "2 -1"})) << "a blank for the empty answer";
    EXPECT_EQ(ColumnOf(table, 1).mid(2), QStringList({"SubjectID A", "SubjectID B", "SubjectID Undefined"}));
    EXPECT_EQ(ColumnOf(table, 2).mid(2), QStringList({"2", "", "-1"}));
    EXPECT_EQ(table.groups, (std::vector<RowGroup>{{1, 4}}));
}

TEST(SdTabulation, SubjectsByWordPairs) {
    const auto response =
        SdResult({{"a", "b"}, {"c", "d"}}, 3, {{"A", {"12", "", "-1-2"}}, {"B", {"33", "11", "22"}}});
    const ResultTable table = ShowSDTotals(*response, 2, EnglishFormat());
    EXPECT_EQ(table.groups, (std::vector<RowGroup>{{1, 4}, {5, 4}}));
    EXPECT_EQ(RowOf(table, 1), QStringList({"", "SubjectID A", "1 -1", "2 -2"}));
    EXPECT_EQ(RowOf(table, 3), QStringList({"", "Trial2", "", ""}));
    EXPECT_EQ(RowOf(table, 5), QStringList({"", "SubjectID B", "312", "312"}));
    EXPECT_TRUE(table.Cell(1, 1).startsWith(SDNodeWord(2, EnglishFormat()))) << "subject rows are node rows";
}

TEST(SdTabulation, ResultWithoutScalesOrAnswers) {
    // A result that holds no SD parameters, answers shorter than the trials, no terminals.
    const auto training = Response(0, {Trial({1}), Trial({2})}, {{"A", {"1"}}});
    for (int layout : {0, 1, 2}) {
        const ResultTable table = ShowSDTotals(*training, layout, EnglishFormat());
        EXPECT_EQ(table.cells.ColCount(), layout == 0 ? 3 : 2) << layout;
    }
    EXPECT_EQ(RowOf(ShowSDTotals(*training, 0, EnglishFormat()), 2), QStringList({"", "Trial2", ""}));
    const auto empty = SdResult({{"a", "b"}}, 0, {});
    EXPECT_EQ(ShowSDTotals(*empty, 1, EnglishFormat()).cells.RowCount(), 1);
}
