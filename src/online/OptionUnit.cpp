#include "OptionUnit.h"
#include "FormParts.h"

#include "OptionIni.h"
#include "ReplyRecord.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "TextTable.h"
#include "UiServices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
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

struct OwnCaption {
    const char* key;
    const char* ja;
    const char* en;
};

// Captions the text table does not give.
const OwnCaption kOwnCaptions[] = {
    {"Caption", "オプション", "Options"},
    {"shtGeneral", "一般", "General"},
    {"shtExecute", "実行", "Execution"},
    {"shtSndPlay", "再生", "Play"},
    {"shtTerminal", "環境", "Environment"},
    {"chkVisible", "パネルの配置を記憶する", "Remember the panel layout"},
    {"chkExecute", "実行ウィンドウの設定を記憶する", "Remember the run window's settings"},
    {"chkCheck", "反復ごとに確認する", "Confirm each repetition"},
    {"chkAutoAdjust", "自動調整", "Adjust automatically"},
    {"chkSelfTraining", "自己訓練", "Self training"},
    {"trbFeedback.Label", "フィードバック時間 [秒]", "Feedback time [sec]"},
    {"edtDelayTimes.Label", "遅延時間", "Delay"},
    {"chkPause", "刺激ごとに一時停止する", "Pause after each stimulus"},
    {"chkMono2Stereo", "モノラルをステレオで再生する", "Play mono as stereo"},
    {"cboSndDevice.Label", "出力デバイス", "Output device"},
    {"projectFloder.Label", "プロジェクトファイル保存フォルダ", "Project file storage folder"},
    {"serviceUrl.Label", "サーバURL", "Server URL"},
    {"userId.Label", "管理者ID", "Administrator ID"},
    {"userPassWord.Label", "パスワード", "Password"},
    {"shiyoChkbox", "プロキシを使用する", "Use a proxy"},
    {"addressEdit.Label", "アドレス", "Address"},
    {"portEdit.Label", "ポート", "Port"},
    {"btnOK", "OK", "OK"},
    {"btnCancel", "キャンセル", "Cancel"},
};

QString Caption(const char* key) {
    TextTable& table = TextTable::Instance();
    const QString text = table.Text(kWindow, QString::fromLatin1(key));
    if (!text.isEmpty())
        return text;
    for (const OwnCaption& c : kOwnCaptions) {
        if (qstrcmp(c.key, key) == 0)
            return QString::fromUtf8(table.language() == TextTable::Language::Japanese ? c.ja : c.en);
    }
    return {};
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setMaxLength(maxLength);
    return edit;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name) {
    return Named(new QCheckBox(Caption(name), parent), name);
}

QString LabelOf(const char* name) {
    return Caption((QByteArray(name) + ".Label").constData());
}

} // namespace

