#pragma once

#include "AsyncServiceClient.h"
#include "OutputSelection.h"
#include "Post.h"
#include "ServiceClient.h"
#include "StimulusPlayback.h"
#include "UiServices.h"

#include <QColor>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class CExecTable;
class CProject;
class CSchedule;
class CSound;
class CWaveRead;
class PanelStatusBar;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;
class QWidget;
class QtMessageReceiver;
class StringGrid;
class TfrmExecDlg;
struct AnswerGridShape;

// The service settings of the test run, refreshed from Option.ini by every project load
// and by the test-run window; while ExecTestRunSeq is empty no run request is sent.
extern QString ExecProjectFolder;
extern QString ExecServiceUrl; // ends with "W0001/"
extern QString ExecUserId;
extern QString ExecUserPassword;
extern QString ExecTestRunSeq;
extern int ExecAnswererCount;

// What the window is doing (windowState); 2 to 6 and 8 belong to answer terminals, which
// nothing here creates.
enum ExecuteWindowState : int32_t {
    ExecWaitingAnswerers = 0,
    ExecWindowIdle = 1,
    ExecWindowReady = 7,
    ExecWindowEnding = 8,
    ExecWindowRunning = 9,
};

// A terminal of the answer-terminal features; the list stays empty in this system.
struct TERMDATA {
    int32_t number = 0;
    QString subjectId;
    QString address;
    QString sortText;
    bool prepared = false;
    bool responding = false;
    bool sleeping = false;
};

