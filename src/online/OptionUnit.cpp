#include "OptionUnit.h"
#include "DialogParts.h"
#include "FormParts.h"

#include "OptionIni.h"
#include "ReplyRecord.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "TextTable.h"
#include "UiServices.h"
#include "WindowTexts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kWindow = QStringLiteral("TfrmOption");

QLineEdit* MakeEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setMaxLength(maxLength);
    return edit;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name) {
    return Named(new QCheckBox(parent), name);
}

} // namespace

TfrmOption::TfrmOption(QWidget* owner) : QDialog(owner), IdHTTP1(std::make_unique<tamvik::ServiceClient>()) {
    IdHTTP1->SetTotalTimeout(tamvik::kWindowRequestBoundMs);
    setObjectName(QStringLiteral("frmOption"));
    auto* layout = new QVBoxLayout(this);
    pgeOption = Named(new QTabWidget(this), "pgeOption");
    layout->addWidget(pgeOption);

    shtGeneral = Named(new QWidget(pgeOption), "shtGeneral");
    auto* general = new QVBoxLayout(shtGeneral);
    chkVisible = MakeCheck(shtGeneral, "chkVisible");
    chkExecute = MakeCheck(shtGeneral, "chkExecute");
    general->addWidget(chkVisible);
    general->addWidget(chkExecute);
    general->addStretch();
    pgeOption->addTab(shtGeneral, QString());

    shtExecute = Named(new QWidget(pgeOption), "shtExecute");
    auto* execute = new QFormLayout(shtExecute);
    chkCheck = MakeCheck(shtExecute, "chkCheck");
    execute->addRow(chkCheck);
    auto* feedbackRow = new QHBoxLayout;
    trbFeedback = Named(new QSlider(Qt::Horizontal, shtExecute), "trbFeedback");
    trbFeedback->setRange(1, 100);
    trbFeedback->setPageStep(10);
    trbFeedback->setTickInterval(10);
    trbFeedback->setTickPosition(QSlider::TicksBelow);
    trbFeedback->setValue(1);
    pnlFeedback = Named(new QLabel(shtExecute), "pnlFeedback");
    pnlFeedback->setFrameShape(QFrame::Panel);
    feedbackRow->addWidget(trbFeedback);
    feedbackRow->addWidget(pnlFeedback);
    execute->addRow(LabelFor(trbFeedback), feedbackRow);
    chkAutoAdjust = MakeCheck(shtExecute, "chkAutoAdjust");
    chkSelfTraining = MakeCheck(shtExecute, "chkSelfTraining");
    execute->addRow(chkAutoAdjust);
    execute->addRow(chkSelfTraining);
    edtDelayTimes = Named(new QLineEdit(shtExecute), "edtDelayTimes");
    edtDelayTimes->installEventFilter(this);
    execute->addRow(LabelFor(edtDelayTimes), edtDelayTimes);
    pgeOption->addTab(shtExecute, QString());

    shtSndPlay = Named(new QWidget(pgeOption), "shtSndPlay");
    auto* play = new QFormLayout(shtSndPlay);
    chkPause = MakeCheck(shtSndPlay, "chkPause");
    chkMono2Stereo = MakeCheck(shtSndPlay, "chkMono2Stereo");
    play->addRow(chkPause);
    play->addRow(chkMono2Stereo);
    cboSndDevice = Named(new QComboBox(shtSndPlay), "cboSndDevice");
    cboSndDevice->setEditable(false);
    play->addRow(LabelFor(cboSndDevice), cboSndDevice);
    lblSndDriver = Named(new QLabel(shtSndPlay), "lblSndDriver");
    lblASIO = Named(new QLabel(shtSndPlay), "lblASIO");
    play->addRow(lblSndDriver, lblASIO);
    pgeOption->addTab(shtSndPlay, QString());

    shtTerminal = Named(new QWidget(pgeOption), "shtTerminal");
    auto* terminal = new QFormLayout(shtTerminal);
    auto* folderRow = new QHBoxLayout;
    projectFloder = MakeEdit(shtTerminal, "projectFloder", 255);
    projectBtn = Named(new QPushButton(shtTerminal), "projectBtn");
    folderRow->addWidget(projectFloder);
    folderRow->addWidget(projectBtn);
    terminal->addRow(LabelFor(projectFloder), folderRow);
    serviceUrl = MakeEdit(shtTerminal, "serviceUrl", 255);
    terminal->addRow(LabelFor(serviceUrl), serviceUrl);
    userId = MakeEdit(shtTerminal, "userId", 20);
    terminal->addRow(LabelFor(userId), userId);
    userPassWord = MakeEdit(shtTerminal, "userPassWord", 20);
    userPassWord->setEchoMode(QLineEdit::Password);
    terminal->addRow(LabelFor(userPassWord), userPassWord);
    // The proxy: its address and port take input only while the box is checked.
    grpProxy = Named(new QGroupBox(shtTerminal), "grpProxy");
    auto* proxy = new QFormLayout(grpProxy);
    shiyoChkbox = MakeCheck(grpProxy, "shiyoChkbox");
    proxy->addRow(shiyoChkbox);
    addressEdit = MakeEdit(grpProxy, "addressEdit", 255);
    addressEdit->setEnabled(false);
    proxy->addRow(LabelFor(addressEdit), addressEdit);
    portEdit = MakeEdit(grpProxy, "portEdit", 5);
    portEdit->setEnabled(false);
    proxy->addRow(LabelFor(portEdit), portEdit);
    terminal->addRow(grpProxy);
    pgeOption->addTab(shtTerminal, QString());

    auto* buttons = MakeOkCancelRow(this, QString(), QString(), btnOK, btnCancel);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TfrmOption::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmOption::reject);
    connect(projectBtn, &QPushButton::clicked, this, &TfrmOption::projectBtnClick);
    connect(shiyoChkbox, &QCheckBox::toggled, this, &TfrmOption::shiyoChkboxClick);
    connect(trbFeedback, &QSlider::valueChanged, this, &TfrmOption::trbFeedbackChange);

    KeepRelabelled(this, [this] { RelabelChildren(this, kWindow); });
}