TfrmOption::TfrmOption(QWidget* owner) : QDialog(owner), IdHTTP1(std::make_unique<tamvik::ServiceClient>()) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(Caption("Caption"));
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
    pgeOption->addTab(shtGeneral, Caption("shtGeneral"));

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
    execute->addRow(LabelOf("trbFeedback"), feedbackRow);
    chkAutoAdjust = MakeCheck(shtExecute, "chkAutoAdjust");
    chkSelfTraining = MakeCheck(shtExecute, "chkSelfTraining");
    execute->addRow(chkAutoAdjust);
    execute->addRow(chkSelfTraining);
    edtDelayTimes = Named(new QLineEdit(shtExecute), "edtDelayTimes");
    edtDelayTimes->installEventFilter(this);
    execute->addRow(LabelOf("edtDelayTimes"), edtDelayTimes);
    pgeOption->addTab(shtExecute, Caption("shtExecute"));

    shtSndPlay = Named(new QWidget(pgeOption), "shtSndPlay");
    auto* play = new QFormLayout(shtSndPlay);
    chkPause = MakeCheck(shtSndPlay, "chkPause");
    chkMono2Stereo = MakeCheck(shtSndPlay, "chkMono2Stereo");
    play->addRow(chkPause);
    play->addRow(chkMono2Stereo);
    cboSndDevice = Named(new QComboBox(shtSndPlay), "cboSndDevice");
    cboSndDevice->setEditable(false);
    play->addRow(LabelOf("cboSndDevice"), cboSndDevice);
    lblSndDriver = Named(new QLabel(shtSndPlay), "lblSndDriver");
    lblASIO = Named(new QLabel(shtSndPlay), "lblASIO");
    play->addRow(lblSndDriver, lblASIO);
    pgeOption->addTab(shtSndPlay, Caption("shtSndPlay"));

    shtTerminal = Named(new QWidget(pgeOption), "shtTerminal");
    auto* terminal = new QFormLayout(shtTerminal);
    auto* folderRow = new QHBoxLayout;
    projectFloder = MakeEdit(shtTerminal, "projectFloder", 255);
    projectBtn = Named(new QPushButton(Caption("projectBtn"), shtTerminal), "projectBtn");
    folderRow->addWidget(projectFloder);
    folderRow->addWidget(projectBtn);
    terminal->addRow(LabelOf("projectFloder"), folderRow);
    serviceUrl = MakeEdit(shtTerminal, "serviceUrl", 255);
    terminal->addRow(LabelOf("serviceUrl"), serviceUrl);
    userId = MakeEdit(shtTerminal, "userId", 20);
    terminal->addRow(LabelOf("userId"), userId);
    userPassWord = MakeEdit(shtTerminal, "userPassWord", 20);
    userPassWord->setEchoMode(QLineEdit::Password);
    terminal->addRow(LabelOf("userPassWord"), userPassWord);
    shiyoChkbox = MakeCheck(shtTerminal, "shiyoChkbox");
    terminal->addRow(shiyoChkbox);
    addressEdit = MakeEdit(shtTerminal, "addressEdit", 255);
    addressEdit->setEnabled(false);
    terminal->addRow(LabelOf("addressEdit"), addressEdit);
    portEdit = MakeEdit(shtTerminal, "portEdit", 5);
    portEdit->setEnabled(false);
    terminal->addRow(LabelOf("portEdit"), portEdit);
    pgeOption->addTab(shtTerminal, Caption("shtTerminal"));

    auto* buttons = MakeOkCancelRow(this, Caption("btnOK"), Caption("btnCancel"), btnOK, btnCancel);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TfrmOption::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmOption::reject);
    connect(projectBtn, &QPushButton::clicked, this, &TfrmOption::projectBtnClick);
    connect(shiyoChkbox, &QCheckBox::toggled, this, &TfrmOption::shiyoChkboxClick);
    connect(trbFeedback, &QSlider::valueChanged, this, &TfrmOption::trbFeedbackChange);
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
    const auto warn = [this](const char* key) {
        UiServices::Get().Message(this, kWindow, QString::fromLatin1(key), UiServices::Kind::Warning);
    };
    [&] {
        if (projectFloder->text().isEmpty())
            return warn("IDS_6");
        if (serviceUrl->text().isEmpty())
            return warn("IDS_7");
        if (userId->text().isEmpty() && userPassWord->text().isEmpty()) {
            // No login: stored as typed, without a proxy and without asking the service.
            SaveOptionSettings(projectFloder->text(), serviceUrl->text(), userId->text(),
                               userPassWord->text(), QStringLiteral("0"), addressEdit->text(),
                               portEdit->text());
            settingsSaved = close = true;
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
                return warn("IDS_11");
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
            return warn("IDS_11");
        if (reply.isEmpty() || ReplyTestA(ParseKeyValueText(reply)))
            return warn("IDS_12");
        SaveOptionSettings(projectFloder->text(), serviceUrl->text(), userId->text(), userPassWord->text(),
                           proxyFlag, addressEdit->text(), portEdit->text());
        settingsSaved = close = true;
    }();
    closeAllowed = true;
    if (close)
        QDialog::reject();
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
