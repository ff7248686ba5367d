#pragma once

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QWidget;

namespace tamvik {
class ServiceClient;
}

// The options dialog: the service login of the environment tab, which OK checks with the
// service and stores in Option.ini, and the general, execution and playback tabs, which
// the main window's Options command fills and applies. Made once by the main window.
class TfrmOption : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOption(QWidget* owner);
    ~TfrmOption() override;

    // Set by OK once the settings are stored; cleared at every showing. The dialog ends
    // with the cancel result either way, so the caller reads this flag.
    bool settingsSaved = false;

    void FormShow();
    void btnOKClick();
    void FormCloseQuery(bool& canClose);
    void projectBtnClick();
    void shiyoChkboxClick();
    void trbFeedbackChange();

    QTabWidget* pgeOption = nullptr;
    QWidget* shtGeneral = nullptr;
    QWidget* shtExecute = nullptr;
    QWidget* shtSndPlay = nullptr;
    QWidget* shtTerminal = nullptr;
    QCheckBox* chkVisible = nullptr;
    QCheckBox* chkExecute = nullptr;
    QCheckBox* chkCheck = nullptr;
    QCheckBox* chkPause = nullptr;
    QCheckBox* chkAutoAdjust = nullptr;
    QCheckBox* chkMono2Stereo = nullptr;
    QCheckBox* chkSelfTraining = nullptr;
    QLabel* lblASIO = nullptr;
    QLabel* lblSndDriver = nullptr;
    QSlider* trbFeedback = nullptr;
    QLabel* pnlFeedback = nullptr;
    QLineEdit* edtDelayTimes = nullptr;
    QComboBox* cboSndDevice = nullptr;

    QLineEdit* projectFloder = nullptr;
    QPushButton* projectBtn = nullptr;
    QLineEdit* serviceUrl = nullptr;
    QLineEdit* userId = nullptr;
    QLineEdit* userPassWord = nullptr;
    QGroupBox* grpProxy = nullptr;
    QCheckBox* shiyoChkbox = nullptr;
    QLineEdit* addressEdit = nullptr;
    QLineEdit* portEdit = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The dialog's own web client.
    std::unique_ptr<tamvik::ServiceClient> IdHTTP1;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Stores the environment tab in Option.ini; false (after saying why) when it could not.
    bool Store(const QString& proxyFlag);

    // False while OK is being handled: the dialog does not close under it.
    bool closeAllowed = true;
};
