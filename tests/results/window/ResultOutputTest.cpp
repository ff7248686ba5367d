// The result window's export, print and delete commands, driven as a user drives them;
// files are read back from the disk.
#include "ResultWindowFixture.h"

#include "IniFile.h"
#include "XlsxSheet.h"

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A UTF-16LE file with its byte-order mark, as text.
QString Utf16Text(const QByteArray& bytes) {
    if (!bytes.startsWith("\xFF\xFE"))
        return QStringLiteral("<no byte-order mark>");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2);
}

QString PdfText(const QString& path, int page = 0) {
    QStringList args = {"-layout"};
    if (page > 0)
        args << "-f" << QString::number(page) << "-l" << QString::number(page);
    QProcess pdftotext;
    pdftotext.start("pdftotext", args << path << "-");
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace

class ResultOutputTest : public ResultViewerTest {
protected:
    // Answers the next save dialog with a name in the test folder and a file type.
    QString Choose(const QString& name, int fileType = 1) {
        const QString path = root->file(name);
        ui->fileNames.push_back(path);
        ui->fileTypes.push_back(fileType);
        return path;
    }

    // Another saved project of a method with results of its own.
    QString SaveOtherProject(int method, bool withResults, int questionnaireSets) {
        CProject project;
        EXPECT_TRUE(project.New());
        project.SetMethod(method);
        if (withResults)
            AddThreeResults(project, method);
        for (int i = 0; i < questionnaireSets; ++i)
            project.AddQuestionnaireResults()->GetQuestionnaire()->SetTermCount(1);
        project.SetFileName(root->file(QStringLiteral("other.tmv")));
        EXPECT_TRUE(project.Save());
        return project.GetFileName();
    }

    // The first row of the result list deleted with the tool button, answering Yes.
    void DeleteFirstResult() {
        r->asgdRstList->setFocus();
        ClickCell(r->asgdRstList, 1, 1);
        ASSERT_TRUE(r->actDelRstList->isEnabled());
        ui->answers.push_back(UiServices::Answer::Yes);
        QTest::mouseClick(r->tbtnDelRstList, Qt::LeftButton);
        ASSERT_EQ(w->project.GetResponseCount(), 2);
        ASSERT_TRUE(r->isVisible());
    }
};

TEST_F(ResultOutputTest, GridsExportAsCommaSeparatedFilesAndWorkbooks) {
    OpenResults();
    const QString date = r->asgdRstList->Cell(5, 3);
    ASSERT_FALSE(date.isEmpty());

    // The answers of the shown result: headings on one line, the date in the corner.
    const QString csv = Choose("data") + ".csv";
    r->actExportRstData->trigger();
    const QByteArray bytes = ReadAll(csv);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(Utf16Text(bytes),
              date + ",SubjectID P2,SubjectID Q2\r\nTrial1,1,2\r\nTrial2,2,2\r\nTrial3,3,1\r\n");
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nP2")) << "the grid keeps its headings";
    EXPECT_EQ(r->asgdRstData->Cell(0, 0), date);
    EXPECT_TRUE(ui->messages.empty());

    // The stimulus page as a workbook, its sheet named for it.
    const QString xlsx = Choose("stimuli", 2) + ".xlsx";
    ASSERT_TRUE(r->actExportRstStm->isEnabled());
    r->actExportRstStm->trigger();
    EXPECT_EQ(xlsx_sheet::SheetNames(xlsx), QStringList({"Stimulus"}));
    const auto cells = xlsx_sheet::SheetCells(xlsx, 1);
    EXPECT_EQ(cells.at("B1"), QStringLiteral("Original files"));
    EXPECT_EQ(cells.at("A4"), QStringLiteral("Stimulus3"));

    // A name with an extension is kept whatever the type; the list of the other view.
    const QString other = Choose("list.dat", 2);
    r->actExportRstList->trigger();
    EXPECT_EQ(xlsx_sheet::SheetNames(other), QStringList({"Export Data"}));
    EXPECT_EQ(xlsx_sheet::SheetCells(other, 1).at("C2"), QStringLiteral("Alpha"));

    // Replacing a file asks first; No keeps it.
    Choose("data", 1);
    ui->answers.push_back(UiServices::Answer::No);
    r->actExportRstData->trigger();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Confirmation);
    EXPECT_EQ(ReadAll(csv), bytes);

    // A cancelled dialog writes nothing.
    const int files = QDir(root->path()).entryList(QDir::Files).size();
    r->actExportRstData->trigger();
    EXPECT_EQ(QDir(root->path()).entryList(QDir::Files).size(), files);
}

