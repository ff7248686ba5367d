#include "CurrentRowPainter.h"

#include "StringGrid.h"

#include <QPainter>

CurrentRowPainter::CurrentRowPainter(StringGrid* grid)
    : QStyledItemDelegate(grid), m_grid(grid), m_inner(grid->itemDelegate()) {
    grid->setItemDelegate(this);
    // The old and the new current row are drawn again.
    connect(grid, &StringGrid::currentCellChanged, grid->viewport(), [grid] { grid->viewport()->update(); });
}

void CurrentRowPainter::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const bool current = index.row() == m_grid->Row() && index.row() >= m_grid->FixedRows();
    if (!current) {
        m_inner->paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem bold(option);
    bold.font.setBold(true);
    bold.fontMetrics = QFontMetrics(bold.font);
    m_inner->paint(painter, bold, index);
    painter->save();
    painter->setPen(QPen(option.palette.color(QPalette::ToolTipBase), 1));
    const QRect r = option.rect.adjusted(0, 0, -1, -1);
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (index.column() == 0)
        painter->drawLine(r.topLeft(), r.bottomLeft());
    if (index.column() == m_grid->ColCount() - 1)
        painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

QSize CurrentRowPainter::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return m_inner->sizeHint(option, index);
}
