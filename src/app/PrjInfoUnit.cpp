#include "PrjInfoUnit.h"
#include "FormParts.h"

#include "WindowTexts.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmPrjInfo::TfrmPrjInfo(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint) {
    setObjectName(QStringLiteral("frmPrjInfo"));

    auto* grid = new QGridLayout(this);
    auto row = [&](QLabel*& label, const char* labelName, QLineEdit*& edit, const char* editName, int r) {
        label = Named(new QLabel(this), labelName);
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

    lblSndDevice = Named(new QLabel(this), "lblSndDevice");
    cboSndDevice = Named(new QComboBox(this), "cboSndDevice");
    lblSndDriver = Named(new QLabel(this), "lblSndDriver");
    for (QWidget* w : {static_cast<QWidget*>(lblSndDevice), static_cast<QWidget*>(cboSndDevice),
                       static_cast<QWidget*>(lblSndDriver)})
        w->hide();

    Bevel1 = Named(new QFrame(this), "Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    grid->addWidget(Bevel1, 5, 0, 1, 2);

    auto* buttons = MakeOkCancelRow(this, QString(), QString(), btnOK, btnCancel);
    grid->addLayout(buttons, 6, 0, 1, 2);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Made once and kept: its texts follow every language switch.
    KeepRelabelled(this, [this] {
        RelabelChildren(this, QStringLiteral("TfrmPrjInfo"));
        // The title bar shows the whole title next to its icon and buttons.
        constexpr int titleBarButtons = 120;
        QFont titleFont = font();
        titleFont.setBold(true);
        setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + titleBarButtons);
    });
    FormCreate();
}

void TfrmPrjInfo::FormCreate() {
    for (QLineEdit* edit : {edtPrjCreate, edtPrjUpdate}) {
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setBackgroundRole(QPalette::Button);
        edit->setAutoFillBackground(true);
        // A date is shown whole, however long the locale writes it.
        connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
            constexpr int textMargins = 12;
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(text) + textMargins);
        });
    }
}