TEST_F(ResultOutputTest, AFailedWriteIsShownAndLeavesNothing) {
    OpenResults();
    // A folder that cannot exist: its parent is a regular file (root ignores permissions).
    QFile plain(root->file("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (int type : {1, 2}) {
        ui->messages.clear();
        const QString path = Choose("plain/out", type) + (type == 1 ? ".csv" : ".xlsx");
        r->actExportRstData->trigger();
        ASSERT_EQ(ui->messages.size(), 1u) << type;
        EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
        // The cause follows on a line of its own.
        const QStringList lines = ui->messages[0].text.split('\n');
        ASSERT_EQ(lines.size(), 2) << ui->messages[0].text.toStdString();
        EXPECT_EQ(lines[0], path + " could not be written.");
        if (type == 1)
            EXPECT_EQ(lines[1], "Not a directory");
        else
            EXPECT_FALSE(lines[1].isEmpty());
        EXPECT_FALSE(QFile::exists(path));
    }
    // The texts too.
    ui->messages.clear();
    Choose("plain/parameters");
    r->actExportRstPrm->trigger();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text,
              root->file("plain/parameters.txt") + " could not be written.\nNot a directory");
}

TEST_F(ResultOutputTest, ParameterAndQuestionnaireTexts) {
    OpenResults(3, [](CProject& project) {
        CQuestionnaire* questionnaire = project.GetQuestionnaire();
        questionnaire->SetTermCount(2);
        questionnaire->GetTerm(0)->itemName = "Age";
        questionnaire->GetTerm(1)->itemName = "Ear";
        questionnaire->GetTerm(1)->kind = QuestionnaireTermSelection;
        questionnaire->GetTerm(1)->choices = {"L", "R"};
        project.AddQuestionnaireResults()->GetQuestionnaire()->SetTermCount(1);
    });
    const QString parameters = Choose("parameters") + ".txt";
    r->actExportRstPrm->trigger();
    const QString text = Utf16Text(ReadAll(parameters));
    EXPECT_TRUE(text.startsWith(w->project.GetFileName() + " - Category Judgement\r\n\r\n[Instruction]\r\n"))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("Layout of buttons:HorizontalFont size:12\r\n")) << text.toStdString();

    EXPECT_FALSE(r->actExportRstQst->isEnabled()) << "only in the questionnaire view";
    QTest::mouseClick(r->sbtnQuestion, Qt::LeftButton);
    ASSERT_TRUE(r->actExportRstQst->isEnabled());
    EXPECT_FALSE(r->actExportRstPrm->isEnabled());
    const QString items = Choose("items") + ".txt";
    r->actExportRstQst->trigger();
    // Every line of the file ends with CR LF, also the choices of a last selection item.
    EXPECT_EQ(Utf16Text(ReadAll(items)).toStdString(),
              (w->project.GetFileName() +
               " - Questionnaire Items\r\n\r\n[Item1]\r\nItem name:Age\r\nQuestion:\r\nType:String type\r\n"
               "[Item2]\r\nItem name:Ear\r\nQuestion:\r\nType:Selection type\r\nChoices:L, R\r\n")
                  .toStdString());
}

TEST_F(ResultOutputTest, TotalsGoIntoAWorkbookAsNumbersWithTheGridsDecimals) {
    OpenResults(0, CorrectAnswerTwo);
    r->asgdRstList->setFocus();
    ClickCell(r->asgdRstList, 1, 3);
    TotalWith([](TfrmRstDlg* dialog) {
        dialog->rdbTrnType1->click();
        dialog->btnOK->click();
    });
    const QString xlsx = Choose("totals", 2) + ".xlsx";
    ASSERT_TRUE(r->actExportRstTotal->isEnabled());
    r->actExportRstTotal->trigger();
    const auto cells = xlsx_sheet::SheetCells(xlsx, 1);
    const auto formats = xlsx_sheet::CellFormats(xlsx, 1);
    const QString xml = QString::fromUtf8(xlsx_sheet::Member(xlsx, "xl/worksheets/sheet1.xml"));
    StringGrid* grid = r->asgdTtlData;
    int numbers = 0;
    for (int row = 1; row < grid->RowCount(); ++row) {
        for (int col = 1; col < grid->ColCount(); ++col) {
            const QString text = grid->Cell(col, row);
            if (text.isEmpty())
                continue;
            const QString ref = QString(QChar(char16_t(u'A' + col))) + QString::number(row + 1);
            SCOPED_TRACE(ref.toStdString() + " " + text.toStdString());
            ASSERT_TRUE(xml.contains(QRegularExpression(QString("<c r=\"%1\" s=\"\\d+\"><v>").arg(ref))));
            EXPECT_EQ(cells.at(ref).toDouble(), text.toDouble());
            EXPECT_EQ(formats.at(ref).toStdString(), "0.00");
            ++numbers;
        }
    }
    EXPECT_GE(numbers, 8) << "answers of both subjects and their averages, 100.00 and 0.00 among them";
}

