#include "ResultGrid.h"

#include "StringGrid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <algorithm>
#include <vector>

void ShowResultTable(StringGrid* grid, ResultTable table) {
    grid->setUpdatesEnabled(false);
    const QString first = table.Cell(table.fixedCols < table.cells.ColCount() ? table.fixedCols : 0, 0);
    grid->Data() = std::move(table.cells);
    grid->SetFixedCols(table.fixedCols);
    grid->SetFixedRows(table.fixedRows);
    // Renews the view over the new cells and forgets any sorting of the old ones.
    grid->SetRowCount(grid->Data().RowCount());
    grid->SetSortMark(-1, true);
    for (int r = 0; r < grid->RowCount(); ++r)
        grid->setRowHidden(r, false);
    const int height =
        grid->fontMetrics().boundingRect(first.section(QStringLiteral("\r\n"), 0, 0)).height() + 5;
    grid->verticalHeader()->setDefaultSectionSize(height);
    if (table.doubleHeaderRow && grid->RowCount() > 0)
        grid->SetRowHeight(0, 2 * height);
    grid->setUpdatesEnabled(true);
}

void ClearResultGrid(StringGrid* grid) {
    ResultTable none;
    none.fixedRows = 0;
    ShowResultTable(grid, none);
}

void SetupResultGrid(StringGrid* grid) {
    grid->SetEditing(false);
    grid->canEditCell = [](int, int) { return false; };
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(true);
}

void RemoveGridColumn(StringGrid* grid, int col) {
    if (col < 0 || col >= grid->ColCount())
        return;
    std::vector<int> widths;
    for (int c = 0; c < grid->ColCount(); ++c)
        if (c != col)
            widths.push_back(grid->ColWidth(c));
    const GridData& old = grid->Data();
    GridData cells;
    cells.SetColCount(old.ColCount() - 1);
    cells.SetRowCount(old.RowCount());
    for (int r = 0; r < old.RowCount(); ++r)
        for (int c = 0, to = 0; c < old.ColCount(); ++c)
            if (c != col)
                cells.SetCell(to++, r, old.Cell(c, r));
    const int row = grid->Row();
    grid->Data() = std::move(cells);
    grid->SetColCount(grid->Data().ColCount());
    for (size_t c = 0; c < widths.size(); ++c)
        grid->SetColWidth(static_cast<int>(c), widths[c]);
    // The cell that took the removed one's place becomes current.
    grid->SetCurrentCell(std::min(col, grid->ColCount() - 1), row);
}
