// Printing and export of the two lists: the print of either grid, the export of either as a
// comma-separated or spreadsheet file, the printer settings, and the copies of stimulus WAV
// files written to a folder of the user's choice.
#include "CsvWriter.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "FileFilter.h"
#include "GridPrinter.h"
#include "MainUnit.h"
#include "StringGrid.h"
#include "XlsxWriter.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>
#include <QToolButton>

namespace {

// What tells the two lists apart when they are printed or exported.
struct ListKind {
    StringGrid* grid;
    const char* titleSuffix; // text key
    const char* jobName;
    const char* sheetName;
};

ListKind StimulusList(TfrmMain& w) {
    return {w.asgdStimulus, "IDS_330", "Stimulus List is in press... - Tamvik", "Stimulus"};
}

ListKind ScheduleList(TfrmMain& w) {
    return {w.asgdSchedule, "IDS_336", "Schedule List is in press... - Tamvik", "Schedule"};
}

QPrinter& ListPrinter(TfrmMain& w) {
    if (!w.listPrinter)
        w.listPrinter = std::make_shared<QPrinter>(QPrinter::HighResolution);
    return *w.listPrinter;
}

void ShowFailure(TfrmMain& w, const char* key, const QString& what) {
    UiServices::Get().MessageText(&w, TfrmMain::Ids(key).arg(QDir::toNativeSeparators(what)),
                                  QStringLiteral("Tamvik"), UiServices::Kind::Error, UiServices::Buttons::Ok);
}

void PrintList(TfrmMain& w, const ListKind& list) {
    StringGrid* grid = list.grid;
    // Columns print as wide as they are shown; hidden ones (answers kept from a
    // self-training subject) stay out of the print.
    std::vector<int> widths;
    std::vector<int> hidden;
    for (int c = 0; c < grid->ColCount(); ++c) {
        widths.push_back(grid->ColWidth(c));
        if (grid->IsHiddenColumn(c))
            hidden.push_back(c);
    }
    GridPrinter printer(grid->Data(), grid->FixedCols(), grid->FixedRows(), widths);
    printer.SetHiddenColumns(hidden);
    printer.SetFont(grid->font());
    const CProjectGeneral* general = w.project.GetGeneral();
    printer.SetTitleLines({w.project.GetFileName() + TfrmMain::Ids(list.titleSuffix),
                           general->title + QStringLiteral("   ") + general->user});
    QPrinter& device = ListPrinter(w);
    device.setDocName(QString::fromLatin1(list.jobName));
    if (!printer.RunDialog(&w, device, grid->Selection()))
        return;
    bool printed = false;
    {
        StatusText status(w.stbInformation, TfrmMain::Ids("IDS_331"));
        printed = printer.Print(device);
    }
    if (!printed)
        ShowFailure(w, "ListPrintFailed",
                    device.outputFileName().isEmpty() ? device.printerName() : device.outputFileName());
}

} // namespace

void TfrmMain::actFilePrintStmExecute() {
    PrintList(*this, StimulusList(*this));
}

void TfrmMain::actFilePrintSdlExecute() {
    PrintList(*this, ScheduleList(*this));
}

void TfrmMain::mnuFilePrintSettingClick() {
    UiServices::Get().PrintSetup(this, ListPrinter(*this));
}

namespace {

void ExportList(TfrmMain& w, const ListKind& list, QString& dialogPath) {
    // The dialog offers the name it held last, without its extension.
    QString offered = dialogPath;
    if (!offered.isEmpty()) {
        const QFileInfo info(offered);
        offered = info.path() + QLatin1Char('/') + info.completeBaseName();
    }
    // Type 1 is the comma-separated text, type 2 the spreadsheet; a name without an
    // extension gets the type's, any other name stays as chosen.
    int type = 1;
    QString path = UiServices::Get().SaveFileNameOfType(&w, QString(), offered,
                                                        DialogFilter(TfrmMain::Ids("IDS_305")), type);
    if (path.isEmpty())
        return;
    const bool spreadsheet = type == 2;
    if (QFileInfo(path).suffix().isEmpty())
        path += spreadsheet ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
    if (!UiServices::Get().MayReplace(&w, path))
        return;
    dialogPath = path;
    bool written = false;
    {
        const WaitCursor wait;
        if (spreadsheet)
            written =
                XlsxWriter::Write(path, {{QString::fromLatin1(list.sheetName), &list.grid->Data(), {}, 0}});
        else
            written = CsvWriter::Write(path, list.grid->Data());
    }
    if (!written)
        ShowFailure(w, "ListWriteFailed", path);
}

} // namespace