TEST_F(ResultOutputTest, SdTotalsLeaveOutTheButtonColumnAndSpssDataIsWritten) {
    OpenResults(1, [](CProject& project) {
        for (int i = 0; i < project.GetResponseCount(); ++i)
            project.GetResponse(i)->experimentParameter.GetSD()->scales = {{"warm", "cold"}};
    });
    EXPECT_TRUE(r->popExportForSPSS->isVisible());
    // Latest first: the first row is Charlie, whose place in the project is the third.
    ClickCell(r->asgdRstList, 5, 0);
    ClickCell(r->asgdRstList, 5, 0);
    r->asgdRstList->setFocus();
    ClickCell(r->asgdRstList, 1, 1);
    TotalWith([](TfrmRstDlg* dialog) {
        dialog->rdbSDType1->click();
        dialog->btnOK->click();
    });
    ASSERT_TRUE(r->actExportRstTotal->isEnabled());
    const QString csv = Choose("sd") + ".csv";
    r->actExportRstTotal->trigger();
    const QStringList lines = Utf16Text(ReadAll(csv)).split("\r\n");
    EXPECT_EQ(lines.value(0), ",SubjectID P2,SubjectID Q2");
    EXPECT_EQ(lines.value(1), "Trial1,1,2");
    EXPECT_EQ(lines.value(2), "warm <-> cold,1,2");
    EXPECT_EQ(lines.value(5), "Trial3,3,1");
    EXPECT_FALSE(r->asgdTtlData->IsHiddenColumn(0));

    const QString xlsx = Choose("sd", 2) + ".xlsx";
    r->actExportRstTotal->trigger();
    const auto cells = xlsx_sheet::SheetCells(xlsx, 1);
    EXPECT_EQ(cells.at("A2"), QStringLiteral("Trial1")) << "the sheet starts at the labels";
    EXPECT_EQ(cells.at("B1"), QStringLiteral("SubjectID\r\nP2"));

    // The statistics data of the current row's result (two stimuli a trial).
    const QString spss = Choose("spss") + ".csv";
    r->popExportForSPSS->trigger();
    const QStringList data = Utf16Text(ReadAll(spss)).split("\r\n");
    EXPECT_EQ(data.value(0), "Stimulus1 [ID], Original file1, Comments1, Stimulus2 [ID], Original file2, "
                             "Comments2, SubjectID, warm <-> cold");
    EXPECT_EQ(data.value(1), "1, , , 2, , , P2, 1");
    EXPECT_EQ(data.value(6), "1, , , 1, , , Q2, 1") << "the third trial";
    EXPECT_EQ(data.size(), 8) << "three trials of two subjects and the final line end";
}

