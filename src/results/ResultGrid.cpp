#include "ResultGrid.h"

#include "StringGrid.h"

#include <QFontMetrics>
#include <QHeaderView>

void ShowResultTable(StringGrid* grid, const ResultTable& table) {
    grid->setUpdatesEnabled(false);
    grid->Data() = table.cells;
    grid->SetFixedCols(table.fixedCols);
    grid->SetFixedRows(table.fixedRows);
    // Renews the view over the new cells and forgets any sorting of the old ones.
    grid->SetRowCount(table.cells.RowCount());
    for (int r = 0; r < grid->RowCount(); ++r)
        grid->setRowHidden(r, false);
    const QString first = table.Cell(table.fixedCols < table.cells.ColCount() ? table.fixedCols : 0, 0);
    const int height =
        grid->fontMetrics().boundingRect(first.section(QStringLiteral("\r\n"), 0, 0)).height() + 5;
    grid->verticalHeader()->setDefaultSectionSize(height);
    if (table.doubleHeaderRow && grid->RowCount() > 0)
        grid->SetRowHeight(0, 2 * height);
    grid->setUpdatesEnabled(true);
}

void SetupResultGrid(StringGrid* grid) {
    grid->SetEditing(false);
    grid->canEditCell = [](int, int) { return false; };
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(true);
}
