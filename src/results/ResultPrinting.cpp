// The print commands of the result window: one grid per command, through the grid printer.
#include "BusyStatus.h"
#include "Cproject.h"
#include "GridPrinter.h"
#include "ResultUnit.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "UiServices.h"

#include <QDir>
#include <QPrinter>

namespace {

const QString kWindow = QStringLiteral("TfrmResult");

QString Ids(const char* key) {
    return TextTable::Instance().Text(kWindow, QString::fromLatin1(key));
}

// A rectangle of grid columns as a rectangle of the shown columns (hidden ones left out).
QRect ShownSelection(const StringGrid* grid, const QRect& selection) {
    auto shownIndex = [&](int col) {
        int index = 0;
        for (int c = 0; c < col && c < grid->ColCount(); ++c)
            index += grid->IsHiddenColumn(c) ? 0 : 1;
        return index;
    };
    const int left = shownIndex(selection.left());
    const int right = shownIndex(selection.right() + 1) - 1;
    return right < left ? QRect() : QRect(QPoint(left, selection.top()), QPoint(right, selection.bottom()));
}

} // namespace

QPrinter& TfrmResult::Printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void TfrmResult::PrintGrid(StringGrid* grid, const QString& jobName, const QString& listTitle) {
    if (!project)
        return;
    const GridData cells = grid->ShownData();
    GridPrinter printer(cells, grid->ShownFixedCols(), grid->FixedRows(), grid->ShownColWidths());
    printer.SetFont(grid->font());
    printer.SetTitleLines(
        {project->GetFileName() + QStringLiteral(" - ") + listTitle,
         project->GetGeneral()->title + QStringLiteral("   ") + project->GetGeneral()->user});
    QPrinter& device = Printer();
    device.setDocName(jobName);
    if (!printer.RunDialog(this, device, ShownSelection(grid, grid->Selection())))
        return;
    BusyCursor busy;
    if (printer.Print(device))
        return;
    busy.End();
    const QString where = device.outputFileName().isEmpty()
                              ? device.printerName()
                              : QDir::toNativeSeparators(device.outputFileName());
    UiServices::Get().MessageText(
        this, TextTable::Instance().Text(kWindow, QStringLiteral("PrintFailed")).arg(where),
        QStringLiteral("Tamvik"), UiServices::Kind::Error, UiServices::Buttons::Ok);
}

// The page settings chosen here stay with the window's printer for its later prints.
void TfrmResult::tbtnPrintSettingClick() {
    UiServices::Get().PrintSetup(this, Printer());
}

void TfrmResult::actPrintRstListExecute() {
    const bool experiment = !pnlResult->isHidden();
    PrintGrid(experiment ? asgdRstList : asgdQstList, QStringLiteral("Result List is in press... - Tamvik"),
              Ids(experiment ? "IDS_165" : "IDS_167"));
}

void TfrmResult::actPrintRstDataExecute() {
    const bool experiment = !pnlResult->isHidden();
    PrintGrid(experiment ? asgdRstData : asgdQstData, QStringLiteral("Result Data is in press... - Tamvik"),
              Ids(experiment ? "IDS_169" : "IDS_171"));
}

void TfrmResult::actPrintRstTotalExecute() {
    PrintGrid(asgdTtlData, QStringLiteral("Total Data is in press... - Tamvik"), Ids("IDS_194"));
}

void TfrmResult::actPrintRstStmExecute() {
    PrintGrid(asgdStmData, QStringLiteral("Stimulus List is in press... - Tamvik"), Ids("IDS_210"));
}

void TfrmResult::actPrintRstSdlExecute() {
    PrintGrid(asgdSdlData, QStringLiteral("Schedule List is in press... - Tamvik"), Ids("IDS_212"));
}