TEST_F(ResultOutputTest, PrintsTheResultDataToPdfOnSeveralPages) {
    OpenResults(3, [](CProject& project) {
        CResponse* response = project.GetResponse(2);
        for (int t = 0; t < 120; ++t) {
            response->schedule.trials.push_back(Trial({1, 2}));
            for (CTerminalResponse& terminal : response->terminalResponses)
                terminal.answers.push_back(QString::number(t % 5));
        }
        project.GetGeneral()->user = "Tester";
    });
    QPrinter& printer = r->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = root->file("data.pdf");
    printer.setOutputFileName(pdf);
    ui->printAccepted = true;
    // The page settings go with the printer the prints use.
    ASSERT_TRUE(r->tbtnPrintSetting->isEnabled());
    QTest::mouseClick(r->tbtnPrintSetting, Qt::LeftButton);
    EXPECT_EQ(ui->printSetupsShown, 1);
    r->asgdRstData->setFocus();
    ClickCell(r->asgdRstData, 1, 2);
    r->actPrintRstData->trigger();
    EXPECT_FALSE(ui->printOfferedSelection) << "one cell selected";
    ASSERT_GE(ui->printPageCount, 2);
    ASSERT_TRUE(QFile::exists(pdf));
    const QString first = PdfText(pdf, 1);
    EXPECT_TRUE(first.contains(w->project.GetFileName() + " - Experiment result data"))
        << first.toStdString();
    EXPECT_TRUE(first.contains(QRegularExpression("\\bresults +Tester"))) << first.toStdString();
    EXPECT_TRUE(first.contains(QString("Page 1/%1").arg(ui->printPageCount)));
    const QString second = PdfText(pdf, 2);
    EXPECT_TRUE(second.contains(QString("Page 2/%1").arg(ui->printPageCount)));
    EXPECT_TRUE(second.contains("SubjectID")) << "the heading row on every page";
    EXPECT_TRUE(ui->messages.empty());

    // A whole list row is a selection worth offering; chosen, it alone is printed under
    // the headings.
    ui->printChoosesSelection = true;
    r->asgdRstList->setFocus();
    ClickCell(r->asgdRstList, 1, 2);
    r->actPrintRstList->trigger();
    EXPECT_TRUE(ui->printOfferedSelection);
    const QString list = PdfText(pdf);
    EXPECT_TRUE(list.contains(" - Experiment result list")) << list.toStdString();
    EXPECT_TRUE(list.contains("Schedule name"));
    EXPECT_TRUE(list.contains("Bravo"));
    EXPECT_FALSE(list.contains("Alpha"));

    // Cancelling prints nothing.
    ui->printAccepted = false;
    QFile::remove(pdf);
    r->actPrintRstList->trigger();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(ResultOutputTest, DeletingTheCurrentResultAfterASort) {
    OpenResults();
    ClickCell(r->asgdRstList, 5, 0);
    ClickCell(r->asgdRstList, 5, 0);
    ASSERT_EQ(Column(r->asgdRstList, 2), QStringList({"Schedule name", "Charlie", "Bravo", "Alpha"}));
    r->asgdRstList->setFocus();
    ClickCell(r->asgdRstList, 1, 2);
    ASSERT_TRUE(r->actDelRstList->isEnabled());

    ui->answers.push_back(UiServices::Answer::No);
    QTest::mouseClick(r->tbtnDelRstList, Qt::LeftButton);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Warning);
    EXPECT_EQ(ui->messages[0].buttons, UiServices::Buttons::YesNo);
    EXPECT_EQ(w->project.GetResponseCount(), 3) << "only Yes deletes";

    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstList, Qt::LeftButton);
    ASSERT_EQ(w->project.GetResponseCount(), 2);
    EXPECT_EQ(w->project.GetResponse(0)->schedule.name, QStringLiteral("Alpha"));
    EXPECT_EQ(w->project.GetResponse(1)->schedule.name, QStringLiteral("Charlie"));
    EXPECT_EQ(Column(r->asgdRstList, 0), QStringList({"Index", "Result03", "Result01"})) << "not renumbered";
    EXPECT_EQ(r->asgdRstList->Row(), 2);
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nP0")) << "the pages show Alpha";

    // Deleting by the first row now removes Charlie, and the last result is not offered.
    ClickCell(r->asgdRstList, 1, 1);
    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstList, Qt::LeftButton);
    ASSERT_EQ(w->project.GetResponseCount(), 1);
    EXPECT_EQ(w->project.GetResponse(0)->schedule.name, QStringLiteral("Alpha"));
    EXPECT_FALSE(r->actDelRstList->isEnabled());

    r->close();
    EXPECT_TRUE(PumpUntil([&] { return w->projectModified; }));
}

TEST_F(ResultOutputTest, DeletingTheLastOrTheMiddleRowShowsTheRowThatTakesItsPlace) {
    for (int row : {3, 2}) {
        SCOPED_TRACE(row);
        OpenResults();
        r->asgdRstList->setFocus();
        ClickCell(r->asgdRstList, 1, row == 3 ? 1 : 3);
        ClickCell(r->asgdRstList, 1, row);
        ui->answers.push_back(UiServices::Answer::Yes);
        QTest::mouseClick(r->tbtnDelRstList, Qt::LeftButton);
        ASSERT_EQ(w->project.GetResponseCount(), 2);
        EXPECT_EQ(w->project.GetResponse(1)->schedule.name, row == 3 ? "Bravo" : "Charlie");
        EXPECT_EQ(r->asgdRstData->Cell(1, 0), row == 3 ? "SubjectID\r\nP1" : "SubjectID\r\nP2");
        r->close();
        ASSERT_TRUE(PumpUntil([&] { return w->projectModified; }));
        w->projectModified = false;
    }
}