// The test-run window: registers a run of one schedule with the answer service, lets the
// operator choose the trials of each pass, drives the sequencer over them, plays what it
// names on the selected output and collects the subjects' answers into the answer grid.
// The main window makes one per test (StartExecution), fills it, shows it and calls Start;
// it frees the window when the window posts WM_EXECUTE_EVENT -1. The project, sequencer
// and audio objects belong to the main window.
class TfrmExecute : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmExecute(QWidget* owner);
    ~TfrmExecute() override;

    WindowHandle handle() const;

    // The show-time work (FormShow): settings, timers and the registration. Called once
    // by whoever shows the window, after show().
    void Start();

    // --- set-up, states, options, close ----------------------------------------------------
    void SetState(int state);
    void UpdateControls();
    void SetHideLastColumn(bool hide);
    bool Dispatch(uint32_t msg, intptr_t wParam, intptr_t lParam);
    // The close protocol. It may wait for the service (saving the results, ending the
    // run): it then answers false and closes the window itself once the replies allow.
    bool CanClose();
    void btnSaveClick();
    void cboScheduleClick();
    void popOptionPopup();
    void popOptionCheckClick();
    void popOptionWaitClick();
    void popOptionFeedBackClick();
    void popOptionCloseMethodClick();
    void popOptionKillZappaClick();
    void SortChange(QAction* item);
    void tmrAfterTimer();
    void tbtnRepeatClick();
    void sbtnExecClick() {}
    void sbtnQuestionClick() {}
    void btnRegistIDClick() {}

    // --- service exchange ------------------------------------------------------------------
    // Every request runs on IdHTTP1's worker; what follows a reply runs when it is in, and
    // `done` (where there is one) learns the outcome.
    using Outcome = std::function<void(bool ok)>;
    void StartTest(Outcome done);
    void BuildTestRunLists(Outcome done);
    void cboScheduleChange();
    void userSearchTimerTimer();
    void answerRequest();
    void SaveTestResult(Outcome done = nullptr);
    // The window waits for a reply the operator waits for (everything but the answerer
    // poll): the cursor shows it, and the buttons of the top panel are held until it is in.
    bool IsWaiting() const { return operatorWaits > 0; }

    // --- trial selection -------------------------------------------------------------------
    void btnExecuteClick();

    // --- run control -----------------------------------------------------------------------
    void actExecCtrlPlayExecute();
    void actExecCtrlSuspendExecute();
    void actExecCtrlStopExecute();
    void actExecCtrlCancelRepeatExecute();
    void actExecCtrlSoundStopExecute();
    void OnExecTableMessage(intptr_t wParam, intptr_t lParam);
    void OnSoundMessage(intptr_t wParam, intptr_t lParam);
    void OnAsioStatus(intptr_t wParam, intptr_t lParam);
    void OnAsioBufferDone(intptr_t wParam, intptr_t lParam);
    bool IsTrialComplete(int trial) const;
    void SetCurrentTrial(int trial);
    bool PlayStimulus(int number);

    // --- answer grid -----------------------------------------------------------------------
    // Rows of the schedule's trials (answers cleared), with the training rows and columns.
    void RebuildTrialRows(const CSchedule& schedule);
    // The answer grid's headings in the active language.
    void RelabelAnswerGrid();
    // Writes the trials' correct buttons into the last column (after a shuffle).
    void WriteCorrectAnswers(const CSchedule& schedule);
    bool RebuildDisplayOrder(int mode);
    int DisplayColumnToTerminal(int col) const;
    int TerminalToDisplayColumn(int terminal) const;
    AnswerGridShape GridShape() const;
    bool IsTrialRowSelected(int trial) const;
    void SelectTrialRow(int trial, bool select = true);
    void ClearRowSelection();
    // The schedule chosen in cboSchedule, or null.
    CSchedule* ChosenSchedule() const;
    bool Training() const;

    // A text of this window's table in the active language.
    static QString Ids(const char* key);
    UiServices::Answer ShowMessage(const char* key, UiServices::Kind kind = UiServices::Kind::Warning,
                                   UiServices::Buttons buttons = UiServices::Buttons::Ok);
    QString StatusText(int panel) const;

    // ===== members ==========================================================================
    bool resultsUnsaved = false;
    bool questionnaireUnsaved = false;
    int32_t resultsSaved = 0;
    int32_t currentTrial = 0;
    int32_t windowState = ExecWindowIdle;
    bool hideLastColumn = false;
    QStringList selectedTrials;
    std::vector<TERMDATA> terminals;
    TfrmExecDlg* execDlg = nullptr;
    std::vector<int32_t> displayOrder;
    WindowHandle mainWindow = 0;
    int32_t scheduleItemIndex = 0;
    CProject* project = nullptr;
    CSound* sound = nullptr;
    CExecTable* execTable = nullptr;
    CWaveRead* waveRead = nullptr;
    bool suspending = false;
    // Where stimuli play, as the main window selected it.
    OutputSelection output;
    QString testRunList;
    QString testRunStimList;
    QString projectSeq;
    std::vector<QString> stimulusDurations;
    int32_t textSubjectIds = 0;
    // Plays the stimuli the sequencer names; holds the per-play channel flags.
    StimulusPlayback playback;

    // The main window's side: its delay setting after a close, and the shuffle of the
    // shown schedule for a random pass.
    std::function<void(int)> setDelayTimes;
    std::function<void()> randomizeTrials;

    // Requests of the window itself; each is bounded by this many milliseconds.
    int requestTimeoutMs = tamvik::kWindowRequestBoundMs;

    // ===== controls (objectName = member name) ==============================================
    QWidget* Panel1 = nullptr;
    QPushButton* btnExecute = nullptr;
    QComboBox* cboSchedule = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnEnd = nullptr;
    QLineEdit* ProjectTitle = nullptr;
    QLineEdit* ProjectFileName = nullptr;
    QLineEdit* rdbPlay = nullptr;
    QLineEdit* rdbCorrect = nullptr;
    QLineEdit* rdbJudge = nullptr;
    QLineEdit* rdbYellow = nullptr;
    QLineEdit* chkCheck = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* tlbPlayCtrl = nullptr;
    QToolButton* sbtnPlay = nullptr;
    QToolButton* sbtnSuspend = nullptr;
    QToolButton* sbtnStop = nullptr;
    QToolButton* tbtnRepeat = nullptr;
    QToolButton* tbtnSoundPlayStop = nullptr;
    QLineEdit* edtDelay = nullptr;
    QLabel* lblDelay = nullptr;
    QLabel* lblMsecond = nullptr;
    QLabel* imgWait = nullptr;
    QLabel* imgCheck = nullptr;
    QToolButton* sbtnOption = nullptr;
    QWidget* pnlQuestion = nullptr;
    StringGrid* asgdQuestion = nullptr;
    QWidget* pnlResponse = nullptr;
    StringGrid* asgdResponse = nullptr;
    PanelStatusBar* stbStatus = nullptr;
    QAction* actExecCtrlPlay = nullptr;
    QAction* actExecCtrlSuspend = nullptr;
    QAction* actExecCtrlStop = nullptr;
    QAction* actExecCtrlCancelRepeat = nullptr;
    QAction* actExecCtrlSoundStop = nullptr;
    QMenu* popOption = nullptr;
    QMenu* popOptionSort = nullptr;
    QAction* popOptionSortConnection = nullptr;
    QAction* popOptionSortID = nullptr;
    QAction* popOptionSortIP = nullptr;
    QAction* popOptionCheck = nullptr;
    QAction* popOptionWait = nullptr;
    QAction* popOptionFeedBack = nullptr;
    QAction* popOptionCloseMethod = nullptr;
    QAction* popOptionKillZappa = nullptr;
    QMenu* popTermCtrl = nullptr;
    QAction* popTermCtrlSleepOn = nullptr;
    QAction* popTermCtrlSleepOff = nullptr;
    QAction* popTermCtrlSetSubID = nullptr;
    QLineEdit* medtSetSubID = nullptr;
    QTimer* tmrChkStatus = nullptr;
    QTimer* tmrAfter = nullptr;
    QTimer* userSearchTimer = nullptr;
    // The window's own requests, one at a time in the order sent, off the window's thread.
    std::unique_ptr<tamvik::AsyncServiceClient> IdHTTP1;
    std::shared_ptr<tamvik::ServiceClient> IdHTTP2; // shared with the sequencer's run

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateForm();
    void ConnectActions();
    void Relabel();
    // The answer poll and the fetch share this: adds answerer columns, and the fetch puts
    // each answer into its cell.
    enum class FetchKind { Poll, Fetch };
    enum class FetchOutcome { Done, Failed, Refused };
    void FetchAnswers(FetchKind kind, std::function<void(FetchOutcome)> done = nullptr);
    FetchOutcome TakeAnswers(FetchKind kind, bool sent, const QString& reply, const QString& error);
    // The poll goes on through an outage of the service, which the status bar shows until
    // the service answers again.
    void ShowPollOutage(const QString& error);
    void EndPollOutage();
    void InsertAnswererColumn(const QString& answererId);
    void SetCellIfChanged(int col, int row, const QString& text);
    // One request through IdHTTP1. `done` gets whether a reply came, its text and the
    // cause of a failure. A request the operator waits for holds the window's commands
    // and its run messages until its reply is in; the poll runs in the background.
    using ServiceReply = std::function<void(bool sent, const QString& reply, const QString& error)>;
    enum class Waits { Operator, Background };
    void Post(const QString& operation, const QStringList& lines, ServiceReply done,
              Waits waits = Waits::Operator);
    QStringList Credentials() const;
    // A request that failed: its message, then `done` learns it.
    void Fail(const Outcome& done, const char* key);
    // endTest with the status; `done` learns whether the service ended the run and
    // whether it refused the credentials.
    void EndTest(const QString& status, std::function<void(bool ended, bool refused)> done);
    void BeginWait();
    void EndWait();
    // Runs `step` once no reply the operator waits for is outstanding (at once when none
    // is), after the steps asked for before it.
    void AfterWaits(std::function<void()> step);
    void RunAfterWaits();
    // Keeps a sequencer message for later while the window waits; false to handle it now.
    bool HoldRunMessage(intptr_t wParam, intptr_t lParam);
    // The close protocol from its questions on, and its end once the service has answered.
    bool CloseAfterResults();
    void FinishClose();
    void PrepareTest(const QStringList& lines);
    // Execute from the chosen trials on: their rows, the clearing, the announcement.
    void ContinueExecute(const QString& expanded);
    void StopSound(bool* stoppedForGood = nullptr);
    // Stop once the service has answered its endTest.
    void StopAfterEndTest(bool ended, bool refused);
    void TrainingPercentages();
    void EndOfRun();
    void RestoreIdleControls();
    // Shows a message after the handler at hand has returned.
    void ShowMessageLater(const char* key);
    void GridCellColor(int col, int row, QColor& background, QColor& text);

    QtMessageReceiver* receiver = nullptr;
    bool started = false;
    int stopTag = 0;      // sbtnStop.Tag: the run was ended by Stop
    int soundStopTag = 0; // tbtnSoundPlayStop.Tag
    bool showSelection = true;
    QTimer* completeTimer = nullptr; // fetches at state 16 until the trial is complete
    int scheduleTag = 0;             // cboSchedule.Tag: the change was cancelled
    bool changingSchedule = false;
    int operatorWaits = 0;                        // requests the operator waits for
    std::deque<std::function<void()>> afterWaits; // steps that follow those replies
    // Sequencer messages that came while the window waited; handled in order afterwards.
    std::deque<std::pair<intptr_t, intptr_t>> heldRunMessages;
    bool replaying = false;
    quint64 generation = 0;     // replies sent in an earlier one are stale
    bool closing = false;       // the close protocol waits for the service
    bool closePending = false;  // a close asked for while the window waited
    bool closeAccepted = false; // the service has answered the close: the window goes
    bool stopping = false;      // Stop waits for its endTest
    bool pollOutage = false;
    QString pollOutageText;   // shown in status panel 1 during the outage
    QString textBeforeOutage; // status panel 1 when the outage began
};
