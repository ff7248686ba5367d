// The result lists and the detail tables of one result.
#include "ResultPages.h"
#include "Cproject.h"
#include "EntryText.h"
#include "ResultFixtures.h"
#include "TableText.h"
#include "TestDir.h"

#include <gtest/gtest.h>

using namespace results_fixture;

TEST(ResultPages, TrainingDataWithCorrectPercentages) {
    const auto response =
        Response(0, {CorrectTrial(1), CorrectTrial(2), CorrectTrial(1), CorrectTrial(3)},
                 {{"A", {"1", "2", "1", "3"}}, {"B", {"1", "1", "2", "3"}}, {"", {"2", "1", "", ""}}});
    const ResultTable table = ResultDataTable(*response, EnglishFormat());
    EXPECT_EQ(RowOf(table, 0), QStringList({"", "SubjectID\r\nA", "SubjectID\r\nB", "SubjectID\r\nUndefined",
                                            "Correct %", "Correct\r\nbutton"}));
    EXPECT_EQ(RowOf(table, 1), QStringList({"Trial1", "1", "1", "2", "66.67", "1"}));
    EXPECT_EQ(RowOf(table, 3), QStringList({"Trial3", "1", "2", "", "33.33", "1"}));
    EXPECT_EQ(RowOf(table, 5), QStringList({"Correct %", "100.00", "50.00", "0.00", "50.00", ""}));

    // Other methods show the answers alone.
    const auto category = Response(3, {Trial({1})}, {{"A", {"2"}}});
    EXPECT_EQ(RowOf(ResultDataTable(*category, EnglishFormat()), 1), QStringList({"Trial1", "2"}));
    // No subjects, no trials: no percentages, no crash.
    const auto empty = Response(0, {CorrectTrial(1)}, {});
    EXPECT_EQ(RowOf(ResultDataTable(*empty, EnglishFormat()), 0),
              QStringList({"", "Correct %", "Correct\r\nbutton"}));
    const auto noTrials = Response(0, {}, {{"A", {"1"}}});
    EXPECT_EQ(RowOf(ResultDataTable(*noTrials, EnglishFormat()), 2), QStringList({"Correct %", "", "", ""}));
}

TEST(ResultPages, ScheduleAsTheRunUsedIt) {
    CTrial odd = Trial({-1, 4}, -1.0, 0.25, 2.0, -1, 2);
    const auto response = Response(0, {Trial({1, 2}, 0.5, 1.0, -1.0, 3, 1), odd}, {});
    const ResultTable table = SchedulePageTable(*response, EnglishFormat());
    EXPECT_TRUE(table.doubleHeaderRow);
    EXPECT_EQ(RowOf(table, 0), QStringList({"", "No. of repeat\r\n[times]", "Start time\r\n[sec]",
                                            "Stimulus1\r\n[ID]", "Interval1\r\n[sec]", "Stimulus2\r\n[ID]",
                                            "Limit time\r\n[sec]", "Correct\r\nbutton"}));
    EXPECT_EQ(RowOf(table, 1), QStringList({"Trial1", "3", "0.5", "1", "1.0", "2", "Pause", "1"}));
    EXPECT_EQ(RowOf(table, 2), QStringList({"Trial2", "Infinity", "Pause", "", "0.3", "4", "2.0", "2"}));
    const auto pair = Response(2, {Trial({1, 2})}, {});
    EXPECT_EQ(pair->experimentParameter.GetMethod(), 2);
    EXPECT_EQ(SchedulePageTable(*pair, EnglishFormat()).cells.ColCount(), 7) << "no correct column";
}