void TfrmMain::actFileExportStmExecute() {
    ExportList(*this, StimulusList(*this), saveDialogPath);
}

void TfrmMain::actFileExportSdlExecute() {
    if (!StoreShownSchedule())
        return;
    ExportList(*this, ScheduleList(*this), saveDialogPath);
}

void TfrmMain::ExportWavFiles(int first, int last) {
    const QString folder = UiServices::Get().FolderName(this, Ids("IDS_301"), QDir::currentPath());
    if (folder.isEmpty())
        return;
    CStimuli* stimuli = project.GetStimuli();
    for (int n = std::max(first, 1); n <= last && n <= stimuli->GetCount(); ++n) {
        const CStimulus& stimulus = (*stimuli)[n - 1];
        if (stimulus.fileName.isEmpty())
            continue;
        const QString name = FileNamePart(stimulus.orgFileName);
        const QString target = QDir(folder).filePath(name);
        // A name from another system's archive never reaches outside the work folder.
        const bool plainNames = FileNamePart(stimulus.fileName) == stimulus.fileName &&
                                stimulus.fileName != QLatin1String("..") && !name.isEmpty() &&
                                name != QLatin1String("..") && name != QLatin1String(".");
        bool copied = false;
        {
            const WaitCursor wait;
            copied = plainNames && CProject::CopyFileSafely(project.GetWorkFolder() + stimulus.fileName,
                                                            target, false, true);
        }
        if (!copied)
            UiServices::Get().MessageText(
                this, Ids("IDS_302") + QStringLiteral("\n") + QDir::toNativeSeparators(target),
                QStringLiteral("Tamvik"), UiServices::Kind::Error, UiServices::Buttons::Ok);
    }
}

void TfrmMain::actStmListExportWavExecute() {
    const QRect selection = asgdStimulus->Selection();
    ExportWavFiles(selection.top(), selection.bottom());
}

void UpdateListExportActions(TfrmMain& w) {
    // The stimulus grid has the keyboard in the active window, the popup opened while idle,
    // only file names are selected and each of them names a registered file.
    const bool active = ControlActive(w, w.asgdStimulus);
    const QRect selection = w.asgdStimulus->Selection();
    bool registered = selection.left() == 1 && selection.right() == 1 && selection.top() >= 1;
    const CStimuli* stimuli = w.project.GetStimuli();
    for (int row = selection.top(); registered && row <= selection.bottom(); ++row)
        registered = row <= stimuli->GetCount() && !(*stimuli)[row - 1].fileName.isEmpty();
    w.actStmListExportWav->setEnabled(active && registered && EditorIdle(w) &&
                                      w.popStmMenu->property("Tag").toInt() == 0);
}

void ConnectListExport(TfrmMain& w) {
    QObject::connect(w.actFilePrintStm, &QAction::triggered, &w, &TfrmMain::actFilePrintStmExecute);
    QObject::connect(w.actFilePrintSdl, &QAction::triggered, &w, &TfrmMain::actFilePrintSdlExecute);
    QObject::connect(w.mnuFilePrintSetting, &QAction::triggered, &w, &TfrmMain::mnuFilePrintSettingClick);
    QObject::connect(w.actFileExportStm, &QAction::triggered, &w, &TfrmMain::actFileExportStmExecute);
    QObject::connect(w.actFileExportSdl, &QAction::triggered, &w, &TfrmMain::actFileExportSdlExecute);
    QObject::connect(w.actStmListExportWav, &QAction::triggered, &w, &TfrmMain::actStmListExportWavExecute);
}
