// The lists leave the program: printed (to PDF here), exported as comma-separated text or
// as a spreadsheet, and the stimuli's WAV copies written to a folder.
#include "EditorFixture.h"

#include "CardUnit.h"
#include "WavWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QToolButton>

namespace {

QByteArray Unzipped(const QString& path, const QString& member) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, member});
    EXPECT_TRUE(unzip.waitForFinished(30000));
    return unzip.readAllStandardOutput();
}

QString PdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class ListExportTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        NewProject(0);
        // Stimuli 1, 2 and 4 of five hold a file; 2 has a comment.
        TypeCount(w->edtStmNumber, QStringLiteral("5"));
        for (int n : {1, 2, 4}) {
            const QString source = files.file(QStringLiteral("tone%1.wav").arg(n));
            ASSERT_TRUE(WriteWav(source, WavLayout::pcm(1, 8000, 16), PatternBytes(300 + n, n)));
            ASSERT_FALSE(w->project.SetStimulusFile(n - 1, source, false).isEmpty());
        }
        (*w->project.GetStimuli())[1].comment = QStringLiteral("loud, short");
        ASSERT_TRUE(w->ShowStimulusList());
        out = files.file(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(out));
    }

    QString Copy(int n) const {
        return w->project.GetWorkFolder() + (*w->project.GetStimuli())[n - 1].fileName;
    }

    void Select(StringGrid* grid, int col1, int row1, int col2, int row2) {
        ClickCell(grid, col1, row1);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          grid->visualRect(grid->model()->index(row2, col2)).center());
        ASSERT_EQ(grid->Selection(), QRect(QPoint(col1, row1), QPoint(col2, row2)));
    }

    TestDir files;
    QString out;
};

TEST_F(ListExportTest, StimulusListAsCommaSeparatedUtf16Text) {
    ui->fileNames = {out + QStringLiteral("/list")};
    Trigger(w->actFileExportStm);
    EXPECT_TRUE(ui->messages.empty());
    const QByteArray bytes = Bytes(out + QStringLiteral("/list.csv"));
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE")) << "no extension: .csv appended, UTF-16LE with BOM";
    const QString text = QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.value(0), QStringLiteral(",Original files,Comments"));
    EXPECT_EQ(lines.value(2), QStringLiteral("Stimulus2,tone2.wav,\"loud, short\""));
    EXPECT_EQ(lines.value(3), QStringLiteral("Stimulus3,,"));
    EXPECT_EQ(lines.size(), 7) << "header, five rows, and the last line's end";

    // The dialog offers the name again, without its extension; an existing file is replaced
    // only after the question.
    ui->fileNames = {out + QStringLiteral("/list.csv")};
    ui->answers = {UiServices::Answer::No};
    (*w->project.GetStimuli())[1].comment = QStringLiteral("changed");
    ASSERT_TRUE(w->ShowStimulusList());
    Trigger(w->actFileExportStm);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Confirmation);
    EXPECT_EQ(Bytes(out + QStringLiteral("/list.csv")), bytes) << "No keeps the file";
}

