#pragma once

#include <QStyledItemDelegate>

class StringGrid;

// The look of the current row of a result list: its text bold and the row framed in the
// tooltip colour (top and bottom of every cell, the left end and the right end). Paints
// through the grid's own painter, so headings, sort marks and group buttons stay.
class CurrentRowPainter : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Takes the grid's painter over as the grid's delegate.
    explicit CurrentRowPainter(StringGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    StringGrid* m_grid;
    QAbstractItemDelegate* m_inner;
};