TEST_F(ResultOutputTest, DeletingASubjectOfTheShownResult) {
    OpenResults(0, [](CProject& project) {
        for (int i = 0; i < project.GetResponseCount(); ++i)
            for (CTrial& trial : project.GetResponse(i)->schedule.trials)
                trial.correctAnswer = 2;
    });
    // Sorted latest first, then Alpha shown: its place in the list is Charlie's index.
    ClickCell(r->asgdRstList, 5, 0);
    ClickCell(r->asgdRstList, 5, 0);
    ClickCell(r->asgdRstList, 1, 3);
    ASSERT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nP0"));

    r->asgdRstData->setFocus();
    ClickCell(r->asgdRstData, 3, 1);
    EXPECT_FALSE(r->actDelRstSub->isEnabled()) << "the Correct % column";
    ClickCell(r->asgdRstData, 4, 1);
    EXPECT_FALSE(r->actDelRstSub->isEnabled()) << "the correct-button column";
    ClickCell(r->asgdRstData, 1, 2);
    ASSERT_TRUE(r->actDelRstSub->isEnabled());

    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstSub, Qt::LeftButton);
    ASSERT_EQ(w->project.GetResponse(0)->terminalResponses.size(), 1u);
    EXPECT_EQ(w->project.GetResponse(2)->terminalResponses.size(), 2u) << "Charlie keeps its subjects";
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nQ0"));
    EXPECT_EQ(r->asgdRstData->ColCount(), 4);
    r->close();
    EXPECT_TRUE(PumpUntil([&] { return w->projectModified; }));
}

TEST_F(ResultOutputTest, ASubjectOfAnotherMethodIsKeptWhenItIsTheLastOne) {
    OpenResults(3, [](CProject& project) { project.GetResponse(2)->terminalResponses.pop_back(); });
    r->asgdRstData->setFocus();
    ClickCell(r->asgdRstData, 1, 2);
    EXPECT_FALSE(r->actDelRstSub->isEnabled());
    EXPECT_FALSE(r->tbtnDelRstSub->isEnabled());
}

TEST_F(ResultOutputTest, DeletingARespondentOfTheShownSet) {
    OpenResults(3, [](CProject& project) {
        for (int set = 0; set < 2; ++set) {
            tamvik::IniFile ini;
            const QString section = CQuestionnaireResults::Section;
            ini.WriteInteger(section, "NRESULTS", 3);
            for (int i = 0; i < 3; ++i)
                ini.WriteString(section, QString("RESULT%1").arg(i),
                                QString("%1,-1,a%2,b%2").arg(set * 10 + i).arg(i));
            CQuestionnaireResults* results = project.AddQuestionnaireResults();
            results->Load(ini);
            ASSERT_EQ(results->GetResultCount(), 3);
            results->GetQuestionnaire()->SetTermCount(2);
        }
    });
    QTest::mouseClick(r->sbtnQuestion, Qt::LeftButton);
    ClickCell(r->asgdQstList, 1, 1);
    ASSERT_EQ(r->asgdQstData->Cell(2, 2), QStringLiteral("a1"));
    r->asgdQstData->setFocus();
    ClickCell(r->asgdQstData, 3, 2);
    ASSERT_TRUE(r->actDelRstSub->isEnabled());
    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstSub, Qt::LeftButton);
    const CQuestionnaireResults* first = w->project.GetQuestionnaireResults(0);
    ASSERT_EQ(first->GetResultCount(), 2);
    EXPECT_EQ(first->GetResult(1)->answers, (std::vector<QString>{"a2", "b2"}));
    EXPECT_EQ(w->project.GetQuestionnaireResults(1)->GetResultCount(), 3);
    EXPECT_EQ(r->asgdQstData->Cell(2, 2), QStringLiteral("a2")) << "its row is gone";
}

