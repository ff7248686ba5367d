#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QTabWidget;
class QWidget;

// The options dialog: service login, execution and playback options and the output
// device list. Made once by the main window, which fills and reads its controls.
class TfrmOption : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOption(QWidget* owner);

    // Set by OK once the credentials were checked and the settings saved.
    bool settingsSaved = false;

    QTabWidget* pgeOption = nullptr;
    QWidget* shtGeneral = nullptr;
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
};