TEST_F(ListExportTest, ScheduleCsvQuotesTwoLineHeadersAndXlsxNamesItsSheet) {
    ui->fileNames = {out + QStringLiteral("/plan.txt")};
    Trigger(w->actFileExportSdl);
    const QString text =
        QStringDecoder(QStringDecoder::Utf16LE)(Bytes(out + QStringLiteral("/plan.txt")).mid(2));
    EXPECT_TRUE(text.startsWith(QStringLiteral(",\"No. of repeat\r\n[times]\",\"Start time\r\n[sec]\",")))
        << "another extension stays as chosen: " << text.left(60).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nTrial1,1,1.0,,1.0,-1\r\n"))) << text.toStdString();

    // The spreadsheet type chosen in the dialog: a name without extension gets ".xlsx".
    ui->fileNames = {out + QStringLiteral("/book")};
    ui->fileTypes = {2};
    Trigger(w->actFileExportStm);
    EXPECT_TRUE(Bytes(out + QStringLiteral("/book.xlsx")).startsWith("PK")) << "a zipped workbook";

    // A header cell of the only sheet (the workbook writes texts inline, CR as an escape).
    for (auto [action, sheet, cell, header] :
         {std::tuple{w->actFileExportStm, "Stimulus", "B1", "Original files"},
          std::tuple{w->actFileExportSdl, "Schedule", "C1", "Start time_x000D_\n[sec]"}}) {
        SCOPED_TRACE(sheet);
        const QString path = out + QStringLiteral("/%1.xlsx").arg(QString::fromLatin1(sheet));
        ui->fileNames = {path};
        Trigger(action);
        EXPECT_TRUE(Unzipped(path, QStringLiteral("xl/workbook.xml"))
                        .contains(QByteArray("<sheet name=\"") + sheet + "\""));
        const QString xml = QString::fromUtf8(Unzipped(path, QStringLiteral("xl/worksheets/sheet1.xml")));
        const QString b1 =
            QStringLiteral("<c r=\"%1\"[^>]*><is><t[^>]*>%2</t>")
                .arg(QLatin1String(cell), QRegularExpression::escape(QString::fromLatin1(header)));
        EXPECT_TRUE(xml.contains(QRegularExpression(b1))) << xml.left(600).toStdString();
    }
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ListExportTest, AFailedWriteNamesTheFileAndLeavesNothing) {
    // A regular file where the folder should be: no write can succeed, not even as root.
    const QString blocker = files.file(QStringLiteral("blocker"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    for (const QString& name : {QStringLiteral("list.csv"), QStringLiteral("list.xlsx")}) {
        SCOPED_TRACE(name.toStdString());
        ui->messages.clear();
        ui->fileNames = {blocker + QLatin1Char('/') + name};
        Trigger(w->actFileExportStm);
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
        EXPECT_EQ(
            ui->messages[0].text,
            QStringLiteral("The file \"%1\" could not be written.").arg(blocker + QLatin1Char('/') + name));
    }
    EXPECT_EQ(Entries(files.path()), (QStringList{"blocker", "out", "tone1.wav", "tone2.wav", "tone4.wav"}));
}

TEST_F(ListExportTest, PrintedListCarriesItsTitleLinesAndPageNumber) {
    w->project.GetGeneral()->title = QStringLiteral("Pitch study");
    w->project.GetGeneral()->user = QStringLiteral("Operator");
    QPrinter& printer = *(w->listPrinter = std::make_shared<QPrinter>(QPrinter::HighResolution));
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = out + QStringLiteral("/list.pdf");
    printer.setOutputFileName(pdf);

    ui->printAccepted = false;
    Trigger(w->actFilePrintStm);
    EXPECT_FALSE(QFileInfo::exists(pdf)) << "cancelled";

    ClickCell(w->asgdStimulus, 1, 2);
    ui->printAccepted = true;
    Trigger(w->actFilePrintStm);
    EXPECT_FALSE(ui->printOfferedSelection) << "one cell";
    EXPECT_EQ(ui->printPageCount, 1);
    const QString text = PdfText(pdf);
    // An untitled project's first title line is the suffix alone.
    EXPECT_TRUE(text.contains(QStringLiteral("- Stimulus list"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Pitch study +Operator"))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1/1"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("tone4.wav")));

    // The selection, when chosen, is all that is printed.
    Select(w->asgdStimulus, 1, 1, 1, 2);
    ui->printChoosesSelection = true;
    Trigger(w->actFilePrintStm);
    EXPECT_TRUE(ui->printOfferedSelection);
    const QString part = PdfText(pdf);
    EXPECT_TRUE(part.contains(QStringLiteral("tone2.wav")));
    EXPECT_FALSE(part.contains(QStringLiteral("tone4.wav"))) << part.toStdString();

    // The schedule prints as shown: the answers a self-training subject must not see stay
    // out, as they stay hidden on screen.
    w->selfTraining = true;
    w->HideAnswerColumns();
    ui->printChoosesSelection = false;
    Trigger(w->actFilePrintSdl);
    const QString schedule = PdfText(pdf);
    EXPECT_TRUE(schedule.contains(QStringLiteral("- Schedule"))) << schedule.toStdString();
    EXPECT_TRUE(schedule.contains(QStringLiteral("Trial10")));
    EXPECT_FALSE(schedule.contains(QStringLiteral("Correct"))) << schedule.toStdString();

    // A print that cannot be written says so, naming where it went.
    const QString blocked = out + QStringLiteral("/list.pdf/inside.pdf");
    printer.setOutputFileName(blocked);
    Trigger(w->actFilePrintStm);
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Printing failed: %1").arg(blocked)});
    ui->messages.clear();

    // The page settings go through the same printer.
    Trigger(w->mnuFilePrintSetting);
    EXPECT_EQ(ui->printSetupsShown, 1);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ListExportTest, WavCopiesNeverOverwriteAndSkipEmptyRows) {
    // Only a selection of registered file names offers the command.
    Select(w->asgdStimulus, 1, 2, 2, 4);
    w->UpdateActions();
    EXPECT_FALSE(w->actStmListExportWav->isEnabled()) << "comments selected too";
    Select(w->asgdStimulus, 1, 2, 1, 4);
    w->UpdateActions();
    EXPECT_FALSE(w->actStmListExportWav->isEnabled()) << "stimulus 3 has no file";

    // Stimuli 2 to 4 through the card's path: stimulus 3 is skipped without a word.
    ui->fileNames = {out};
    w->ExportWavFiles(2, 4);
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join('|').toStdString();
    EXPECT_EQ(Entries(out), (QStringList{"tone2.wav", "tone4.wav"}));
    EXPECT_EQ(Bytes(out + QStringLiteral("/tone4.wav")), Bytes(Copy(4)));

    // Again, into a folder holding tone2.wav already: one message, tone4.wav still written.
    const QString second = files.file(QStringLiteral("second"));
    ASSERT_TRUE(QDir().mkpath(second));
    QFile keep(second + QStringLiteral("/tone2.wav"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("mine");
    keep.close();
    Select(w->asgdStimulus, 1, 1, 1, 2);
    ui->fileNames = {second};
    EXPECT_TRUE(Find<QAction>("popStmListExportWav")->isVisible());
    Trigger(w->actStmListExportWav);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
    EXPECT_TRUE(ui->messages[0].text.startsWith(QStringLiteral("It failed in the removal of the WAV file.")));
    EXPECT_TRUE(ui->messages[0].text.contains(second + QStringLiteral("/tone2.wav")));
    EXPECT_EQ(Bytes(second + QStringLiteral("/tone2.wav")), QByteArray("mine"));
    EXPECT_EQ(Entries(second), (QStringList{"tone1.wav", "tone2.wav"})) << "nothing half-written beside";

    // Cancelling the folder dialog writes nothing.
    ui->messages.clear();
    ui->fileNames.clear();
    w->ExportWavFiles(1, 5);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ListExportTest, TheCardsExportButtonWritesItsStimulus) {
    ClickCell(w->asgdStimulus, 2, 4);
    Trigger(w->actStmListShowCard);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w->frmCard));
    QToolButton* button = w->frmCard->findChild<QToolButton*>(QStringLiteral("sbtnExportWav"));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible() && button->isEnabled());
    ui->fileNames = {out};
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return QFileInfo::exists(out + QStringLiteral("/tone4.wav")); }));
    EXPECT_EQ(Entries(out), QStringList{"tone4.wav"});
    EXPECT_EQ(ui->fileDialogCaptions, QStringList{"Select the folder to save to"});
    EXPECT_TRUE(ui->messages.empty());
}
