#pragma once

#include "Named.h"

#include <QBoxLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>

// The OK and Cancel buttons of a dialog, right-aligned, OK the default; the caller
// connects them and places the returned row.
inline QHBoxLayout* MakeOkCancelRow(QWidget* dialog, const QString& okText, const QString& cancelText,
                                    QPushButton*& btnOK, QPushButton*& btnCancel) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    btnOK = Named(new QPushButton(okText, dialog), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton(cancelText, dialog), "btnCancel");
    row->addWidget(btnOK);
    row->addWidget(btnCancel);
    return row;
}

// A flat text tool button appended to the parent's layout.
inline QToolButton* MakeTextToolButton(QWidget* parent, const char* name) {
    auto* button = Named(new QToolButton(parent), name);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    parent->layout()->addWidget(button);
    return button;
}
