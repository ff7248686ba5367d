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
    m_rstSortCol = -1;
    ShowResultTable(asgdRstList, ResultListTable(*project, Format()));
    m_rstRowResult = FillOrder(project->GetResponseCount(), asgdRstList->RowCount());
    SizeListColumns(asgdRstList);
}

void TfrmResult::FillQstResultList() {
    m_qstSortCol = -1;
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

bool TfrmResult::DeleteResultOfRow(int displayedRow) {
    const int index = ResultIndexOfRow(displayedRow);
    if (index < 0 || !project || !project->DeleteResponse(index))
        return false;
    const int removed = asgdRstList->RealRowIndex(displayedRow);
    // The rows keep their results: the displayed order loses one row, and every row
    // of a later result now names the result one place up.
    std::vector<int> map;
    for (int row = 0; row < asgdRstList->RowCount(); ++row) {
        if (row == displayedRow)
            continue;
        const int data = asgdRstList->RealRowIndex(row);
        map.push_back(data > removed ? data - 1 : data);
    }
    m_rstRowResult.erase(m_rstRowResult.begin() + removed);
    for (int& result : m_rstRowResult)
        if (result > index)
            --result;
    if (m_currentResult == index)
        m_currentResult = -1;
    else if (m_currentResult > index)
        --m_currentResult;
    asgdRstList->Data().RemoveRow(removed);
    asgdRstList->SetRowCount(asgdRstList->Data().RowCount());
    asgdRstList->SetRowMap(std::move(map));
    resultsChanged = true;
    return true;
}

void TfrmResult::SortList(StringGrid* list, int col) {
    if (!project || col < 0 || col >= list->ColCount())
        return;
    const bool results = list == asgdRstList;
    int& sortCol = results ? m_rstSortCol : m_qstSortCol;
    bool& up = results ? m_rstSortUp : m_qstSortUp;
    up = sortCol == col ? !up : true;
    sortCol = col;
    const int dateCol = results ? 5 : 3;
    const bool numeric = results ? (col == 1 || col == 3 || col == 4) : (col == 1 || col == 2);
    const std::vector<int>& rowResult = results ? m_rstRowResult : m_qstRowResult;
    auto dateOf = [&](int dataRow) {
        const int index =
            dataRow < static_cast<int>(rowResult.size()) ? rowResult[static_cast<size_t>(dataRow)] : -1;
        if (index < 0)
            return 0.0;
        return results ? project->GetResponse(index)->date : project->GetQuestionnaireResults(index)->time;
    };
    auto numberOf = [&](int dataRow) {
        int value = 0;
        return tamvik::ParseInt(list->Data().Cell(col, dataRow), value) ? value : 0;
    };
    std::vector<int> rows;
    for (int row = list->FixedRows(); row < list->RowCount(); ++row)
        rows.push_back(list->RealRowIndex(row));
    // Equal keys keep their order, so a sort by one column refines the one before.
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        bool less = false;
        if (col == dateCol)
            less = up ? dateOf(a) < dateOf(b) : dateOf(b) < dateOf(a);
        else if (numeric)
            less = up ? numberOf(a) < numberOf(b) : numberOf(b) < numberOf(a);
        else
            less = up ? list->Data().Cell(col, a) < list->Data().Cell(col, b)
                      : list->Data().Cell(col, b) < list->Data().Cell(col, a);
        return less;
    });
    std::vector<int> map;
    for (int row = 0; row < list->FixedRows(); ++row)
        map.push_back(row);
    map.insert(map.end(), rows.begin(), rows.end());
    list->SetRowMap(std::move(map));
    // The current row follows the result the pages show.
    if (results && RowOfResult(m_currentResult) >= 0)
        list->SetCurrentCell(std::max(list->Col(), 0), RowOfResult(m_currentResult));
}
