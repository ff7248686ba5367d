// What the result window writes to files: one-line headings, the parameter and
// questionnaire texts and the SD answers for statistics programs.
#include "ResultExport.h"
#include "Cquest.h"
#include "ResultFixtures.h"
#include "TableText.h"

#include <gtest/gtest.h>

using namespace results_fixture;

namespace {

ResultFormat JapaneseFormat() {
    ResultFormat format;
    format.texts = [](const QString& key) {
        return TextTable::Instance().Text(QStringLiteral("TfrmResult"), key, TextTable::Language::Japanese);
    };
    return format;
}

} // namespace

TEST(ResultExport, HeadingsOnOneLine) {
    const struct {
        const char* heading;
        const char* flat;
    } cases[] = {
        {"SubjectID\r\nA1", "SubjectID A1"},
        {"Correct\r\nbutton", "Correct button"},
        {"Start time\r\n[sec]", "Start time [sec]"},
        {"No. of repeat\r\n[times]", "No. of repeat [times]"},
        {"Stimulus1\r\n[ID]", "Stimulus1 [ID]"},
        // Only the first rule that matches applies; its text is replaced wherever it stands.
        {"SubjectID\r\nX\r\n[sec]", "SubjectID X\r\n[sec]"},
        {"SubjectID\r\nA/SUBJECTID\r\nB", "SubjectID A/SubjectID B"},
        // Headings without a rule's text stay as they are.
        {"Age\r\nGroup", "Age\r\nGroup"},
        {"SubjectID 12", "SubjectID 12"},
        {"subjectid\r\nlow", "subjectid\r\nlow"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FlattenHeader(QString::fromUtf8(c.heading), EnglishFormat()), QString::fromUtf8(c.flat))
            << c.heading;
    EXPECT_EQ(FlattenHeader(QString::fromUtf8("被験者ID\r\nA1"), JapaneseFormat()),
              QString::fromUtf8("被験者ID A1"));
    EXPECT_EQ(FlattenHeader(QString::fromUtf8("反復回数\r\n[回]"), JapaneseFormat()),
              QString::fromUtf8("反復回数 [回]"));

    // Fixed columns and other rows keep their texts.
    GridData cells;
    cells.SetColCount(2);
    cells.SetRowCount(2);
    cells.SetCell(0, 0, "Start time\r\n[sec]");
    cells.SetCell(1, 0, "Start time\r\n[sec]");
    cells.SetCell(1, 1, "SubjectID\r\nA");
    FlattenHeaderRow(cells, 1, EnglishFormat());
    EXPECT_EQ(cells.Cell(0, 0), QStringLiteral("Start time\r\n[sec]"));
    EXPECT_EQ(cells.Cell(1, 0), QStringLiteral("Start time [sec]"));
    EXPECT_EQ(cells.Cell(1, 1), QStringLiteral("SubjectID\r\nA"));
}

TEST(ResultExport, ParameterTextsOfTheMethods) {
    const QStringList instruction = {"Listen.", "Answer."};
    CExperimentParameter category;
    category.SetMethod(3);
    category.GetCategory()->buttonLabels = {"bad", "good"};
    EXPECT_EQ(ParameterText("/p/x.tmv", instruction, category, EnglishFormat()),
              "/p/x.tmv - Category Judgement\r\n\r\n"
              "[Instruction]\r\nListen.\r\nAnswer.\r\n\r\n"
              "[Button]\r\nNumber of categories:2\r\n"
              "Caption:bad, good\r\n"
              "[Option]\r\nPlay indicator:ON\r\n"
              "Layout of buttons:HorizontalFont size:12\r\n");

    CExperimentParameter training;
    training.SetMethod(0);
    training.GetTraining()->play = false;
    training.GetTraining()->judge = true;
    training.GetTraining()->fontSize = 9;
    EXPECT_EQ(ParameterText("", {}, training, EnglishFormat()),
              " - Technical Listening Training\r\n\r\n[Instruction]\r\n\r\n"
              "[Button]\r\nNumber of buttons:0\r\nCaption:\r\n"
              "[Option]\r\nPlay indicator:OFF\r\nCorrect indicator:OFF\r\nJudge indicator:ON\r\n"
              "Near-Miss indicator:OFF\r\nFont size:9\r\n");

    CExperimentParameter sd;
    sd.SetMethod(1);
    sd.GetSD()->divisions = 7;
    sd.GetSD()->scales = {{"warm", "cold"}, {"bright", ""}};
    ResultFormat semicolons = EnglishFormat();
    semicolons.listSeparator = QLatin1Char(';');
    EXPECT_EQ(ParameterText("a.tmv", {"x"}, sd, semicolons),
              "a.tmv - Semantic Differential\r\n\r\n[Instruction]\r\nx\r\n\r\n"
              "[Button]\r\nNumber of scales:7\r\nNumber of words:2\r\n"
              "Word1:warm; bright\r\nWord2:cold; \r\n"
              "[Option]\r\nPlay indicator:ON\r\nFont size:12\r\n");

    CExperimentParameter pair;
    pair.SetMethod(2);
    pair.GetPair()->buttonLabels = {"A"}; // one label short: the second is empty
    EXPECT_TRUE(ParameterText("", {}, pair, EnglishFormat())
                    .endsWith("[Button]\r\nNumber of buttons:2\r\nCaption:A, \r\n"
                              "[Option]\r\nPlay indicator:ON\r\nFont size:12\r\n"));

    CExperimentParameter me;
    me.SetMethod(4);
    EXPECT_EQ(
        ParameterText("m", {}, me, JapaneseFormat()),
        QString::fromUtf8(
            "m - ME法\r\n\r\n[教示文]\r\n\r\n[オプション]\r\n呈示ランプ：ON\r\nフォントサイズ：12\r\n"));

    CExperimentParameter none;
    EXPECT_EQ(ParameterText("m", {"only"}, none, EnglishFormat()), "[Instruction]\r\nonly\r\n\r\n")
        << "no method: the instruction alone";
}

TEST(ResultExport, QuestionnaireText) {
    CQuestionnaire questionnaire;
    questionnaire.SetTermCount(3);
    auto set = [&](int i, const char* name, const char* question, std::int32_t kind,
                   std::vector<QString> choices) {
        CQuestionnaireTerm* term = questionnaire.GetTerm(i);
        term->itemName = name;
        term->question = question;
        term->kind = kind;
        term->choices = std::move(choices);
    };
    set(0, "Age", "How old?", QuestionnaireTermNumber, {});
    set(1, "Ear", "Which ear?", QuestionnaireTermSelection, {"A", "B", "C"});
    set(2, "Note", "Anything?", QuestionnaireTermText, {});
    EXPECT_EQ(QuestionnaireText("/q.tmv", questionnaire, EnglishFormat()),
              "/q.tmv - Questionnaire Items\r\n\r\n"
              "[Item1]\r\nItem name:Age\r\nQuestion:How old?\r\nType:Number type\r\n"
              "[Item2]\r\nItem name:Ear\r\nQuestion:Which ear?\r\nType:Selection type\r\nChoices:A, B, C"
              "[Item3]\r\nItem name:Note\r\nQuestion:Anything?\r\nType:String type\r\n");
}

TEST(ResultExport, TextFileLinesEndEveryLineWithCrLf) {
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"Choices:A, B", "Choices:A, B\r\n"},
        {"one\r\ntwo\r\n", "one\r\ntwo\r\n"},
        {"one\ntwo\rthree", "one\r\ntwo\r\nthree\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(TextFileLines(text).toStdString(), lines.toStdString()) << text.toStdString();
}

TEST(ResultExport, SpssTextOfAnSdResult) {
    auto response = Response(1, {Trial({2}), Trial({1})}, {{"A1", {"12", "3"}}, {"", {"", ""}}});
    response->experimentParameter.GetSD()->scales = {{"warm", "cold"}, {"bright", ""}};
    response->stimuli.SetCount(2);
    response->stimuli[0].orgFileName = "C:\\wav\\one.wav";
    response->stimuli[0].comment = "first";
    response->stimuli[1].orgFileName = "/home/u/two.wav";
    EXPECT_EQ(SpssText(*response, EnglishFormat()),
              "Stimulus [ID], Original file, Comments, SubjectID, warm <-> cold, bright\r\n"
              "2, two.wav, , A1, 1, 2\r\n"
              "2, two.wav, , Undefined, , \r\n"
              "1, one.wav, first, A1, 3, \r\n"
              "1, one.wav, first, Undefined, , \r\n");

    // Several stimuli per trial; a position naming no stimulus of the list and a terminal
    // with fewer answers than trials leave their fields empty.
    auto pairs = Response(1, {Trial({1, 9}), Trial({1, 1})}, {{"B", {"-1"}}});
    pairs->experimentParameter.GetSD()->scales = {{"", "soft"}};
    pairs->stimuli.SetCount(1);
    pairs->stimuli[0].orgFileName = "s.wav";
    ResultFormat numeric = EnglishFormat();
    numeric.textSubjectIds = false;
    numeric.listSeparator = QLatin1Char(';');
    const QStringList lines = SpssText(*pairs, numeric).split("\r\n");
    EXPECT_EQ(lines.value(0), "Stimulus1 [ID]; Original file1; Comments1; Stimulus2 [ID]; Original file2; "
                              "Comments2; SubjectID; soft");
    EXPECT_EQ(lines.value(1), "1; s.wav; ; 9; ; ; 66; -1") << "numeric IDs: the first ID number";
    EXPECT_EQ(lines.value(2), "1; s.wav; ; 1; s.wav; ; 66; ");
    EXPECT_EQ(lines.size(), 4);

    // A comment or word holding the separator, a quote or a line break stays one field.
    pairs->stimuli[0].comment = "loud, \"bright\"\r\nsecond line";
    pairs->experimentParameter.GetSD()->scales = {{"a;b", ""}};
    const QStringList quoted = SpssText(*pairs, numeric).split("\r\n");
    EXPECT_EQ(quoted.value(0).section("; ", -1), "\"a;b\"");
    EXPECT_TRUE(quoted.value(1).startsWith("1; s.wav; \"loud, \"\"bright\"\""))
        << quoted.value(1).toStdString();
    EXPECT_EQ(SpssText(*pairs, numeric).count("\"loud, \"\"bright\"\"\r\nsecond line\""), 3);
}
