#include "RstDlgUnit.h"

#include "FormParts.h"
#include "Named.h"
#include "TextTable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString Caption(const QObject* control) {
    return TextTable::Instance().Text(QStringLiteral("TfrmRstDlg"), control->objectName());
}

// A panel of one group box with its radio buttons, the first one chosen.
QWidget* MakePanel(QWidget* parent, const char* name, QGroupBox*& group, const char* groupName,
                   std::initializer_list<std::pair<QRadioButton**, const char*>> buttons) {
    auto* panel = Named(new QWidget(parent), name);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    group = Named(new QGroupBox(panel), groupName);
    auto* groupLayout = new QVBoxLayout(group);
    for (const auto& [button, buttonName] : buttons) {
        *button = Named(new QRadioButton(group), buttonName);
        groupLayout->addWidget(*button);
    }
    layout->addWidget(group);
    return panel;
}

} // namespace

TfrmRstDlg::TfrmRstDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmRstDlg"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    pnlTraining = MakePanel(
        this, "pnlTraining", GroupBox1, "GroupBox1",
        {{&rdbTrnType1, "rdbTrnType1"}, {&rdbTrnType2, "rdbTrnType2"}, {&rdbTrnType3, "rdbTrnType3"}});
    pnlSD =
        MakePanel(this, "pnlSD", grpSDTotalType, "grpSDTotalType",
                  {{&rdbSDType1, "rdbSDType1"}, {&rdbSDType2, "rdbSDType2"}, {&rdbSDType3, "rdbSDType3"}});
    pnlOther = MakePanel(this, "pnlOther", grpTotalType, "grpTotalType",
                         {{&rdbComplete, "rdbComplete"}, {&rdbOrder, "rdbOrder"}});
    chkOverLap = Named(new QCheckBox(pnlOther), "chkOverLap");
    pnlOther->layout()->addWidget(chkOverLap);
    for (QWidget* panel : {pnlTraining, pnlSD, pnlOther})
        layout->addWidget(panel);
    layout->addStretch();
    layout->addLayout(MakeOkCancelRow(this, QString(), QString(), btnOK, btnCancel));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(&TextTable::Instance(), &TextTable::languageChanged, this, &TfrmRstDlg::Relabel);
    Relabel();
    FormShow();
}

void TfrmRstDlg::Relabel() {
    setWindowTitle(TextTable::Instance().Text(QStringLiteral("TfrmRstDlg"), QStringLiteral("Caption")));
    for (QWidget* control : std::initializer_list<QWidget*>{
             GroupBox1, rdbTrnType1, rdbTrnType2, rdbTrnType3, grpSDTotalType, rdbSDType1, rdbSDType2,
             rdbSDType3, grpTotalType, rdbComplete, rdbOrder, chkOverLap, btnOK, btnCancel}) {
        if (auto* box = qobject_cast<QGroupBox*>(control))
            box->setTitle(Caption(box));
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            button->setText(Caption(button));
    }
}

void TfrmRstDlg::FormShow() {
    rdbTrnType1->setChecked(true);
    rdbSDType1->setChecked(true);
    rdbComplete->setChecked(true);
}

void TfrmRstDlg::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}
