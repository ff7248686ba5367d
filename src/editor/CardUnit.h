#pragma once

#include "OutputSelection.h"
#include "Post.h"
#include "StimulusPlayback.h"

#include <QWidget>
#include <cstdint>
#include <vector>

class CSound;
class CWaveRead;
class PanelStatusBar;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QtMessageReceiver;

// The stimulus card: a tool window that shows one stimulus of the open project (source
// path, comment, file properties), steps through the list, registers or changes the
// stimulus's file and auditions it on the current output. It owns no project data: every
// change it wants goes to its owner as WM_CARD_EVENT (wParam 1 commit and navigate, lParam
// low word the number shown, high word the number to show next; wParam 0 playback state,
// lParam 1 started, 0 ended, -1 error; wParam 2 export the WAV copy of stimulus lParam),
// and the owner refreshes it with TfrmMain::ShowCard. Made once by the main window, which
// writes the output state members below and keeps them current.
class TfrmCard : public QWidget {
    Q_OBJECT
public:
    explicit TfrmCard(QWidget* owner);
    ~TfrmCard() override;

    WindowHandle handle() const;

    int currentNumber = 0;         // the stimulus shown, from 1
    int lastNumber = 0;            // number of stimuli
    WindowHandle ownerWindow = 0;  // receives WM_CARD_EVENT; nothing is posted while 0
    CSound* sound = nullptr;       // the main window's wave-out player; not owned
    CWaveRead* waveRead = nullptr; // the main window's reader (low-latency path); not owned
    OutputSelection output;        // where its audition plays, as the main window selected it
    bool changeAllowed = false;    // the user's rights allow changing the stimulus

    void SetRowCount(int number, int count);
    // Enabling of the navigation, playback and export buttons for stimulus number.
    void UpdateNavButtons(int number);
    // The WAV acceptance rule on the card's copy of the device formats.
    bool CheckWaveFile(const QString& path, int* channels, int* bits, int* rate, uint32_t* frames) const;
    // While the main window auditions or runs a test the card neither edits nor plays.
    void SetOwnerBusy(bool busy);
    // True from a start made by the card to the end of that playback.
    bool Playing() const;
    const StimulusPlayback& Playback() const { return playback; }

    // Control handlers (the controls' signals are connected to them).
    void sbtnFirstClick();
    void sbtnPreviousClick();
    void sbtnNextClick();
    void sbtnLastClick();
    void RegistToProject();
    void btnListenClick();
    void btnStopClick();
    void sbtnFixWinClick();
    void sbtnUnFixWinClick();
    void sbtnExportWavClick();
    // A file dropped from the desktop (one file only).
    void OnDropFiles(const QStringList& paths);

    // Reports of the players, by message.
    void OnSoundMessage(intptr_t wParam, intptr_t lParam);
    void OnAsioStatus(intptr_t wParam, intptr_t lParam);
    void OnAsioBufferDone(intptr_t wParam, intptr_t lParam);

    QLabel* lblDataFile = nullptr;
    QLineEdit* edtDataFile = nullptr;
    QLabel* lblComment = nullptr;
    QLineEdit* edtComment = nullptr;
    QPushButton* btnRegist = nullptr;
    QPushButton* btnChange = nullptr;
    QToolButton* sbtnExportWav = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* lblFs = nullptr; // property "Tag": the sample rate in Hz
    QLabel* lblBit = nullptr;
    QLabel* lblTime = nullptr;
    QLabel* lblCh = nullptr;
    QLabel* lblFileCreate = nullptr;
    QLabel* lblFileUpdate = nullptr;
    QPushButton* btnListen = nullptr; // property "Tag": 1 while the card's own playback runs
    QPushButton* btnStop = nullptr;
    QWidget* pnlButtons = nullptr;
    QToolButton* sbtnFirst = nullptr;
    QToolButton* sbtnPrevious = nullptr;
    QToolButton* sbtnNext = nullptr;
    QToolButton* sbtnLast = nullptr;
    QToolButton* sbtnFixWin = nullptr;      // seen while the card stays on top
    QToolButton* sbtnUnFixWin = nullptr;    // seen while it does not
    PanelStatusBar* stbNowStatus = nullptr; // panel 0: the output device
    QProgressBar* pgsCheck = nullptr;
    QLabel* lblPrjFileName = nullptr; // hidden: the stimulus's copy in the work folder

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void Post(intptr_t wParam, intptr_t lParam) const;
    // Commit of what the card shows, and a move to stimulus next.
    void Navigate(int next);
    void Started();
    void EndPlayback();
    void SetProgress(double percent);
    void PlaceProgress();
    void Relabel();

    StimulusPlayback playback;
    QtMessageReceiver* receiver = nullptr;
    QString registerFolder; // where the last chosen file lay
};
