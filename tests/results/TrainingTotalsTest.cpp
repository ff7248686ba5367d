// Training totals: correct-answer values per subject and training, the three layouts with
// their averages, and the subject database.
#include "TrainingTotals.h"
#include "Cproject.h"
#include "EntryText.h"
#include "ResultFixtures.h"
#include "TableText.h"
#include "TestDir.h"

#include <gtest/gtest.h>

using namespace results_fixture;

namespace {

const QString kS1 = QStringLiteral("SubjectID\r\nS1");
const QString kS2 = QStringLiteral("SubjectID\r\nS2");

// S1 trains twice (results 1 and 3 of the list), S2 once.
struct TwoTrainings {
    std::unique_ptr<CResponse> first = Response(0, {CorrectTrial(1), CorrectTrial(2), CorrectTrial(1)},
                                                {{"S1", {"1", "2", "2"}}, {"S2", {"2", "2", "2"}}});
    std::unique_ptr<CResponse> second =
        Response(0, {CorrectTrial(1), CorrectTrial(1), CorrectTrial(1)}, {{"S1", {"1", "1", "1"}}});
    TRNSUBDATA data = BuildTrainingRatios({{0, first.get()}, {2, second.get()}}, {}, 1, EnglishFormat());

    ResultTable Show(int layout, int index, const SubjectItemChoice& choice = {}) const {
        const std::optional<ResultTable> table =
            ShowTrainingTotals(data, layout, index, choice, EnglishFormat());
        EXPECT_TRUE(table.has_value());
        return table ? *table : ResultTable{};
    }
};

} // namespace

TEST(TrainingTotals, SubjectsMergeAcrossResults) {
    const TwoTrainings t;
    ASSERT_EQ(t.data.subjects.size(), 2u);
    EXPECT_EQ(t.data.mostTrainings, 2);
    EXPECT_EQ(t.data.trialCount, 3);
    const SUBJECTRATIO& s1 = t.data.subjects[0];
    EXPECT_EQ(s1.subjectLabel, kS1);
    EXPECT_EQ(s1.resultIndices, (std::vector<int>{0, 2}));
    EXPECT_EQ(s1.trainings, (std::vector<std::vector<float>>{{100, 100, 0}, {100, 100, 100}}));
    EXPECT_EQ(s1.attributes, std::vector<QString>(1)) << "one empty attribute per list item";
}

TEST(TrainingTotals, TrialsBySubjects) {
    const TwoTrainings t;
    const ResultTable first = t.Show(0, 0);
    EXPECT_TRUE(first.doubleHeaderRow);
    EXPECT_EQ(RowOf(first, 0), QStringList({"", kS1, kS2, "Average"}));
    EXPECT_EQ(RowOf(first, 1), QStringList({"Trial1", "100.00", "0.00", "50.00"}));
    EXPECT_EQ(RowOf(first, 3), QStringList({"Trial3", "0.00", "0.00", "0.00"}));
    EXPECT_EQ(RowOf(first, 4), QStringList({"Average", "66.67", "33.33", "50.00"}));
    EXPECT_EQ(first.caption, QString());

    // S2 has no second training: its column stays empty and out of the averages.
    const ResultTable second = t.Show(0, 1);
    EXPECT_EQ(RowOf(second, 2), QStringList({"Trial2", "100.00", "", "100.00"}));
    EXPECT_EQ(RowOf(second, 4), QStringList({"Average", "100.00", "", "100.00"}));
}

TEST(TrainingTotals, TrialsByTrainingsOfOneSubject) {
    const TwoTrainings t;
    const ResultTable table = t.Show(1, 0);
    EXPECT_EQ(RowOf(table, 0), QStringList({"", "Result1", "Result3", "Average"}));
    EXPECT_EQ(RowOf(table, 3), QStringList({"Trial3", "0.00", "100.00", "50.00"}));
    EXPECT_EQ(RowOf(table, 4), QStringList({"Average", "66.67", "100.00", ""})) << "no overall mean here";
    EXPECT_EQ(table.caption, QStringLiteral("SubjectID:S1"));
}

