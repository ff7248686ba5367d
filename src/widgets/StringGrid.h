#pragma once

#include "GridData.h"

#include <QColor>
#include <QRect>
#include <QTableView>
#include <functional>
#include <vector>

class StringGridModel;

// The grid of every list and table: a table view over GridData, fixed rows and columns
// included, addressed (col, row) like the data. Fixed cells look like headings and are
// neither selectable nor editable. Windows hook colours, alignment and edit rights per
// cell. Displayed rows go through a displayed-to-data row map (identity unless a window
// sorts), so selections and hooks always speak of displayed rows while exports read the
// data in either order.
class StringGrid : public QTableView {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);
    ~StringGrid() override;

    GridData& Data() { return m_data; }
    const GridData& Data() const { return m_data; }

    int ColCount() const { return m_data.ColCount(); }
    void SetColCount(int cols);
    int RowCount() const { return m_data.RowCount(); }
    void SetRowCount(int rows);
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    void SetFixedRows(int rows);

    // Cells by displayed position.
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    void ClearNormalCells();

    int ColWidth(int col) const { return columnWidth(col); }
    void SetColWidth(int col, int width) { setColumnWidth(col, width); }
    void SetRowHeight(int row, int height) { setRowHeight(row, height); }

    void HideColumn(int col);
    void UnHideColumn(int col);
    void UnHideColumnsAll();
    bool IsHiddenColumn(int col) const { return isColumnHidden(col); }

    // The current cell; -1 when there is none.
    int Col() const;
    int Row() const;
    void SetCurrentCell(int col, int row);
    // The selected rectangle (left, top, right, bottom), or the current cell alone.
    QRect Selection() const;
    void SetSelection(const QRect& rect);
    // Hides the focus rectangle and the selection while a run paints its own highlight.
    void SetShowFocus(bool show);
    bool ShowFocus() const { return m_showFocus; }

    void SetEditing(bool editing);
    bool Editing() const { return m_editing; }

    // Displayed-to-data row map; identity when empty.
    int RealRowIndex(int displayedRow) const;
    void SetRowMap(std::vector<int> map);

    // Repaints every cell (after a hook's inputs changed).
    void RepaintAll();

    std::function<bool(int col, int row)> canEditCell;
    std::function<void(int col, int row, QColor& background, QColor& text)> getCellColor;
    std::function<Qt::Alignment(int col, int row)> getAlignment;

signals:
    void cellEdited(int col, int row);
    void currentCellChanged(int col, int row);
    void cellDoubleClicked(int col, int row);
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class StringGridModel;
    void Reset();

    GridData m_data;
    StringGridModel* m_model;
    std::vector<int> m_rowMap;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    bool m_editing = false;
    bool m_showFocus = true;
};