TEST(ResultPages, StimuliButtonsAndQuestionnaire) {
    CResponse response;
    response.stimuli.SetCount(2);
    response.stimuli[0].orgFileName = QStringLiteral("C:\\waves\\tone.wav");
    response.stimuli[1].orgFileName = QStringLiteral("/home/u/noise.wav");
    response.stimuli[1].comment = QStringLiteral("loud");
    const ResultTable stimuli = StimulusPageTable(response, EnglishFormat());
    EXPECT_EQ(RowOf(stimuli, 0), QStringList({"", "Original files", "Comments"}));
    EXPECT_EQ(RowOf(stimuli, 1), QStringList({"Stimulus1", "tone.wav", ""}));
    EXPECT_EQ(RowOf(stimuli, 2), QStringList({"Stimulus2", "noise.wav", "loud"}));

    CExperimentParameter pair;
    pair.SetMethod(2);
    pair.GetPair()->buttonLabels = {QStringLiteral("first"), QStringLiteral("second")};
    const ResultTable buttons = ButtonsTable(pair, EnglishFormat());
    EXPECT_EQ(buttons.fixedCols, 0);
    EXPECT_EQ(RowOf(buttons, 0), QStringList({"Button1", "Button2"}));
    EXPECT_EQ(RowOf(buttons, 1), QStringList({"first", "second"}));
    CExperimentParameter sd;
    sd.SetMethod(1);
    sd.GetSD()->scales = {{QStringLiteral("dark"), QStringLiteral("bright")}};
    EXPECT_EQ(RowOf(ButtonsTable(sd, EnglishFormat()), 1), QStringList({"1", "dark", "bright"}));

    TestDir dir;
    const auto [a, a2] = PackSubId(QStringLiteral("Ann"));
    const QString entry = dir.file(QStringLiteral("QSR.INI"));
    ASSERT_TRUE(WriteEntry(entry, QStringLiteral("[QUESTIONNAIRE RESULT]\nNRESULTS=2\nRESULT0=%1,%2,31,x\n"
                                                 "RESULT1=0,0,40,y\n\n[QUESTIONNAIRE]\nNTERMS=2\n"
                                                 "TERM0=Age,How old?,1\nTERM1=Note,Anything?,0\n")
                                      .arg(a)
                                      .arg(a2)));
    CQuestionnaireResults set;
    set.Load(entry);
    const ResultTable answers = QuestionnaireDataTable(set, EnglishFormat());
    EXPECT_EQ(answers.fixedCols, 2);
    EXPECT_EQ(RowOf(answers, 0), QStringList({"", "SubjectID", "Age", "Note"}));
    EXPECT_EQ(RowOf(answers, 1), QStringList({"Terminal1", "Ann", "31", "x"}));
    EXPECT_EQ(RowOf(answers, 2), QStringList({"Terminal2", "Undefined", "40", "y"}));
}

TEST(ResultPages, ResultListNumbersRowsWithTwoDigitsAtLeast) {
    TestDir dir;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir.path().toUtf8());
    {
        CProject project;
        ASSERT_TRUE(project.New());
        const ResultTable empty = ResultListTable(project, EnglishFormat());
        EXPECT_EQ(empty.cells.RowCount(), 2) << "one empty data row";
        EXPECT_EQ(RowOf(empty, 0), QStringList({"Index", "No. of stimuli", "Schedule name", "No. of trials",
                                                "No. of terminals", "Date"}));
        for (int i = 0; i < 100; ++i)
            project.AddResponse();
        CResponse* first = project.GetResponse(0);
        Fill(*first, 3, {Trial({1}), Trial({2})}, {{"A", {}}, {"B", {}}, {"C", {}}});
        first->stimuli.SetCount(4);
        first->schedule.name = QStringLiteral("Main");
        first->date = 45000.5; // 2023-03-15 12:00
        const ResultTable list = ResultListTable(project, EnglishFormat());
        EXPECT_EQ(RowOf(list, 1), QStringList({"Result01", "4", "Main", "2", "3", "2023/03/15 12:00:00"}));
        EXPECT_EQ(list.Cell(0, 99), QStringLiteral("Result99"));
        EXPECT_EQ(list.Cell(0, 100), QStringLiteral("Result100"));
    }
    qputenv("TMPDIR", oldTmp);
}
