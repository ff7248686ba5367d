#pragma once

#include <QTableView>

class StringGrid;

// A view laid over a StringGrid's viewport that shows the grid's fixed rows, fixed
// columns or their corner while the normal cells scroll underneath. It shares the grid's
// model, copies its section sizes and follows its scroll offset along the free axis;
// mouse clicks report the fixed cell under the pointer to the grid instead of moving
// the current cell.
class GridFrozenView : public QTableView {
    Q_OBJECT
public:
    // followX / followY: the axes along which the view scrolls with the grid.
    GridFrozenView(StringGrid* grid, bool followX, bool followY);

    // Copies section sizes, hidden states and the scroll offsets from the grid.
    void SyncSections();
    void SyncSection(Qt::Orientation orientation, int logical);
    void SyncOffsets();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    StringGrid* m_grid;
    bool m_followX;
    bool m_followY;
};
