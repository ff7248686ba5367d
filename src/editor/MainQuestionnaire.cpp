// The questionnaire page of the parameter panel: its grid shows the project's items, its
// popup inserts and deletes items, and the questionnaire run is offered while there are
// items. The project's questionnaire is the only copy: every command acts on it and then
// shows it again.
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "ParameterPanelParts.h"
#include "StringGrid.h"
#include "TextTable.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>

namespace {

QString KindText(int kind) {
    switch (kind) {
    case QuestionnaireTermText:
        return TfrmMain::Ids("IDS_31");
    case QuestionnaireTermNumber:
        return TfrmMain::Ids("IDS_32");
    case QuestionnaireTermSelection:
        return TfrmMain::Ids("IDS_33");
    default:
        return {};
    }
}

// The item of the grid's current row; -1 on no data row.
int CurrentItem(TfrmMain& w) {
    const StringGrid* grid = w.asgdQuestion;
    const int item = grid->Row() - grid->FixedRows();
    return item >= 0 && item < w.project.GetQuestionnaire()->GetTermCount() ? item : -1;
}

// The count editor shows the questionnaire's new size.
void ShowQuestionCount(TfrmMain& w, int count) {
    w.updQstNum->SetPosition(count);
    w.edtQstNum->setText(QString::number(w.updQstNum->Position()));
}

} // namespace

bool TfrmMain::SetQuestionCount(int count) {
    project.GetQuestionnaire()->SetTermCount(count);
    return true;
}

void TfrmMain::SetQuestionRows(int, int count) {
    StringGrid* grid = asgdQuestion;
    const int fixedRows = grid->FixedRows();
    // No item keeps one data row of no height, as the parameter grids do.
    grid->SetRowCount(fixedRows + std::max(count, 1));
    grid->SetRowHeight(fixedRows, count > 0 ? grid->verticalHeader()->defaultSectionSize() : 0);
}

bool TfrmMain::LoadQuestionGrid() {
    StringGrid* grid = asgdQuestion;
    const CQuestionnaire* questionnaire = project.GetQuestionnaire();
    const int count = questionnaire->GetTermCount();
    SetQuestionRows(0, count);
    grid->ClearNormalCells();
    const int first = grid->FixedCols();
    for (int i = 0; i < count; ++i) {
        const CQuestionnaireTerm* term = questionnaire->GetTerm(i);
        const int row = grid->FixedRows() + i;
        grid->SetCell(0, row, QString::number(i + 1));
        grid->SetCell(first, row, term->itemName);
        grid->SetCell(first + 1, row, term->question);
        grid->SetCell(first + 2, row, KindText(term->kind));
        if (term->kind == QuestionnaireTermSelection)
            grid->SetCell(first + 3, row, QString::number(term->choices.size()));
    }
    return true;
}

// The grid is a view of the project's questionnaire; there is nothing of its own to store.
bool TfrmMain::SaveQuestionGrid(bool) {
    return true;
}

void TfrmMain::actQstInsRowExecute() {
    CQuestionnaire* questionnaire = project.GetQuestionnaire();
    const int item = CurrentItem(*this);
    const int count = questionnaire->GetTermCount();
    if (item < 0 || !questionnaire->InsertTerm(item, QuestionnaireTermText))
        return;
    SetQuestionRows(count, count + 1);
    ShowQuestionCount(*this, count + 1);
    LoadQuestionGrid();
    asgdQuestion->SetCurrentCell(asgdQuestion->FixedCols(), asgdQuestion->FixedRows() + item);
    projectModified = true;
}

void TfrmMain::actQstDelRowExecute() {
    CQuestionnaire* questionnaire = project.GetQuestionnaire();
    const int count = questionnaire->GetTermCount();
    const int item = CurrentItem(*this);
    if (!questionnaire->DeleteTerm(item))
        return;
    SetQuestionRows(count, count - 1);
    ShowQuestionCount(*this, count - 1);
    LoadQuestionGrid();
    // The item that took its place, or the new last one, is current.
    if (count > 1)
        asgdQuestion->SetCurrentCell(asgdQuestion->FixedCols(),
                                     asgdQuestion->FixedRows() + std::min(item, count - 2));
    projectModified = true;
}

void UpdateQuestionActions(TfrmMain& w) {
    const int count = w.project.GetQuestionnaire()->GetTermCount();
    const bool offered = w.popQstMenu->property("Tag").toInt() == 0 && w.ActiveControl() == w.asgdQuestion &&
                         w.asgdQuestion->isVisible() && count > 0;
    // An item more than the count editor can show would be out of its reach.
    w.actQstInsRow->setEnabled(offered && CurrentItem(w) >= 0 && count < w.updQstNum->Max());
    w.actQstDelRow->setEnabled(offered && CurrentItem(w) >= 0);
    w.actExecQst->setEnabled(count > 0 && w.frmExecute == nullptr);
}

void ConnectQuestionnaire(TfrmMain& w) {
    QObject::connect(w.actQstInsRow, &QAction::triggered, &w, &TfrmMain::actQstInsRowExecute);
    QObject::connect(w.actQstDelRow, &QAction::triggered, &w, &TfrmMain::actQstDelRowExecute);
    w.asgdQuestion->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w.asgdQuestion, &QWidget::customContextMenuRequested, &w, [&w](const QPoint& at) {
        if (EditorIdle(w))
            w.popQstMenu->popup(w.asgdQuestion->viewport()->mapToGlobal(at));
    });
    QObject::connect(w.popQstMenu, &QMenu::aboutToShow, &w, [&w] { UpdateQuestionActions(w); });
    // The type column speaks the language of the window.
    QObject::connect(&TextTable::Instance(), &TextTable::languageChanged, &w, [&w] { w.LoadQuestionGrid(); });
}
