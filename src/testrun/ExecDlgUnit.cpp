#include "ExecDlgUnit.h"

#include "FormParts.h"
#include "Named.h"
#include "TextTable.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
const QString kWindow = QStringLiteral("TfrmExecDlg");
}

TfrmExecDlg::TfrmExecDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmExecDlg"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    grpRange = Named(new QGroupBox(this), "grpRange");
    auto* grid = new QGridLayout(grpRange);
    rdbAll = Named(new QRadioButton(grpRange), "rdbAll");
    rdbRange = Named(new QRadioButton(grpRange), "rdbRange");
    edtRange = Named(new QLineEdit(grpRange), "edtRange");
    rdbRandom = Named(new QRadioButton(grpRange), "rdbRandom");
    edtRandomRange = Named(new QLineEdit(grpRange), "edtRandomRange");
    edtRandomRange->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    grid->addWidget(rdbAll, 0, 0, 1, 2);
    grid->addWidget(rdbRange, 1, 0);
    grid->addWidget(edtRange, 1, 1);
    grid->addWidget(rdbRandom, 2, 0);
    grid->addWidget(edtRandomRange, 2, 1);
    column->addWidget(grpRange);
    chkClear = Named(new QCheckBox(this), "chkClear");
    column->addWidget(chkClear);
    column->addLayout(MakeOkCancelRow(this, QString(), QString(), btnOK, btnCancel));
    rdbAll->setChecked(true);
    resize(250, 218);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(rdbAll, &QRadioButton::clicked, this, &TfrmExecDlg::rdbAllClick);
    connect(rdbRange, &QRadioButton::clicked, this, &TfrmExecDlg::rdbRangeClick);
    edtRange->installEventFilter(this);
    Relabel();
    connect(&TextTable::Instance(), &TextTable::languageChanged, this, [this] { Relabel(); });
}

void TfrmExecDlg::Relabel() {
    TextTable& table = TextTable::Instance();
    setWindowTitle(table.Text(kWindow, QStringLiteral("Caption")));
    grpRange->setTitle(table.Text(kWindow, grpRange->objectName()));
    for (QRadioButton* b : {rdbAll, rdbRange, rdbRandom})
        b->setText(table.Text(kWindow, b->objectName()));
    chkClear->setText(table.Text(kWindow, chkClear->objectName()));
    btnOK->setText(table.Text(kWindow, btnOK->objectName()));
    btnCancel->setText(table.Text(kWindow, btnCancel->objectName()));
}

void TfrmExecDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

void TfrmExecDlg::FormShow() {
    if (!edtRange->text().isEmpty()) {
        rdbRange->setChecked(true);
        edtRange->setFocus();
    } else {
        rdbAll->setChecked(true);
        rdbAll->setFocus();
    }
    rdbAllClick();
    edtRandomRange->clear();
}

void TfrmExecDlg::rdbAllClick() {
    edtRange->setEnabled(!rdbAll->isChecked());
}

void TfrmExecDlg::rdbRangeClick() {
    edtRange->setEnabled(rdbRange->isChecked());
}

bool TfrmExecDlg::AcceptRangeKey(const QString& text) {
    if (text.size() != 1)
        return false;
    const QChar c = text.at(0);
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (c != QLatin1Char(',') && c != QLatin1Char('-'))
        return false;
    const QString current = edtRange->text();
    const int caret = edtRange->cursorPosition();
    if (current.isEmpty() || caret == 0)
        return false;
    const auto separator = [](QChar x) { return x == QLatin1Char(',') || x == QLatin1Char('-'); };
    if (separator(current.at(caret - 1)))
        return false;
    return !(caret < current.size() && separator(current.at(caret)));
}

bool TfrmExecDlg::eventFilter(QObject* watched, QEvent* e) {
    if (watched == edtRange && e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->text().isEmpty() || key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
            key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab)
            return false;
        if (!AcceptRangeKey(key->text()))
            return true;
    }
    return QDialog::eventFilter(watched, e);
}
