#pragma once

#include "DeviceFormatMap.h"
#include "Post.h"

#include <QWidget>
#include <cstdint>
#include <vector>

class CSound;
class CWaveRead;
class PanelStatusBar;
class QLineEdit;
class QPushButton;
class QToolButton;

// The stimulus card: one stimulus with its file, comment and own audition. Made once by
// the main window, which writes the output state members below and keeps them current.
class TfrmCard : public QWidget {
    Q_OBJECT
public:
    explicit TfrmCard(QWidget* owner);

    WindowHandle ownerWindow = 0;  // receives WM_CARD_EVENT
    CSound* sound = nullptr;       // not owned
    CWaveRead* waveRead = nullptr; // not owned
    int32_t asioBlockFrames = 0;
    bool useMME = false;
    int32_t soundDeviceId = 0;
    bool mono2Stereo = true;
    std::vector<int32_t> asioChannelOrder;
    DeviceFormatMap deviceFormats;
    bool changeAllowed = false; // the user's rights allow changing the stimulus
    // The stimulus shown (1..stimulusCount; 0 with an empty list), set by the main window.
    int stimulusNumber = 0;
    int stimulusCount = 0;

    PanelStatusBar* stbNowStatus = nullptr; // panel 0: the output device
    QLineEdit* edtComment = nullptr;
    QWidget* pnlButtons = nullptr;
    QPushButton* btnListen = nullptr;
    QPushButton* btnRegist = nullptr;
    QPushButton* btnChange = nullptr;
    QPushButton* btnStop = nullptr;
    QToolButton* sbtnExportWav = nullptr;
    QLineEdit* edtDataFile = nullptr;
};