TEST_F(ResultOutputTest, DeleteAllSwitchesToTheOtherKindOrClosesTheWindow) {
    OpenResults(3, [](CProject& project) {
        for (int i = 0; i < 3; ++i)
            project.AddQuestionnaireResults()->GetQuestionnaire()->SetTermCount(1);
    });
    // One questionnaire set of three, by its row.
    QTest::mouseClick(r->sbtnQuestion, Qt::LeftButton);
    r->asgdQstList->setFocus();
    ClickCell(r->asgdQstList, 1, 1);
    ClickCell(r->asgdQstList, 1, 2);
    ASSERT_TRUE(r->actDelRstList->isEnabled());
    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstList, Qt::LeftButton);
    EXPECT_EQ(w->project.GetQuestionnaireResultsCount(), 2);
    EXPECT_EQ(Column(r->asgdQstList, 0), QStringList({"Index", "Result01", "Result03"}));

    // Every experiment result at once; the questionnaire view stays the only one.
    QTest::mouseClick(r->sbtnExec, Qt::LeftButton);
    ui->messages.clear();
    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstAll, Qt::LeftButton);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_TRUE(
        ui->messages[0].text.startsWith("All experimental results are deleted, indication is changed"));
    EXPECT_EQ(w->project.GetResponseCount(), 0);
    EXPECT_TRUE(r->pnlQuestion->isVisible());
    EXPECT_FALSE(r->sbtnExec->isEnabled());

    // Then every questionnaire result: nothing is left to show, so the window closes and
    // the main window deletes them.
    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstAll, Qt::LeftButton);
    EXPECT_FALSE(r->isVisible());
    EXPECT_TRUE(PumpUntil([&] { return w->project.GetQuestionnaireResultsCount() == 0; }));
    EXPECT_TRUE(w->projectModified);
    EXPECT_FALSE(Find<QAction>("actExecResult")->isEnabled());
    EXPECT_FALSE(r->deleteAllQuestionnaireResults) << "reported once";
}

TEST_F(ResultOutputTest, DeleteAllWaitsForTheCloseWhenNothingElseIsLeft) {
    OpenResults();
    EXPECT_FALSE(r->sbtnQuestion->isEnabled());
    ui->answers.push_back(UiServices::Answer::No);
    QTest::mouseClick(r->tbtnDelRstAll, Qt::LeftButton);
    EXPECT_TRUE(r->isVisible());
    ui->answers.push_back(UiServices::Answer::Yes);
    QTest::mouseClick(r->tbtnDelRstAll, Qt::LeftButton);
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_TRUE(ui->messages[1].text.startsWith(
        "All experimental results are deleted, the result report is closed."));
    EXPECT_FALSE(r->isVisible());
    EXPECT_EQ(w->project.GetResponseCount(), 3) << "the main window deletes them when told";
    EXPECT_TRUE(PumpUntil([&] { return w->project.GetResponseCount() == 0; }));
}

TEST_F(ResultOutputTest, DeletionsInTheOpenWindowAreAskedAboutBeforeTheProjectGoes) {
    const QString other = SaveOtherProject(3, true, 0);
    // With the window still open after a deletion: closing the program, opening another
    // project. Cancel keeps the project with its deletion.
    for (const bool openOther : {false, true}) {
        SCOPED_TRACE(openOther);
        OpenResults();
        ASSERT_FALSE(w->projectModified);
        DeleteFirstResult();
        ui->messages.clear();
        ui->answers.push_back(UiServices::Answer::Cancel);
        if (openOther)
            Find<QAction>("actFileOpenPrj")->trigger();
        else
            EXPECT_FALSE(w->close());
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_TRUE(ui->messages[0].text.startsWith("Project is changed."))
            << ui->messages[0].text.toStdString();
        EXPECT_EQ(w->project.GetFileName(), root->file("results.tmv"));
        EXPECT_EQ(w->project.GetResponseCount(), 2);
        EXPECT_TRUE(w->projectModified);
        EXPECT_TRUE(ui->fileDialogCaptions.isEmpty()) << "nothing else asked after Cancel";
    }

    // No: the other project opens as it was stored, and nothing of the old window's
    // deletions reaches it later.
    OpenResults();
    DeleteFirstResult();
    ui->answers.push_back(UiServices::Answer::No);
    ui->fileNames.push_back(other);
    Find<QAction>("actFileOpenPrj")->trigger();
    ASSERT_EQ(w->project.GetFileName(), other);
    ASSERT_TRUE(DrainPosted());
    EXPECT_FALSE(w->projectModified);
    Find<QAction>("actExecResult")->trigger();
    ASSERT_TRUE(r->isVisible());
    r->close();
    ASSERT_TRUE(DrainPosted());
    EXPECT_FALSE(w->projectModified) << "the other project's results were not touched";
    EXPECT_EQ(w->project.GetResponseCount(), 3);
}

