#pragma once

#include "Named.h"
#include "StringGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QList>
#include <QMetaObject>
#include <algorithm>

// The label of a control: the relabel pass gives it the control's ".Label" text.
inline QLabel* LabelFor(QWidget* control) {
    const QByteArray name = control->objectName().toLatin1() + "Label";
    auto* label = Named(new QLabel(control->parentWidget()), name.constData());
    label->setBuddy(control);
    return label;
}

// A drop-down list: choices only, no typing.
inline QComboBox* MakeList(QWidget* parent, const char* name) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(false);
    return box;
}

// The data rows below the header row that hold a selected cell, top to bottom. Fixed
// cells are never selected, so a chosen row is any row with a selected cell.
inline QList<int> ChosenRows(const StringGrid* grid) {
    QList<int> rows;
    for (const QModelIndex& index : grid->selectionModel()->selectedIndexes())
        if (index.row() >= 1 && !rows.contains(index.row()))
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

// A closed dialog gives up the keyboard focus, so no hidden control keeps it (the main
// window follows the focus to colour its panels).
inline void DropFocus(QWidget* dialog) {
    QWidget* focused = QApplication::focusWidget();
    if (focused && dialog->isAncestorOf(focused))
        focused->clearFocus();
}

// Closes a dialog from the event loop: a close from inside the dialog's showing (a look-up
// of its set-up that fails) would come before the modal loop exists, which then never ends.
inline void CloseFromEventLoop(QDialog* dialog) {
    QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
}
