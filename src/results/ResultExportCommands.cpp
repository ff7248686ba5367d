// The export commands of the result window: grids as comma-separated files or workbooks,
// the parameter and questionnaire texts, and the SD answers for statistics programs.
#include "AtomicFile.h"
#include "BusyStatus.h"
#include "Cproject.h"
#include "CsvWriter.h"
#include "FileFilter.h"
#include "ResultExport.h"
#include "ResultUnit.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "UiServices.h"
#include "XlsxWriter.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kWindow = QStringLiteral("TfrmResult");

QString Ids(const char* key) {
    return TextTable::Instance().Text(kWindow, QString::fromLatin1(key));
}

// The first file type of a "name|pattern|..." filter.
QString FirstType(const QString& tableFilter) {
    return tableFilter.section(QLatin1Char('|'), 0, 0);
}

// The previous file's name is proposed without its extension.
QString WithoutExtension(const QString& path) {
    const QFileInfo file(path);
    return file.suffix().isEmpty() ? path : file.dir().filePath(file.completeBaseName());
}

} // namespace

QString TfrmResult::AskExportFile(const QString& filter, const QString& defaultSuffix) {
    const QString chosen = UiServices::Get().SaveFileNameAsking(this, QString(), WithoutExtension(m_savePath),
                                                                filter, defaultSuffix);
    if (!chosen.isEmpty())
        m_savePath = chosen;
    return chosen;
}

void TfrmResult::ShowWriteFailure(const QString& path, const QString& detail) {
    QString text = TextTable::Instance()
                       .Text(kWindow, QStringLiteral("ExportFailed"))
                       .arg(QDir::toNativeSeparators(path));
    UiServices::Get().MessageText(this, UiServices::WithDetail(text, detail), QStringLiteral("Tamvik"),
                                  UiServices::Kind::Error, UiServices::Buttons::Ok);
}

bool TfrmResult::WriteExportText(const QString& path, const QString& text) {
    QString error;
    if (tamvik::WriteFileAtomically(path, CsvWriter::EncodeText(TextFileLines(text)), -1, &error))
        return true;
    ShowWriteFailure(path, error);
    return false;
}

bool TfrmResult::ExportGrid(StringGrid* grid) {
    const bool known = grid == asgdRstList || grid == asgdRstData || grid == asgdQstList ||
                       grid == asgdQstData || grid == asgdTtlData || grid == asgdStmData ||
                       grid == asgdSdlData;
    if (!known || !project)
        return false;
    int fileType = 1;
    QString path = UiServices::Get().SaveFileNameOfType(this, QString(), WithoutExtension(m_savePath),
                                                        DialogFilter(Ids("IDS_196")), fileType);
    if (path.isEmpty())
        return false;
    raise();
    activateWindow();
    const bool workbook = fileType == 2;
    if (QFileInfo(path).suffix().isEmpty())
        path += workbook ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
    // The name may have changed since the dialog asked about replacing a file.
    if (!UiServices::Get().MayReplace(this, path))
        return false;
    m_savePath = path;
    // A large table takes a while to write; the cursor goes before any message.
    BusyCursor busy;

    // The SD tabulation's first column holds only the group buttons.
    const bool skipFirst = grid == asgdTtlData && project->GetMethod() == 1;
    std::vector<int> columns;
    if (!workbook) {
        // The date of the current result heads the file.
        grid->SetCell(0, 0, asgdRstList->Cell(5, asgdRstList->Row()));
    }
    GridData shown = grid->ShownData();
    for (int c = skipFirst ? 1 : 0; c < shown.ColCount(); ++c)
        columns.push_back(c);
    if (!workbook) {
        FlattenHeaderRow(shown, grid->ShownFixedCols(), Format());
        QString error;
        if (!CsvWriter::Write(path, shown, columns, &error)) {
            busy.End();
            ShowWriteFailure(path, error);
            return false;
        }
        return true;
    }
    XlsxWriter::Sheet sheet;
    sheet.name = grid == asgdStmData   ? QStringLiteral("Stimulus")
                 : grid == asgdSdlData ? QStringLiteral("Schedule")
                                       : QStringLiteral("Export Data");
    sheet.data = &shown;
    sheet.columns = columns;
    sheet.decimalPoint = Format().decimalSeparator;
    QString error;
    if (!XlsxWriter::Write(path, {sheet}, &error)) {
        busy.End();
        ShowWriteFailure(path, error);
        return false;
    }
    return true;
}

void TfrmResult::actExportRstListExecute() {
    ExportGrid(pnlResult->isHidden() ? asgdQstList : asgdRstList);
}

void TfrmResult::actExportRstDataExecute() {
    raise();
    activateWindow();
    ExportGrid(pnlResult->isHidden() ? asgdQstData : asgdRstData);
}

void TfrmResult::actExportRstTotalExecute() {
    ExportGrid(asgdTtlData);
}

void TfrmResult::actExportRstStmExecute() {
    ExportGrid(asgdStmData);
}

void TfrmResult::actExportRstSdlExecute() {
    ExportGrid(asgdSdlData);
}

QString TfrmResult::GetParameterText() const {
    const int index = CurrentResult();
    if (!project || index < 0)
        return QString();
    return ParameterText(project->GetFileName(), project->GetInstruction()->lines,
                         project->GetResponse(index)->experimentParameter, Format());
}

QString TfrmResult::GetQuestionnaireText() const {
    if (!project)
        return QString();
    return QuestionnaireText(project->GetFileName(), *project->GetQuestionnaire(), Format());
}

void TfrmResult::actExportRstPrmExecute() {
    if (CurrentResult() < 0)
        return;
    const QString path = AskExportFile(DialogFilter(Ids("IDS_261")), QStringLiteral("txt"));
    if (!path.isEmpty())
        WriteExportText(path, GetParameterText());
}

void TfrmResult::actExportRstQstExecute() {
    const QString path = AskExportFile(DialogFilter(Ids("IDS_261")), QStringLiteral("txt"));
    if (!path.isEmpty())
        WriteExportText(path, GetQuestionnaireText());
}

void TfrmResult::popExportForSPSSClick() {
    const int index = CurrentResult();
    if (!project || project->GetMethod() != 1 || index < 0)
        return;
    const QString path = AskExportFile(FirstType(Ids("IDS_196")), QStringLiteral("csv"));
    if (!path.isEmpty())
        WriteExportText(path, SpssText(*project->GetResponse(index), Format()));
}
