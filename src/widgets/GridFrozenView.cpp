#include "GridFrozenView.h"

#include "GridCellPainter.h"
#include "StringGrid.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <utility>

GridFrozenView::GridFrozenView(StringGrid* grid, bool followX, bool followY)
    : QTableView(grid), m_grid(grid), m_followX(followX), m_followY(followY) {
    setModel(grid->model());
    setItemDelegate(new GridCellPainter(grid, this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    // Context menus belong to the grid as a whole.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

void GridFrozenView::SyncSections() {
    const QHeaderView* gridCols = m_grid->horizontalHeader();
    const QHeaderView* gridRows = m_grid->verticalHeader();
    // Setting a default size sets every section to it, so only a new one is set.
    for (auto [from, to] : {std::pair(gridCols, horizontalHeader()), std::pair(gridRows, verticalHeader())}) {
        if (to->minimumSectionSize() != from->minimumSectionSize())
            to->setMinimumSectionSize(from->minimumSectionSize());
        if (to->defaultSectionSize() != from->defaultSectionSize())
            to->setDefaultSectionSize(from->defaultSectionSize());
    }
    setShowGrid(m_grid->showGrid());
    setGridStyle(m_grid->gridStyle());
    setWordWrap(m_grid->wordWrap());
    for (int c = 0; c < gridCols->count(); ++c)
        SyncSection(Qt::Horizontal, c);
    for (int r = 0; r < gridRows->count(); ++r)
        SyncSection(Qt::Vertical, r);
}

void GridFrozenView::SyncSection(Qt::Orientation orientation, int logical) {
    const QHeaderView* from =
        orientation == Qt::Horizontal ? m_grid->horizontalHeader() : m_grid->verticalHeader();
    QHeaderView* to = orientation == Qt::Horizontal ? horizontalHeader() : verticalHeader();
    if (logical < 0 || logical >= to->count())
        return;
    // Along the axis it does not follow, the view shows only the fixed sections: the
    // others stay as they are, which keeps a large grid's resizing cheap.
    const bool follows = orientation == Qt::Horizontal ? m_followX : m_followY;
    const int fixed = orientation == Qt::Horizontal ? m_grid->FixedCols() : m_grid->FixedRows();
    if (!follows && logical >= fixed)
        return;
    const bool hidden = from->isSectionHidden(logical);
    if (to->isSectionHidden(logical) != hidden)
        to->setSectionHidden(logical, hidden);
    if (!hidden && to->sectionSize(logical) != from->sectionSize(logical))
        to->resizeSection(logical, from->sectionSize(logical));
}

void GridFrozenView::SyncOffsets() {
    // The headers carry the offsets the table paints with; the view's own scroll bars
    // stay at zero and are never moved.
    const int x = m_followX ? m_grid->horizontalHeader()->offset() : 0;
    const int y = m_followY ? m_grid->verticalHeader()->offset() : 0;
    if (horizontalHeader()->offset() != x || verticalHeader()->offset() != y) {
        horizontalHeader()->setOffset(x);
        verticalHeader()->setOffset(y);
        viewport()->update();
    }
}

void GridFrozenView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void GridFrozenView::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex i = indexAt(event->position().toPoint());
    if (i.isValid() && event->button() == Qt::LeftButton)
        emit m_grid->cellClicked(i.column(), i.row());
    event->accept();
}

void GridFrozenView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex i = indexAt(event->position().toPoint());
    if (i.isValid() && event->button() == Qt::LeftButton)
        emit m_grid->cellDoubleClicked(i.column(), i.row());
    event->accept();
}

void GridFrozenView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void GridFrozenView::wheelEvent(QWheelEvent* event) {
    // Left to the grid, which scrolls and takes this view along.
    event->ignore();
}

// Drags are the grid's, at the cell this view shows under the pointer. They are handed
// over directly: sent on as events, moves would come back here, Qt's current drop target.
void GridFrozenView::dragEnterEvent(QDragEnterEvent* event) {
    m_grid->HandleDrag(event, indexAt(event->position().toPoint()));
}

void GridFrozenView::dragMoveEvent(QDragMoveEvent* event) {
    m_grid->HandleDrag(event, indexAt(event->position().toPoint()));
}

void GridFrozenView::dropEvent(QDropEvent* event) {
    m_grid->HandleDrag(event, indexAt(event->position().toPoint()));
}
