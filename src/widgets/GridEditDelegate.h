#pragma once

#include "GridCellPainter.h"

class StringGrid;

// The in-place editor of a StringGrid: a line edit that the grid's edit hooks set up
// (first text, validator, key filter), and whose text passes the validate hook before
// it reaches the cell.
class GridEditDelegate : public GridCellPainter {
    Q_OBJECT
public:
    explicit GridEditDelegate(StringGrid* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
};
