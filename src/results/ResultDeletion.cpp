// Deleting subjects, results and all results from the result window, and the enabled
// states of the window's export, print and delete commands.
#include "Cproject.h"
#include "ResultGrid.h"
#include "ResultUnit.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "UiServices.h"

#include <QAction>
#include <QApplication>
#include <QToolButton>

namespace {

const QString kWindow = QStringLiteral("TfrmResult");

QString Ids(const char* key) {
    return TextTable::Instance().Text(kWindow, QString::fromLatin1(key));
}

bool AskYes(QWidget* parent, const char* key) {
    return UiServices::Get().Message(parent, kWindow, QString::fromLatin1(key), UiServices::Kind::Warning,
                                     UiServices::Buttons::YesNo) == UiServices::Answer::Yes;
}

bool OnDataCell(const StringGrid* grid) {
    return grid->Col() >= grid->FixedCols() && grid->Row() >= grid->FixedRows();
}

} // namespace

void TfrmResult::BuildCommands() {
    const std::pair<QAction*, void (TfrmResult::*)()> commands[] = {
        {actExportRstList, &TfrmResult::actExportRstListExecute},
        {actExportRstData, &TfrmResult::actExportRstDataExecute},
        {actExportRstTotal, &TfrmResult::actExportRstTotalExecute},
        {actExportRstStm, &TfrmResult::actExportRstStmExecute},
        {actExportRstPrm, &TfrmResult::actExportRstPrmExecute},
        {actExportRstSdl, &TfrmResult::actExportRstSdlExecute},
        {actExportRstQst, &TfrmResult::actExportRstQstExecute},
        {popExportForSPSS, &TfrmResult::popExportForSPSSClick},
        {actPrintRstList, &TfrmResult::actPrintRstListExecute},
        {actPrintRstData, &TfrmResult::actPrintRstDataExecute},
        {actPrintRstTotal, &TfrmResult::actPrintRstTotalExecute},
        {actPrintRstStm, &TfrmResult::actPrintRstStmExecute},
        {actPrintRstSdl, &TfrmResult::actPrintRstSdlExecute},
        {actDelRstSub, &TfrmResult::actDelRstSubExecute},
        {actDelRstList, &TfrmResult::actDelRstListExecute},
        {actDelRstAll, &TfrmResult::tbtnDelRstAllClick},
        {actTotalRst, &TfrmResult::actTotalRstExecute},
        {actPrintSetting, &TfrmResult::tbtnPrintSettingClick},
    };
    for (const auto& [action, handler] : commands)
        connect(action, &QAction::triggered, this, handler);
    // What the update handlers look at: the focus, the current cells and the panels.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommands(); });
    for (StringGrid* grid : {asgdRstList, asgdRstData, asgdQstList, asgdQstData})
        connect(grid, &StringGrid::currentCellChanged, this, [this] { UpdateCommands(); });
}

void TfrmResult::UpdateCommands() {
    actTotalRstUpdate();
    const bool experiment = !pnlResult->isHidden();
    const bool totals = !pnlTotalData->isHidden();
    actExportRstTotal->setEnabled(totals);
    actPrintRstTotal->setEnabled(totals);
    for (QAction* action :
         {actExportRstStm, actExportRstPrm, actExportRstSdl, actPrintRstStm, actPrintRstSdl})
        action->setEnabled(experiment);
    actExportRstQst->setEnabled(!pnlQuestion->isHidden());
    actDelRstAll->setEnabled(!totals);
    popExportForSPSS->setEnabled(project && project->GetMethod() == 1 && CurrentResult() >= 0);

    bool subject = false;
    bool result = false;
    if (experiment) {
        const int col = asgdRstData->Col();
        subject = focusWidget() == asgdRstData && OnDataCell(asgdRstData) &&
                  asgdRstData->ColCount() - asgdRstData->FixedCols() > 1 &&
                  !asgdRstData->Cell(col, 0).contains(Ids("IDS_180")) && !totals;
        result = focusWidget() == asgdRstList && OnDataCell(asgdRstList) &&
                 asgdRstList->RowCount() - asgdRstList->FixedRows() > 1 && !totals;
    } else {
        subject = focusWidget() == asgdQstData && OnDataCell(asgdQstData) &&
                  asgdQstData->ColCount() - asgdQstData->FixedCols() > 1;
        result = focusWidget() == asgdQstList && OnDataCell(asgdQstList) &&
                 asgdQstList->RowCount() - asgdQstList->FixedRows() > 1;
    }
    actDelRstSub->setEnabled(subject && project);
    actDelRstList->setEnabled(result && project);
}