TfrmOption::~TfrmOption() = default;

void TfrmOption::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TfrmOption::FormShow() {
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, true);
    projectFloder->setText(folder);
    serviceUrl->setText(url);
    userId->setText(id);
    userPassWord->setText(password);
    QString useFlag, address, port;
    LoadProxySettings(useFlag, address, port);
    shiyoChkbox->setChecked(useFlag == QLatin1String("1"));
    shiyoChkboxClick();
    addressEdit->setText(address);
    portEdit->setText(port);
    settingsSaved = false;
}

void TfrmOption::btnOKClick() {
    closeAllowed = false;
    bool close = false;
    const auto warn = [this](const char* key, const QString& detail = QString()) {
        UiServices::Get().Message(this, kWindow, QString::fromLatin1(key), detail, UiServices::Kind::Warning);
    };
    [&] {
        if (projectFloder->text().isEmpty())
            return warn("IDS_6");
        if (serviceUrl->text().isEmpty())
            return warn("IDS_7");
        if (userId->text().isEmpty() && userPassWord->text().isEmpty()) {
            // No login: stored as typed, without a proxy and without asking the service.
            settingsSaved = close = Store(QStringLiteral("0"));
            return;
        }
        if (userId->text().isEmpty())
            return warn("IDS_8");
        if (userPassWord->text().isEmpty())
            return warn("IDS_9");
        if (shiyoChkbox->isChecked() && addressEdit->text().isEmpty())
            return warn("IDS_14");
        if (shiyoChkbox->isChecked() && portEdit->text().isEmpty())
            return warn("IDS_15");
        const QString folder = projectFloder->text().trimmed();
        if (!QFileInfo(folder).isDir())
            return warn("IDS_10");
        if (!folder.endsWith(QLatin1Char('/')))
            projectFloder->setText(folder + QLatin1Char('/'));
        const QString url = serviceUrl->text().trimmed();
        if (!url.endsWith(QLatin1Char('/')))
            serviceUrl->setText(url + QLatin1Char('/'));

        QString proxyFlag = QStringLiteral("0");
        if (shiyoChkbox->isChecked()) {
            bool ok = false;
            const int port = portEdit->text().toInt(&ok);
            // A port that is not a number fails like a connection.
            if (!ok)
                return warn("IDS_11", portEdit->text() + QStringLiteral(": not a port number"));
            IdHTTP1->SetProxy(addressEdit->text(), port);
            proxyFlag = QStringLiteral("1");
        } else {
            IdHTTP1->SetProxy(QString(), 0);
        }
        IdHTTP1->SetConnectTimeout(60000);
        IdHTTP1->SetReadTimeout(30000);
        const QStringList lines{FormLine(QStringLiteral("USER_ID"), userId->text()),
                                FormLine(QStringLiteral("USER_PWD"), userPassWord->text())};
        QString reply;
        if (!PostServiceForm(*IdHTTP1, serviceUrl->text() + QStringLiteral("W0001/userAuth"), lines, reply)
                 .ok())
            return warn("IDS_11", ServiceFailureDetail(*IdHTTP1));
        if (reply.isEmpty() || ReplyTestA(ParseKeyValueText(reply)))
            return warn("IDS_12");
        settingsSaved = close = Store(proxyFlag);
    }();
    closeAllowed = true;
    if (close)
        QDialog::reject();
}

bool TfrmOption::Store(const QString& proxyFlag) {
    QString cause;
    if (SaveOptionSettings(projectFloder->text(), serviceUrl->text(), userId->text(), userPassWord->text(),
                           proxyFlag, addressEdit->text(), portEdit->text(), &cause))
        return true;
    // Nothing is stored: the dialog stays open with the input, so the user can mend the
    // folder and press OK again, or cancel knowing that nothing changed.
    UiServices::Get().MessageText(this,
                                  TableText(kWindow, QStringLiteral("OptionWriteFailed"))
                                      .arg(QDir::toNativeSeparators(OptionIniPath()), cause),
                                  QStringLiteral("Tamvik"), UiServices::Kind::Error, UiServices::Buttons::Ok);
    return false;
}

void TfrmOption::FormCloseQuery(bool& canClose) {
    canClose = closeAllowed;
}

void TfrmOption::reject() {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        QDialog::reject();
}

void TfrmOption::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TfrmOption::projectBtnClick() {
    QString start = projectFloder->text();
    if (start.isEmpty()) {
        start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        start.replace(QStringLiteral("Documents"), QStringLiteral("Downloads"), Qt::CaseInsensitive);
    }
    const QString chosen = UiServices::Get().FolderName(this, QString(), start);
    if (!chosen.isEmpty())
        projectFloder->setText(chosen);
}

void TfrmOption::shiyoChkboxClick() {
    addressEdit->setEnabled(shiyoChkbox->isChecked());
    portEdit->setEnabled(shiyoChkbox->isChecked());
}

void TfrmOption::trbFeedbackChange() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    pnlFeedback->setText(locale.toString(trbFeedback->value() * 0.1, 'f', 1));
}

bool TfrmOption::eventFilter(QObject* watched, QEvent* event) {
    // Only digits, the point and backspace reach the delay edit; keys without a character
    // (arrows, Home) move as usual.
    if (watched == edtDelayTimes && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (key->key() != Qt::Key_Backspace && !text.isEmpty() && text.at(0).isPrint()) {
            const QChar c = text.at(0);
            if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
