// The main window's language: the relabel pass run at construction and at every switch,
// the language menu, and the layout derived from the shown window's size.
#include "MainUnit.h"

#include "ActionLink.h"
#include "CardUnit.h"
#include "CountEditor.h"
#include "EditorShared.h"
#include "PanelStatusBar.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "WindowTexts.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QToolButton>

namespace {

const QString kWindow = QStringLiteral("TfrmMain");

int TextWidth(const QWidget* w, const QString& text) {
    return w->fontMetrics().horizontalAdvance(text);
}

} // namespace

void TfrmMain::ConnectLanguage() {
    for (QAction* item : mnuViewLanguage->actions())
        connect(item, &QAction::triggered, this, [this, item] { mnuViewLangMUIClick(item); });
    KeepRelabelled(this, [this] { siLang1ChangeLanguage(); });
}

void TfrmMain::mnuViewLangMUIClick(QAction* item) {
    TextTable::Instance().setLanguage(item->data().toInt() == 1 ? TextTable::Language::Japanese
                                                                : TextTable::Language::English);
    for (QAction* other : mnuViewLanguage->actions())
        other->setChecked(other == item);
}

void TfrmMain::siLang1ChangeLanguage() {
    RelabelChildren(this, kWindow);
    // The repeat command has a hint only: its button shows the hint as its caption.
    actExecCtrlCancelRepeat->setText(actExecCtrlCancelRepeat->toolTip());
    sbtnStimulus->setText(TableText(kWindow, QStringLiteral("pnlStmTitle")));
    sbtnParameter->setText(TableText(kWindow, QStringLiteral("pnlPrmTitle")));
    sbtnSchedule->setText(TableText(kWindow, QStringLiteral("pnlSdlTitle")));
    mnuStimulus->setTitle(Ids("IDS_12"));
    mnuSchedule->setTitle(Ids("IDS_16"));
    if (!asgdStimulus)
        return; // the editors come after the frame

    // Grid headers.
    asgdStimulus->SetCell(1, 0, Ids("IDS_4"));
    asgdStimulus->SetCell(2, 0, Ids("IDS_5"));
    asgdTrnBtn->SetCell(1, 0, Ids("IDS_22"));
    asgdSdmExpress->SetCell(1, 0, Ids("IDS_23"));
    asgdSdmExpress->SetCell(2, 0, Ids("IDS_24"));
    asgdParBtn->SetCell(0, 0, Ids("IDS_25"));
    asgdParBtn->SetCell(1, 0, Ids("IDS_26"));
    asgdCatCategory->SetCell(1, 0, Ids("IDS_22"));

    // Status bar.
    const CProjectGeneral* general = project.GetGeneral();
    SetMethodStatus(project.GetMethod());
    stbInformation->SetPanelText(1, Ids("IDS_19") + general->title);
    stbInformation->SetPanelText(2, Ids("IDS_20") + general->user);
    stbInformation->SetPanelText(3, Ids("IDS_21") + general->comment);
    // The card's device line is composed here too; before a project it has none.
    if (frmCard && !frmCard->stbNowStatus->PanelText(0).isEmpty())
        SetDeviceTextOfCard();

    // Schedule headers: the fixed ones, then the stimulus and interval columns.
    const int fixed = asgdSchedule->FixedCols();
    asgdSchedule->SetCell(fixed, 0, Ids("IDS_7"));
    asgdSchedule->SetCell(fixed + 1, 0, Ids("IDS_8"));
    const QString firstHeader = Ids("IDS_7");
    asgdSchedule->horizontalHeader()->setDefaultSectionSize(
        TextWidth(asgdSchedule, firstHeader.left(firstHeader.indexOf(QLatin1Char('[')))) + 8);
    if (project.GetMethod() < 0) {
        asgdSchedule->SetCell(fixed + 2, 0, Ids("IDS_9"));
    } else {
        const int n = updPrsNumber->Position();
        int col = fixed + 2;
        for (int k = 1; k <= n; ++k) {
            asgdSchedule->SetCell(col++, 0, Ids("IDS_6") + QString::number(k) + QStringLiteral("\r\n[ID]"));
            if (k < n)
                asgdSchedule->SetCell(col++, 0, Ids("IDS_422") + QString::number(k) + Ids("IDS_423"));
        }
        asgdSchedule->SetCell(col++, 0, Ids("IDS_9"));
        if (project.GetMethod() == 0)
            asgdSchedule->SetCell(col, 0, Ids("IDS_10"));
    }
    for (int row = asgdSchedule->FixedRows(); row < asgdSchedule->RowCount(); ++row)
        asgdSchedule->SetCell(0, row, Ids("IDS_11") + QString::number(row - asgdSchedule->FixedRows() + 1));
    for (int row = asgdStimulus->FixedRows(); row < asgdStimulus->RowCount(); ++row)
        asgdStimulus->SetCell(0, row, Ids("IDS_6") + QString::number(row - asgdStimulus->FixedRows() + 1));
    FitRowHeadings(asgdSchedule);
    FitRowHeadings(asgdStimulus);
}

void TfrmMain::ArrangeShownLayout() {
    // Layout: the left panels take half the width, the stimulus panel half their height.
    const int width = centralWidget()->width();
    sptHor->setSizes({width / 2, width - width / 2});
    const int height = sptVer->height();
    sptVer->setSizes({height / 2, height - height / 2});
    stimulusPanelHeight = pnlStimulus->height();

    // The stimulus list's data columns share what column 0 leaves of the client width.
    const int stimulusCol0 = asgdStimulus->ColWidth(0);
    const int stimulusData = std::max(0, (asgdStimulus->viewport()->width() - stimulusCol0 - 4) / 2);
    asgdStimulus->SetColWidth(1, stimulusData);
    asgdStimulus->SetColWidth(2, stimulusData);

    // Status bar panels: a quarter, a fifth, a fifth, the rest.
    const int barWidth = stbInformation->width();
    stbInformation->SetPanelWidth(0, barWidth / 4);
    stbInformation->SetPanelWidth(1, barWidth / 5);
    stbInformation->SetPanelWidth(2, barWidth / 5);
}
