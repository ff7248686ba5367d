// File > Export's text reports of the experiment parameters and the questionnaire: the
// texts built for every method, the files written through the commands and read back,
// and a write that fails.
#include "EditorFixture.h"

#include "Cexp.h"
#include "Cinst.h"
#include "Cquest.h"
#include "ParameterReport.h"
#include "TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>

namespace {

ReportTexts English(QChar separator = QLatin1Char(',')) {
    ReportTexts texts;
    texts.text = [](const char* key) {
        return TextTable::Instance().Text(QStringLiteral("TfrmMain"), QString::fromLatin1(key),
                                          TextTable::Language::English);
    };
    texts.listSeparator = separator;
    return texts;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

CQuestionnaireTerm Term(const QString& name, const QString& question, int kind,
                        std::vector<QString> choices = {}) {
    CQuestionnaireTerm term;
    term.itemName = name;
    term.question = question;
    term.kind = kind;
    term.choices = std::move(choices);
    return term;
}

CInstruction Lines(QStringList lines) {
    CInstruction instruction;
    instruction.lines = std::move(lines);
    return instruction;
}

} // namespace

TEST(ParameterReportText, EveryMethodsSection) {
    struct Case {
        const char* what;
        int method;
        std::function<void(CExperimentParameter&)> set;
        QString path;
        QChar separator;
        QString expected;
    };
    const QString instruction = QStringLiteral("[Instruction]\r\n\r\n");
    const Case cases[] = {
        {"training, captions joined, empty one kept", 0,
         [](CExperimentParameter& p) {
             CExpTraining* t = p.GetTraining();
             t->buttonLabels = {"", "b", "c"};
             t->correct = true;
             t->yellow = false;
             t->judge = true;
             t->fontSize = 14;
         },
         "/p/a.tmv", ',',
         "/p/a.tmv - Technical Listening Training\r\n\r\n" + instruction +
             "[Button]\r\nNumber of buttons:3\r\nCaption:, b, c\r\n[Option]\r\nPlay indicator:ON\r\n"
             "Correct indicator:ON\r\nJudge indicator:ON\r\nNear-Miss indicator:OFF\r\nFont size:14\r\n"},
        {"untitled SD under a semicolon separator", 1,
         [](CExperimentParameter& p) {
             p.GetSD()->scales = {{"warm", "cold"}, {"bright", "dark"}};
             p.GetSD()->divisions = 7;
             p.GetSD()->play = false;
         },
         "", ';',
         " - Semantic Differential\r\n\r\n" + instruction +
             "[Button]\r\nNumber of scales:7\r\nNumber of words:2\r\nWord1:warm; bright\r\nWord2:cold; "
             "dark\r\n"
             "[Option]\r\nPlay indicator:OFF\r\nFont size:12\r\n"},
        {"paired comparison with one caption stored", 2,
         [](CExperimentParameter& p) { p.GetPair()->buttonLabels = {"A"}; }, "x.tmv", ',',
         "x.tmv - Pair Comparison\r\n\r\n" + instruction +
             "[Button]\r\nNumber of buttons:2\r\nCaption:A, \r\n[Option]\r\nPlay indicator:ON\r\nFont "
             "size:12\r\n"},
        {"category: layout and font size on one line", 3,
         [](CExperimentParameter& p) {
             p.GetCategory()->buttonLabels = {"lo", "hi"};
         },
         "c.tmv", ',',
         "c.tmv - Category Judgement\r\n\r\n" + instruction +
             "[Button]\r\nNumber of categories:2\r\nCaption:lo, hi\r\n[Option]\r\nPlay indicator:ON\r\n"
             "Layout of buttons:HorizontalFont size:12\r\n"},
        {"magnitude estimation", 4, [](CExperimentParameter&) {}, "m.tmv", ',',
         "m.tmv - Magnitude Estimation\r\n\r\n" + instruction +
             "[Option]\r\nPlay indicator:ON\r\nFont size:12\r\n"},
        {"no method: the instruction alone", -1, [](CExperimentParameter&) {}, "n.tmv", ',', instruction},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CExperimentParameter parameter;
        parameter.SetMethod(c.method);
        c.set(parameter);
        EXPECT_EQ(BuildParameterReport(c.path, parameter, CInstruction(), English(c.separator)), c.expected);
    }

    CExperimentParameter me;
    me.SetMethod(4);
    EXPECT_EQ(BuildParameterReport("m", me, Lines({"Listen.", "", "Answer."}), English()),
              "m - Magnitude Estimation\r\n\r\n[Instruction]\r\nListen.\r\n\r\nAnswer.\r\n\r\n"
              "[Option]\r\nPlay indicator:ON\r\nFont size:12\r\n");
}

TEST(ParameterReportText, QuestionnaireItemsAndFileBytes) {
    CQuestionnaire q;
    EXPECT_EQ(BuildQuestionnaireReport("q.tmv", q, English()), "q.tmv - Questionnaire Items\r\n\r\n");
    q.SetTermCount(3);
    *q.GetTerm(0) = Term("hand", "Which hand?", QuestionnaireTermSelection, {"A", "B", "C"});
    *q.GetTerm(1) = Term("age", "Please input your age", QuestionnaireTermNumber);
    *q.GetTerm(2) = Term("none", "", QuestionnaireTermSelection);
    const QString text = BuildQuestionnaireReport("q.tmv", q, English());
    EXPECT_EQ(text,
              "q.tmv - Questionnaire Items\r\n\r\n"
              "[Item1]\r\nItem name:hand\r\nQuestion:Which hand?\r\nType:Selection type\r\nChoices:A, B, C"
              "[Item2]\r\nItem name:age\r\nQuestion:Please input your age\r\nType:Number type\r\n"
              "[Item3]\r\nItem name:none\r\nQuestion:\r\nType:Selection type\r\nChoices:");

    // Every break as CR LF, one added at the end; UTF-16LE behind a byte-order mark.
    const QByteArray bytes = ReportFileBytes(QStringLiteral("a\nb\rc\r\nd"));
    EXPECT_EQ(bytes,
              QByteArray("\xFF\xFE", 2) + QByteArray("a\0\r\0\n\0b\0\r\0\n\0c\0\r\0\n\0d\0\r\0\n\0", 24));
    EXPECT_EQ(tamvik::DecodeText(ReportFileBytes(QStringLiteral("x\r\n"))), QStringLiteral("x\r\n"));
}

class ParameterReportTest : public EditorTest {
protected:
    QString Export(QAction* action, const QString& name) {
        ui->fileNames = {root->file(name)};
        Trigger(action);
        return root->file(name + QStringLiteral(".txt"));
    }
};

TEST_F(ParameterReportTest, ParameterReportIsWrittenFromTheLastStoredProjectInEitherLanguage) {
    NewProject(0);
    w->memExplain->setPlainText(QStringLiteral("Listen."));
    w->asgdTrnBtn->SetCell(1, 1, QStringLiteral("a"));
    w->asgdTrnBtn->SetCell(1, 2, QStringLiteral("b"));
    const QString project = root->file(QStringLiteral("lesson.tmv"));
    ui->fileNames = {project};
    Trigger(w->actFileSaveAsPrj);
    // Changed after the save: the report shows what the project holds.
    w->asgdTrnBtn->SetCell(1, 2, QStringLiteral("changed"));

    const QString path = Export(w->actFileExportPrm, QStringLiteral("report"));
    EXPECT_TRUE(ui->messages.empty());
    // The shared save dialog offers its last name without the extension.
    EXPECT_EQ(ui->fileDialogStarts.last(), root->file(QStringLiteral("lesson")));
    EXPECT_EQ(ui->fileDialogFilters.last(), QStringLiteral("Text file (*.txt)"));
    const QByteArray bytes = ReadAll(path);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(
        tamvik::DecodeText(bytes),
        project +
            " - Technical Listening Training\r\n\r\n[Instruction]\r\nListen.\r\n\r\n"
            "[Button]\r\nNumber of buttons:2\r\nCaption:a, b\r\n[Option]\r\nPlay indicator:ON\r\n"
            "Correct indicator:OFF\r\nJudge indicator:ON\r\nNear-Miss indicator:OFF\r\nFont size:12\r\n");

    Find<QAction>("mnuViewLanguageJapanese")->trigger();
    ui->answers = {UiServices::Answer::Yes}; // replace the earlier report
    const QString again = Export(w->actFileExportPrm, QStringLiteral("report"));
    EXPECT_EQ(again, path);
    EXPECT_EQ(ui->fileDialogStarts.last(), root->file(QStringLiteral("report")));
    EXPECT_EQ(ui->fileDialogFilters.last(), QStringLiteral("テキストファイル (*.txt)"));
    const QString japanese = tamvik::DecodeText(ReadAll(path));
    EXPECT_TRUE(japanese.startsWith(project + " - 音感トレーニング\r\n\r\n[教示文]\r\nListen.\r\n"))
        << japanese.toStdString();
    EXPECT_TRUE(japanese.contains(
        "[ボタン]\r\nボタン数：2\r\nキャプション：a, b\r\n[オプション]\r\n呈示ランプ：ON\r\n"))
        << japanese.toStdString();
}

TEST_F(ParameterReportTest, QuestionnaireReportThroughItsCommand) {
    NewProject(4);
    CQuestionnaire* q = w->project.GetQuestionnaire();
    q->SetTermCount(1);
    *q->GetTerm(0) = Term("hand", "Which?", QuestionnaireTermSelection, {"L", "R"});
    const QString path = Export(w->actFileExportQst, QStringLiteral("items"));
    EXPECT_EQ(tamvik::DecodeText(ReadAll(path)),
              " - Questionnaire Items\r\n\r\n[Item1]\r\nItem name:hand\r\n"
              "Question:Which?\r\nType:Selection type\r\nChoices:L, R\r\n");
    EXPECT_FALSE(w->mnuFileExportQst->isVisible()) << "the menu does not offer it";
}

TEST_F(ParameterReportTest, AFailedWriteNamesTheFileAndLeavesNothing) {
    NewProject(1);
    // Root may write anywhere: a regular file as the parent folder fails for anyone.
    const QString notAFolder = root->file(QStringLiteral("plain"));
    {
        QFile f(notAFolder);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QString target = notAFolder + QStringLiteral("/report.txt");
    ui->fileNames = {target};
    Trigger(w->actFileExportPrm);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text, QStringLiteral("The file %1 could not be written.").arg(target));
    EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(ReadAll(notAFolder), QByteArray("x"));

    // Cancelled: nothing written, nothing said.
    ui->messages.clear();
    ui->fileNames = {QString()};
    Trigger(w->actFileExportPrm);
    EXPECT_TRUE(ui->messages.empty());
}