TEST(TrainingTotals, TrainingsBySubjectsForOneTrial) {
    const TwoTrainings t;
    const ResultTable table = t.Show(2, 2);
    EXPECT_EQ(ColumnOf(table, 0), QStringList({"", "Training1", "Training2", "Average"}));
    EXPECT_EQ(RowOf(table, 1), QStringList({"Training1", "0.00", "0.00", "0.00"}));
    EXPECT_EQ(RowOf(table, 2), QStringList({"Training2", "100.00", "", "100.00"}));
    EXPECT_EQ(RowOf(table, 3), QStringList({"Average", "50.00", "0.00", "25.00"}));
}

TEST(TrainingTotals, NothingToShowAndIndexesOutOfRange) {
    const TwoTrainings t;
    EXPECT_FALSE(ShowTrainingTotals(TRNSUBDATA{}, 0, 0, {}, EnglishFormat()));
    EXPECT_FALSE(ShowTrainingTotals(t.data, 3, 0, {}, EnglishFormat()));
    for (auto [layout, index] : {std::pair{0, 2}, {1, 2}, {2, 3}, {0, -1}}) {
        const auto table = ShowTrainingTotals(t.data, layout, index, {}, EnglishFormat());
        ASSERT_TRUE(table);
        EXPECT_EQ(table->cells.RowCount(), 1) << layout << "," << index;
        EXPECT_FALSE(table->caption) << "the caption stays";
    }

    // Zero trials, answers beyond the schedule, trainings of different lengths.
    const auto none = Response(0, {}, {{"A", {}}});
    const auto longer = Response(0, {CorrectTrial(1)}, {{"A", {"1", "1"}}});
    const auto shorter = Response(0, {CorrectTrial(1), CorrectTrial(1)}, {{"A", {"1"}}});
    const TRNSUBDATA mixed =
        BuildTrainingRatios({{0, none.get()}, {1, longer.get()}, {2, shorter.get()}}, {}, 0, EnglishFormat());
    EXPECT_EQ(mixed.subjects[0].trainings[1], (std::vector<float>{100, 0})) << "an answer without a trial";
    EXPECT_EQ(mixed.trialCount, 1) << "from the last training";
    const auto layout2 = ShowTrainingTotals(mixed, 2, 0, {}, EnglishFormat());
    ASSERT_TRUE(layout2);
    EXPECT_EQ(ColumnOf(*layout2, 1), QStringList({kS1.left(11) + "A", "", "100.00", "100.00", "100.00"}));
}

TEST(TrainingTotals, UnreadableIdsMergeIntoOneSubject) {
    ResultFormat numeric = EnglishFormat();
    numeric.textSubjectIds = false;
    auto response = Response(0, {CorrectTrial(1)}, {});
    response->terminalResponses.resize(2);
    for (auto& terminal : response->terminalResponses) {
        terminal.id = -1;
        terminal.answers = {"1"};
    }
    const TRNSUBDATA data = BuildTrainingRatios({{0, response.get()}}, {}, 0, numeric);
    ASSERT_EQ(data.subjects.size(), 1u);
    EXPECT_EQ(data.subjects[0].subjectLabel, QStringLiteral("SubjectID\r\nUndefined"));
    EXPECT_EQ(data.subjects[0].trainings.size(), 2u);
}

TEST(TrainingTotals, AttributesHeadTheSubjectColumns) {
    const TwoTrainings t;
    TRNSUBDATA data = t.data;
    data.subjects[0].attributes = {"1980", "left"};
    data.subjects[1].attributes = {"abc", ""};
    const SubjectItemChoice age{1, QStringLiteral("Age"), 2024};
    EXPECT_EQ(RowOf(*ShowTrainingTotals(data, 0, 0, age, EnglishFormat()), 0).mid(1, 2),
              QStringList({"Age\r\n44", "Age\r\n2023"}));
    const SubjectItemChoice hand{2, QStringLiteral("Hand"), 2024};
    EXPECT_EQ(RowOf(*ShowTrainingTotals(data, 2, 0, hand, EnglishFormat()), 0).mid(1, 2),
              QStringList({"Hand\r\nleft", "Hand\r\n"}));
    EXPECT_EQ(ShowTrainingTotals(data, 1, 0, age, EnglishFormat())->caption, QStringLiteral("Age:44"));
    EXPECT_EQ(ShowTrainingTotals(data, 1, 1, hand, EnglishFormat())->caption, QStringLiteral("Hand:"));
}

class SubjectDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", dir.path().toUtf8());
    }
    void TearDown() override { qputenv("TMPDIR", oldTmp); }

    // A project whose one questionnaire-results set has respondents S1 (twice: the
    // second row wins) and S2, items "Year (A.D.)" and "Hand".
    QString SaveDatabase(const QString& comment) {
        const auto [s1, s1b] = PackSubId(QStringLiteral("S1"));
        const auto [s2, s2b] = PackSubId(QStringLiteral("S2"));
        const QString entry = dir.file(QStringLiteral("QSR.INI"));
        EXPECT_TRUE(WriteEntry(entry, QStringLiteral("[QUESTIONNAIRE RESULT]\n"
                                                     "NRESULTS=3\n"
                                                     "RESULT0=%1,%2,1970,right\n"
                                                     "RESULT1=%1,%2,1980,left\n"
                                                     "RESULT2=%3,%4,1990,right\n"
                                                     "\n"
                                                     "[QUESTIONNAIRE]\n"
                                                     "NTERMS=2\n"
                                                     "TERM0=Year (A.D.),Born?,1\n"
                                                     "TERM1=Hand,Which?,0\n")
                                          .arg(s1)
                                          .arg(s1b)
                                          .arg(s2)
                                          .arg(s2b)));
        CProject project;
        EXPECT_TRUE(project.New());
        project.SetMethod(0);
        project.GetGeneral()->comment = comment;
        project.AddQuestionnaireResults()->Load(entry);
        const QString path = dir.file(QStringLiteral("subjects%1.tmv").arg(++saved));
        project.SetFileName(path);
        EXPECT_TRUE(project.Save());
        return path;
    }

    TestDir dir;
    QByteArray oldTmp;
    int saved = 0;
};

TEST_F(SubjectDatabaseTest, RespondentsGiveTheirSubjectsAttributes) {
    SubjectDatabase database;
    ASSERT_TRUE(ReadSubjectDatabase(SaveDatabase(QStringLiteral("1")), EnglishFormat(), database));
    EXPECT_EQ(database.items, QStringList({"SubjectID", "Age", "Hand"}));
    ASSERT_EQ(database.rows.size(), 3u);
    EXPECT_EQ(database.rows[0].subjectLabel, QStringLiteral("S1"));

    const TwoTrainings t;
    const TRNSUBDATA data = BuildTrainingRatios({{0, t.first.get()}}, database,
                                                static_cast<int>(database.items.size()), EnglishFormat());
    EXPECT_EQ(data.subjects[0].attributes, (std::vector<QString>{"1980", "left"}))
        << "the last equal row wins";
    EXPECT_EQ(data.subjects[1].attributes, (std::vector<QString>{"1990", "right"}));
}

TEST_F(SubjectDatabaseTest, UnreadableDatabases) {
    SubjectDatabase database;
    database.items = {QStringLiteral("kept")};
    EXPECT_FALSE(ReadSubjectDatabase(dir.file(QStringLiteral("missing.tmv")), EnglishFormat(), database));
    EXPECT_EQ(database.items, QStringList({"kept"}));
    EXPECT_THROW(ReadSubjectDatabase(SaveDatabase(QString()), EnglishFormat(), database), std::runtime_error)
        << "with packed IDs the comment must say how they are stored";

    // A comment of 0: the respondents' first ID number in decimal.
    ASSERT_TRUE(ReadSubjectDatabase(SaveDatabase(QStringLiteral("0")), EnglishFormat(), database));
    EXPECT_EQ(database.rows[0].subjectLabel, QString::number(PackSubId(QStringLiteral("S1")).first));
}
