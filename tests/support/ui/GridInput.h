#pragma once

#include "StringGrid.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QList>
#include <QMimeData>
#include <QStringList>
#include <QTest>
#include <QUrl>

// A user's mouse on a string grid, for window tests.
namespace grid_input {

// Clicks the cell where a user clicks it: fixed cells are shown by views laid over the grid.
inline void ClickCell(StringGrid* grid, int col, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    grid->scrollTo(grid->model()->index(row, col));
    const QPoint at =
        grid->viewport()->mapTo(grid, grid->visualRect(grid->model()->index(row, col)).center());
    QWidget* target = grid->childAt(at);
    if (!target)
        target = grid->viewport();
    QTest::mouseClick(target, Qt::LeftButton, modifiers, target->mapFrom(grid, at));
}

// Drags files from the desktop over the cell and drops them there; true when the grid
// took the drag.
inline bool DropFiles(StringGrid* grid, const QStringList& paths, int col, int row) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    grid->scrollTo(grid->model()->index(row, col));
    const QPoint at = grid->visualRect(grid->model()->index(row, col)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &drop);
    return true;
}

} // namespace grid_input
