#pragma once

#include <QString>
#include <vector>

// The cells of a grid, fixed rows and columns included, addressed (col, row) as the
// windows address them. Kept apart from the widget so that totals, exports and prints
// work on data without a screen.
class GridData {
public:
    int ColCount() const { return m_cols; }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    void SetColCount(int cols);
    void SetRowCount(int rows);

    // Out-of-range cells read as empty and ignore writes, as the grid's own cells do.
    const QString& Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

    void InsertRow(int row);
    void RemoveRow(int row);
    void ClearRow(int row);
    // Empties every cell outside the fixed rows and columns.
    void ClearNormalCells(int fixedCols, int fixedRows);

private:
    int m_cols = 0;
    std::vector<std::vector<QString>> m_rows;
};
