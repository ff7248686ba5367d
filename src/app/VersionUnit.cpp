#include "VersionUnit.h"

#include "Named.h"
#include "WindowTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmVersion::TfrmVersion(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmVersion"));
    setWindowFlag(Qt::Tool);
    auto* layout = new QVBoxLayout(this);
    imgBackGround = Named(new QLabel(QStringLiteral("Tamvik"), this), "imgBackGround");
    QFont title = imgBackGround->font();
    title.setPointSize(title.pointSize() * 2);
    title.setBold(true);
    imgBackGround->setFont(title);
    imgBackGround->setAlignment(Qt::AlignCenter);
    lblNotice = Named(new QLabel(this), "lblNotice");
    lblNotice->setAlignment(Qt::AlignCenter);
    lblDetail = Named(new QLabel(this), "lblDetail");
    lblDetail->hide();
    lblVersion = Named(new QLabel(this), "lblVersion");
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    btnOK = Named(new QPushButton(QStringLiteral("OK"), this), "btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(imgBackGround);
    layout->addWidget(lblNotice);
    layout->addWidget(lblDetail);
    layout->addWidget(lblVersion);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    layout->addLayout(buttons);
    KeepRelabelled(this, [this] { RelabelChildren(this, QStringLiteral("TfrmVersion")); });
}

void TfrmVersion::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TfrmVersion::FormShow() {
    lblVersion->setText(QStringLiteral("Host Application, [ver. ") + QStringLiteral(TAMVIK_VERSION) +
                        QLatin1Char(']'));
}
