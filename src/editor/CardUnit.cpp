#include "CardUnit.h"

#include "PanelStatusBar.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TfrmCard::TfrmCard(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmCard"));
    auto* layout = new QVBoxLayout(this);
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    edtDataFile = static_cast<QLineEdit*>(named(new QLineEdit(this), "edtDataFile"));
    edtDataFile->setReadOnly(true);
    edtComment = static_cast<QLineEdit*>(named(new QLineEdit(this), "edtComment"));
    pnlButtons = named(new QWidget(this), "pnlButtons");
    auto* buttons = new QHBoxLayout(pnlButtons);
    btnListen = static_cast<QPushButton*>(named(new QPushButton(pnlButtons), "btnListen"));
    btnRegist = static_cast<QPushButton*>(named(new QPushButton(pnlButtons), "btnRegist"));
    btnChange = static_cast<QPushButton*>(named(new QPushButton(pnlButtons), "btnChange"));
    btnStop = static_cast<QPushButton*>(named(new QPushButton(pnlButtons), "btnStop"));
    sbtnExportWav = static_cast<QToolButton*>(named(new QToolButton(pnlButtons), "sbtnExportWav"));
    for (QWidget* w : {static_cast<QWidget*>(btnListen), static_cast<QWidget*>(btnRegist),
                       static_cast<QWidget*>(btnChange), static_cast<QWidget*>(btnStop),
                       static_cast<QWidget*>(sbtnExportWav)})
        buttons->addWidget(w);
    stbNowStatus = new PanelStatusBar(1, this);
    stbNowStatus->setObjectName(QStringLiteral("stbNowStatus"));
    layout->addWidget(edtDataFile);
    layout->addWidget(edtComment);
    layout->addWidget(pnlButtons);
    layout->addWidget(stbNowStatus);
}
