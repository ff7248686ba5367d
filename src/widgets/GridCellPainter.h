#pragma once

#include <QStyledItemDelegate>

class StringGrid;

// Paints a StringGrid's cells: the standard look plus what the grid itself adds, the
// sort indicator in the heading of the sorted column and the expand/collapse button of
// a row group. Shared by the grid and the views showing its fixed cells.
class GridCellPainter : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridCellPainter(StringGrid* grid, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The square of a group button inside a cell's rectangle.
    static QRect NodeButtonRect(const QRect& cell);

protected:
    StringGrid* m_grid;
};