void TfrmResult::actDelRstSubExecute() {
    if (!project || !AskYes(this, "IDS_172"))
        return;
    if (!pnlResult->isHidden()) {
        // The grid shows the current result, whatever the list's order.
        const int index = m_currentResult;
        const int col = asgdRstData->Col();
        if (col < asgdRstData->FixedCols())
            return;
        RemoveGridColumn(asgdRstData, col);
        if (index < 0 || index >= project->GetResponseCount())
            return;
        auto& terminals = project->GetResponse(index)->terminalResponses;
        const int terminal = col - 1;
        if (terminal >= 0 && terminal < static_cast<int>(terminals.size())) {
            terminals.erase(terminals.begin() + terminal);
            resultsChanged = true;
        }
    } else {
        const int set = QstResultIndexOfRow(asgdQstList->Row());
        const int row = asgdQstData->Row();
        if (row < asgdQstData->FixedRows())
            return;
        const int respondent = asgdQstData->RealRowIndex(row) - 1;
        asgdQstData->RemoveRow(row);
        if (set < 0 || set >= project->GetQuestionnaireResultsCount())
            return;
        CQuestionnaireResults* results = project->GetQuestionnaireResults(set);
        if (respondent >= 0 && respondent < results->GetResultCount() && results->DeleteResult(respondent))
            resultsChanged = true;
    }
    UpdateCommands();
}

void TfrmResult::actDelRstListExecute() {
    if (!project || !AskYes(this, "IDS_172"))
        return;
    if (!pnlResult->isHidden()) {
        if (!DeleteResultOfRow(asgdRstList->Row()))
            return;
        const int index = ResultIndexOfRow(asgdRstList->Row());
        if (index >= 0) {
            ShowPagesOfResult(index);
            asgdRstList->scrollTo(asgdRstList->currentIndex());
        }
    } else {
        if (!DeleteQstResultOfRow(asgdQstList->Row()))
            return;
        const int index = QstResultIndexOfRow(asgdQstList->Row());
        if (index >= 0) {
            FillQstResultData(index);
            asgdQstList->scrollTo(asgdQstList->currentIndex());
        }
    }
    resultsChanged = true;
    UpdateCommands();
}

void TfrmResult::tbtnDelRstAllClick() {
    if (!project)
        return;
    const bool experiment = !pnlResult->isHidden();
    const bool otherKind = experiment ? sbtnQuestion->isEnabled() : sbtnExec->isEnabled();
    const char* question =
        experiment ? (otherKind ? "IDS_176" : "IDS_177") : (otherKind ? "IDS_178" : "IDS_179");
    if (!AskYes(this, question))
        return;
    if (!otherKind) {
        // Nothing would be left to show: the main window deletes them when told at the close.
        (experiment ? deleteAllResponses : deleteAllQuestionnaireResults) = true;
        resultsChanged = true;
        close();
        return;
    }
    if (experiment) {
        while (project->GetResponseCount() > 0)
            project->DeleteResponse(0);
        resultsChanged = true;
        FillResultList();
        m_currentResult = -1;
        sbtnExec->setEnabled(false);
        sbtnQuestion->setChecked(true);
        sbtnQuestionClick();
    } else {
        while (project->GetQuestionnaireResultsCount() > 0)
            project->DeleteQuestionnaireResults(0);
        resultsChanged = true;
        FillQstResultList();
        sbtnQuestion->setEnabled(false);
        sbtnExec->setChecked(true);
        sbtnExecClick();
    }
}
