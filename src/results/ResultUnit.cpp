#include "ResultUnit.h"

#include "Messages.h"
#include "TextTable.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Caption(const char* key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmResult"), QString::fromLatin1(key));
}

} // namespace

TfrmResult::TfrmResult(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmResult"));
    setWindowTitle(Caption("Caption"));
    resize(792, 566);

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(client);

    pnlToolBar = new QWidget(client);
    pnlToolBar->setObjectName(QStringLiteral("pnlToolBar"));
    auto* toolLayout = new QHBoxLayout(pnlToolBar);
    auto makeViewButton = [&](QToolButton*& button, const char* name) {
        button = new QToolButton(pnlToolBar);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(Caption(name));
        button->setCheckable(true);
        button->setAutoRaise(true);
        toolLayout->addWidget(button);
    };
    makeViewButton(sbtnExec, "sbtnExec");
    makeViewButton(sbtnQuestion, "sbtnQuestion");
    toolLayout->addStretch();
    layout->addWidget(pnlToolBar);

    pnlResult = new QWidget(client);
    pnlResult->setObjectName(QStringLiteral("pnlResult"));
    pnlQuestion = new QWidget(client);
    pnlQuestion->setObjectName(QStringLiteral("pnlQuestion"));
    pnlQuestion->hide();
    layout->addWidget(pnlResult, 1);
    layout->addWidget(pnlQuestion, 1);

    connect(sbtnExec, &QToolButton::clicked, this, &TfrmResult::sbtnExecClick);
    connect(sbtnQuestion, &QToolButton::clicked, this, &TfrmResult::sbtnQuestionClick);
}

void TfrmResult::sbtnExecClick() {
    if (sbtnExec->isChecked()) {
        sbtnQuestion->setChecked(false);
        pnlQuestion->hide();
        pnlResult->show();
    }
    if (!sbtnQuestion->isChecked())
        sbtnExec->setChecked(true);
}

void TfrmResult::sbtnQuestionClick() {
    if (sbtnQuestion->isChecked()) {
        sbtnExec->setChecked(false);
        pnlResult->hide();
        pnlQuestion->show();
    }
    if (!sbtnExec->isChecked())
        sbtnQuestion->setChecked(true);
}

void TfrmResult::FormCloseQuery(bool& canClose) {
    if (notifyWindow != 0) {
        const intptr_t lParam =
            (deleteAllResponses ? 1 : 0) | ((deleteAllQuestionnaireResults ? 1 : 0) << 16);
        PostMessage(notifyWindow, WM_RESULTS_CHANGED, resultsChanged ? 1 : 0, lParam);
    }
    // Reported once: a later close must not ask again for what was done already.
    resultsChanged = deleteAllResponses = deleteAllQuestionnaireResults = false;
    canClose = true;
}

void TfrmResult::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    event->accept();
}
