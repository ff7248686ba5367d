#include "OptionUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

TfrmOption::TfrmOption(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmOption"));
    auto* layout = new QVBoxLayout(this);
    pgeOption = new QTabWidget(this);
    pgeOption->setObjectName(QStringLiteral("pgeOption"));
    layout->addWidget(pgeOption);
    shtGeneral = new QWidget(pgeOption);
    shtGeneral->setObjectName(QStringLiteral("shtGeneral"));
    pgeOption->addTab(shtGeneral, QString());
    auto* general = new QVBoxLayout(shtGeneral);
    auto check = [&](QCheckBox*& box, const char* name) {
        box = new QCheckBox(shtGeneral);
        box->setObjectName(QString::fromLatin1(name));
        general->addWidget(box);
    };
    check(chkVisible, "chkVisible");
    check(chkExecute, "chkExecute");
    check(chkCheck, "chkCheck");
    check(chkPause, "chkPause");
    check(chkAutoAdjust, "chkAutoAdjust");
    check(chkMono2Stereo, "chkMono2Stereo");
    check(chkSelfTraining, "chkSelfTraining");
    lblASIO = new QLabel(shtGeneral);
    lblASIO->setObjectName(QStringLiteral("lblASIO"));
    lblSndDriver = new QLabel(shtGeneral);
    lblSndDriver->setObjectName(QStringLiteral("lblSndDriver"));
    trbFeedback = new QSlider(Qt::Horizontal, shtGeneral);
    trbFeedback->setObjectName(QStringLiteral("trbFeedback"));
    pnlFeedback = new QLabel(shtGeneral);
    pnlFeedback->setObjectName(QStringLiteral("pnlFeedback"));
    edtDelayTimes = new QLineEdit(shtGeneral);
    edtDelayTimes->setObjectName(QStringLiteral("edtDelayTimes"));
    cboSndDevice = new QComboBox(shtGeneral);
    cboSndDevice->setObjectName(QStringLiteral("cboSndDevice"));
    for (QWidget* w : {static_cast<QWidget*>(lblASIO), static_cast<QWidget*>(lblSndDriver),
                       static_cast<QWidget*>(trbFeedback), static_cast<QWidget*>(pnlFeedback),
                       static_cast<QWidget*>(edtDelayTimes), static_cast<QWidget*>(cboSndDevice)})
        general->addWidget(w);
}
