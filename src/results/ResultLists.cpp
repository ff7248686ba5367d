// The two lists of the result window and the result each row stands for.
#include "Cproject.h"
#include "ResultGrid.h"
#include "ResultPages.h"
#include "ResultUnit.h"
#include "StringGrid.h"

#include "NumberFormat.h"

#include <QItemSelectionModel>
#include <algorithm>

namespace {

// Row r of a freshly filled list shows result r - 1; the header row shows none.
std::vector<int> FillOrder(int results, int rows) {
    std::vector<int> order(static_cast<size_t>(rows), -1);
    for (int i = 0; i < results && i + 1 < rows; ++i)
        order[static_cast<size_t>(i + 1)] = i;
    return order;
}

void SizeListColumns(StringGrid* list) {
    list->resizeColumnsToContents();
    for (int c = 0; c < list->ColCount(); ++c)
        list->SetColWidth(c, list->ColWidth(c) + 22);
}

int IndexOfRow(const StringGrid* list, const std::vector<int>& rowResult, int displayedRow) {
    if (displayedRow < list->FixedRows() || displayedRow >= list->RowCount())
        return -1;
    const int dataRow = list->RealRowIndex(displayedRow);
    return dataRow >= 0 && dataRow < static_cast<int>(rowResult.size())
               ? rowResult[static_cast<size_t>(dataRow)]
               : -1;
}

} // namespace

void TfrmResult::FillResultList() {
    ShowResultTable(asgdRstList, ResultListTable(*project, Format()));
    m_rstRowResult = FillOrder(project->GetResponseCount(), asgdRstList->RowCount());
    SizeListColumns(asgdRstList);
}

void TfrmResult::FillQstResultList() {
    ShowResultTable(asgdQstList, QuestionnaireListTable(*project, Format()));
    m_qstRowResult = FillOrder(project->GetQuestionnaireResultsCount(), asgdQstList->RowCount());
    SizeListColumns(asgdQstList);
}

int TfrmResult::ResultIndexOfRow(int displayedRow) const {
    return IndexOfRow(asgdRstList, m_rstRowResult, displayedRow);
}

int TfrmResult::QstResultIndexOfRow(int displayedRow) const {
    return IndexOfRow(asgdQstList, m_qstRowResult, displayedRow);
}

int TfrmResult::RowOfResult(int resultIndex) const {
    for (int row = asgdRstList->FixedRows(); row < asgdRstList->RowCount(); ++row)
        if (ResultIndexOfRow(row) == resultIndex)
            return row;
    return -1;
}

std::vector<SelectedResult> TfrmResult::SelectedResults() const {
    std::vector<SelectedResult> selected;
    const QItemSelectionModel* selection = asgdRstList->selectionModel();
    for (int row = asgdRstList->FixedRows(); row < asgdRstList->RowCount(); ++row) {
        if (!selection->isSelected(asgdRstList->model()->index(row, asgdRstList->FixedCols())))
            continue;
        const int index = ResultIndexOfRow(row);
        if (index >= 0 && index < project->GetResponseCount())
            selected.push_back({index, project->GetResponse(index)});
    }
    return selected;
}

bool TfrmResult::DeleteRowOfList(StringGrid* list, std::vector<int>& rowResult, int displayedRow,
                                 const std::function<bool(int)>& deleteResult) {
    const int index = IndexOfRow(list, rowResult, displayedRow);
    if (index < 0 || !project || !deleteResult(index))
        return false;
    // The list keeps its order and its other rows: later results move one place up.
    const int dataRow = list->RealRowIndex(displayedRow);
    rowResult.erase(rowResult.begin() + dataRow);
    for (int& result : rowResult)
        if (result > index)
            --result;
    const int col = std::max(list->Col(), list->FixedCols());
    list->RemoveRow(displayedRow);
    // The row that takes the removed one's place becomes current (the one above at the end).
    const int row = std::min(displayedRow, list->RowCount() - 1);
    if (row >= list->FixedRows())
        list->SetCurrentCell(col, row);
    resultsChanged = true;
    return true;
}

bool TfrmResult::DeleteResultOfRow(int displayedRow) {
    const int index = ResultIndexOfRow(displayedRow);
    if (!DeleteRowOfList(asgdRstList, m_rstRowResult, displayedRow,
                         [this](int i) { return project->DeleteResponse(i); }))
        return false;
    if (m_currentResult == index)
        m_currentResult = -1;
    else if (m_currentResult > index)
        --m_currentResult;
    return true;
}

bool TfrmResult::DeleteQstResultOfRow(int displayedRow) {
    return DeleteRowOfList(asgdQstList, m_qstRowResult, displayedRow,
                           [this](int i) { return project->DeleteQuestionnaireResults(i); });
}

void TfrmResult::SetupLists() {
    // Sorting by the grid itself: a click on a heading sorts by that column, a second
    // click the other way round; rows keep their data rows and so their results.
    asgdRstList->SetUserSort(true);
    asgdQstList->SetUserSort(true);
    for (int col : {1, 3, 4})
        asgdRstList->SetSortStyle(col, StringGrid::SortStyle::Numeric);
    asgdRstList->SetSortStyle(5, StringGrid::SortStyle::Date);
    for (int col : {1, 2})
        asgdQstList->SetSortStyle(col, StringGrid::SortStyle::Numeric);
    asgdQstList->SetSortStyle(3, StringGrid::SortStyle::Date);
}
