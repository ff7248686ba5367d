#include "GridData.h"

namespace {
const QString kEmpty;
}

void GridData::SetColCount(int cols) {
    m_cols = cols < 0 ? 0 : cols;
    for (auto& r : m_rows)
        r.resize(static_cast<size_t>(m_cols));
}

void GridData::SetRowCount(int rows) {
    m_rows.resize(static_cast<size_t>(rows < 0 ? 0 : rows),
                  std::vector<QString>(static_cast<size_t>(m_cols)));
}

const QString& GridData::Cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= m_cols || row >= RowCount())
        return kEmpty;
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void GridData::SetCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= m_cols || row >= RowCount())
        return;
    m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
}

void GridData::InsertRow(int row) {
    if (row < 0 || row > RowCount())
        return;
    m_rows.insert(m_rows.begin() + row, std::vector<QString>(static_cast<size_t>(m_cols)));
}

void GridData::RemoveRow(int row) {
    if (row < 0 || row >= RowCount())
        return;
    m_rows.erase(m_rows.begin() + row);
}

void GridData::ClearRow(int row) {
    if (row < 0 || row >= RowCount())
        return;
    for (auto& c : m_rows[static_cast<size_t>(row)])
        c.clear();
}

void GridData::ClearNormalCells(int fixedCols, int fixedRows) {
    for (int r = fixedRows; r < RowCount(); ++r)
        for (int c = fixedCols; c < m_cols; ++c)
            m_rows[static_cast<size_t>(r)][static_cast<size_t>(c)].clear();
}
