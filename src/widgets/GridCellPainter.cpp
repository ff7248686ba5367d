#include "GridCellPainter.h"

#include "StringGrid.h"

#include <QPainter>
#include <QPolygon>

GridCellPainter::GridCellPainter(StringGrid* grid, QObject* parent)
    : QStyledItemDelegate(parent), m_grid(grid) {}

QRect GridCellPainter::NodeButtonRect(const QRect& cell) {
    const int side = std::max(5, std::min({9, cell.width() - 4, cell.height() - 4}));
    return QRect(cell.x() + (cell.width() - side) / 2, cell.y() + (cell.height() - side) / 2, side, side);
}

void GridCellPainter::paint(QPainter* painter, const QStyleOptionViewItem& given,
                            const QModelIndex& index) const {
    const int col = index.column();
    const int row = index.row();
    // A fixed cell is a heading: it looks the same in the grid and in the strips laid
    // over it, which take neither focus nor the pointer.
    QStyleOptionViewItem option(given);
    if (col < m_grid->FixedCols() || row < m_grid->FixedRows())
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected | QStyle::State_MouseOver);
    QStyledItemDelegate::paint(painter, option, index);
    const QColor ink = option.palette.color(QPalette::Text);
    if (col == 0 && m_grid->IsNode(row)) {
        painter->save();
        const QRect box = NodeButtonRect(option.rect);
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->setBrush(option.palette.color(QPalette::Base));
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        painter->setPen(ink);
        const int midY = box.center().y();
        const int midX = box.center().x();
        painter->drawLine(box.left() + 2, midY, box.right() - 2, midY);
        if (!m_grid->NodeExpanded(row))
            painter->drawLine(midX, box.top() + 2, midX, box.bottom() - 2);
        painter->restore();
    }
    if (col == m_grid->SortColumn() && row == m_grid->FixedRows() - 1) {
        // A small triangle at the right end of the heading: up when ascending.
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        const int h = 4;
        const int x = option.rect.right() - 10;
        const int y = option.rect.center().y();
        QPolygon arrow;
        if (m_grid->SortAscending())
            arrow << QPoint(x - h, y + h / 2) << QPoint(x + h, y + h / 2) << QPoint(x, y - h / 2);
        else
            arrow << QPoint(x - h, y - h / 2) << QPoint(x + h, y - h / 2) << QPoint(x, y + h / 2);
        painter->drawPolygon(arrow);
        painter->restore();
    }
}
