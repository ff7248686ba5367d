#pragma once

#include "GridData.h"

#include <QString>
#include <optional>
#include <vector>

// Rows that fold under one expandable node: the node row and the rows after it.
struct RowGroup {
    int row = 0;
    int rows = 0;

    bool operator==(const RowGroup&) const = default;
};

// One filled result table: the cells with their fixed rows and columns and the little
// layout the grids need beyond the cells. Made by the functions of this folder, shown by
// the result window and written by printing and export.
struct ResultTable {
    GridData cells;
    int fixedCols = 0;
    int fixedRows = 1;
    // The header row holds two-line texts and is twice the normal height.
    bool doubleHeaderRow = false;
    std::vector<RowGroup> groups;
    // A caption the table comes with (the training subject shown), when it sets one.
    std::optional<QString> caption;

    const QString& Cell(int col, int row) const { return cells.Cell(col, row); }
    void SetSize(int cols, int rows) {
        cells.SetColCount(cols);
        cells.SetRowCount(rows);
    }
};
