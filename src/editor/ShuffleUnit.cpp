#include "ShuffleUnit.h"

#include "TextTable.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Caption(const char* key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmShuffle"), QString::fromLatin1(key));
}

} // namespace

TfrmShuffle::TfrmShuffle(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmShuffle"));
    setWindowTitle(Caption("Caption"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    lstShuffle = new QListWidget(this);
    lstShuffle->setObjectName(QStringLiteral("lstShuffle"));
    lstShuffle->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(lstShuffle);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton(Caption("btnOK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(Caption("btnCancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}
