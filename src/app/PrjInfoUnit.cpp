#include "PrjInfoUnit.h"
#include "FormParts.h"

#include "TextTable.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString Caption(const char* key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmPrjInfo"), QString::fromLatin1(key));
}

} // namespace

TfrmPrjInfo::TfrmPrjInfo(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint) {
    setObjectName(QStringLiteral("frmPrjInfo"));
    setWindowTitle(Caption("Caption"));

    auto* grid = new QGridLayout(this);
    auto row = [&](QLabel*& label, const char* labelName, QLineEdit*& edit, const char* editName, int r) {
        label = Named(new QLabel(Caption(labelName), this), labelName);
        edit = Named(new QLineEdit(this), editName);
        label->setBuddy(edit);
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
    };
    row(lblPrjTitle, "lblPrjTitle", edtPrjTitle, "edtPrjTitle", 0);
    row(lblPrjUser, "lblPrjUser", edtPrjUser, "edtPrjUser", 1);
    row(lblPrjComment, "lblPrjComment", edtPrjComment, "edtPrjComment", 2);
    row(lblPrjCreate, "lblPrjCreate", edtPrjCreate, "edtPrjCreate", 3);
    row(lblPrjUpdate, "lblPrjUpdate", edtPrjUpdate, "edtPrjUpdate", 4);
    setTabOrder(edtPrjTitle, edtPrjUser);
    setTabOrder(edtPrjUser, edtPrjComment);

    lblSndDevice = Named(new QLabel(Caption("lblSndDevice"), this), "lblSndDevice");
    cboSndDevice = Named(new QComboBox(this), "cboSndDevice");
    lblSndDriver = Named(new QLabel(Caption("lblSndDriver"), this), "lblSndDriver");
    for (QWidget* w : {static_cast<QWidget*>(lblSndDevice), static_cast<QWidget*>(cboSndDevice),
                       static_cast<QWidget*>(lblSndDriver)})
        w->hide();

    Bevel1 = Named(new QFrame(this), "Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    grid->addWidget(Bevel1, 5, 0, 1, 2);

    auto* buttons = MakeOkCancelRow(this, Caption("btnOK"), Caption("btnCancel"), btnOK, btnCancel);
    grid->addLayout(buttons, 6, 0, 1, 2);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TfrmPrjInfo::FormCreate() {
    for (QLineEdit* edit : {edtPrjCreate, edtPrjUpdate}) {
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setBackgroundRole(QPalette::Button);
        edit->setAutoFillBackground(true);
    }
}