TEST_F(ResultOutputTest, AnotherProjectShowsOnlyItsOwnResults) {
    OpenResults(1, [](CProject& project) {
        for (int i = 0; i < project.GetResponseCount(); ++i)
            project.GetResponse(i)->experimentParameter.GetSD()->scales = {{"warm", "cold"}};
    });
    r->close();
    ASSERT_TRUE(DrainPosted());
    // An SD project with questionnaire results only.
    ui->fileNames.push_back(SaveOtherProject(1, false, 1));
    Find<QAction>("actFileOpenPrj")->trigger();
    Find<QAction>("actExecResult")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(r));
    EXPECT_FALSE(r->sbtnExec->isEnabled());
    EXPECT_EQ(Column(r->asgdRstList, 2).join(QLatin1Char('|')).toStdString(), "Schedule name|")
        << "no row of the previous project";
    EXPECT_EQ(r->asgdRstData->RowCount() * r->asgdRstData->ColCount(), 0) << "nor its answers";

    // The statistics export has no result to write, from the menu or otherwise.
    EXPECT_FALSE(r->popExportForSPSS->isEnabled());
    ui->messages.clear();
    const QString spss = Choose("spss") + ".csv";
    r->popExportForSPSS->trigger();
    r->popExportForSPSSClick();
    EXPECT_TRUE(ui->messages.empty()) << ui->messages.front().text.toStdString();
    EXPECT_FALSE(QFile::exists(spss));
}

TEST_F(ResultOutputTest, SdTabulationFoldsByItsNodesAndLabelsAreNotSelectable) {
    OpenResults(1, [](CProject& project) {
        for (int i = 0; i < project.GetResponseCount(); ++i)
            project.GetResponse(i)->experimentParameter.GetSD()->scales = {{"warm", "cold"}, {"", "soft"}};
    });
    r->asgdRstList->setFocus();
    ClickCell(r->asgdRstList, 1, 2);
    ClickCell(r->asgdRstList, 1, 3);
    TotalWith([](TfrmRstDlg* dialog) {
        dialog->rdbSDType1->click();
        dialog->btnOK->click();
    });
    StringGrid* grid = r->asgdTtlData;
    ASSERT_TRUE(grid->IsNode(1));
    EXPECT_EQ(grid->Col(), 2);
    ClickCell(grid, 1, 2);
    EXPECT_FALSE(grid->selectionModel()->isSelected(grid->model()->index(2, 1)));
    ClickCell(grid, 1, 1); // the label of trial 1
    EXPECT_TRUE(grid->isRowHidden(2));
    EXPECT_TRUE(grid->isRowHidden(3));
    EXPECT_FALSE(grid->isRowHidden(4));
    ClickCell(grid, 0, 1); // its button
    EXPECT_FALSE(grid->isRowHidden(2));
}

TEST_F(ResultOutputTest, SortedListsAndTheCurrentRowsLook) {
    OpenResults();
    StringGrid* list = r->asgdRstList;
    // Numbers sort as numbers: 1, 2, 3 stimuli; then the other way round.
    ClickCell(list, 1, 0);
    EXPECT_EQ(Column(list, 1).mid(1), QStringList({"1", "2", "3"}));
    EXPECT_EQ(list->SortColumn(), 1);
    ClickCell(list, 1, 0);
    EXPECT_EQ(Column(list, 1).mid(1), QStringList({"3", "2", "1"}));
    EXPECT_EQ(r->ResultIndexOfRow(1), 2);

    // The current row is framed and bold: the same row looks different once current.
    ClickCell(list, 0, 2);
    const QRect row = list->visualRect(list->model()->index(2, 0));
    const QImage current = list->viewport()->grab(row).toImage();
    ClickCell(list, 0, 3);
    const QImage plain = list->viewport()->grab(row).toImage();
    EXPECT_NE(current, plain);
    const QColor frame = list->palette().color(QPalette::ToolTipBase);
    EXPECT_EQ(QColor(current.pixel(row.width() / 2, 0)), frame);
    EXPECT_NE(QColor(plain.pixel(row.width() / 2, 0)), frame);
}
