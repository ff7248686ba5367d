#pragma once

#include "ActionLink.h"
#include "AudioDeviceListener.h"
#include "Cproject.h"
#include "DeviceFormatMap.h"
#include "MainSettings.h"
#include "OnDemand.h"
#include "OutputSelection.h"
#include "Post.h"
#include "RunState.h"
#include "StimulusPlayback.h"
#include "UiServices.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

class CExecTable;
class CSound;
class CWaveRead;
class EarlyResizeFilter;
class CountEdit;
class PanelStatusBar;
class QAction;
class QColor;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPrinter;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QTabWidget;
class QToolButton;
class QtMessageReceiver;
class StringGrid;
class UpDown;

class TfrmCard;
class TfrmCategory;
class TfrmExecute;
class TfrmOption;
class TfrmPrjDownload;
class TfrmPrjInfo;
class TfrmPrjUpload;
class TfrmRefer;
class TfrmResult;
class TfrmShuffle;
class TfrmVersion;

namespace tamvik {
class ServiceClient;
}

// The main window: owner of the open project, the sequencer, the audio objects of the
// chosen output path, the output-device state and the dialogs made once, and the hub of
// the program's window messages (workers, libvantrel.so and the other windows post to
// handle()). Its member functions live in the folder of the subsystem that needs them:
// src/app (shell, project commands, audition, output device), src/editor (the panels'
// editors), src/results and src/online.
//
// Every control and action named below is a child with that objectName. Menu items and
// tool buttons that stand for an action follow its enabled and visible state (as set
// through the action) and trigger it; each may also be switched on its own.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // The command line (program name first) names the project to open and "/mme".
    explicit TfrmMain(QWidget* owner = nullptr);
    TfrmMain(QWidget* owner, const QStringList& arguments);
    ~TfrmMain() override;

    // The window handle the workers, the library and the other windows post to.
    WindowHandle handle() const;

    // --- message hub -------------------------------------------------------------------
    // Routes the program's window messages to their handlers; false for other messages.
    bool Dispatch(uint32_t msg, intptr_t wParam, intptr_t lParam);
    void OnResultsChanged(intptr_t wParam, intptr_t lParam);
    void OnExecuteMessage(intptr_t wParam, intptr_t lParam);
    void OnDeviceChange(intptr_t wParam, intptr_t lParam);
    void OnCardMessage(intptr_t wParam, intptr_t lParam); // WM_CARD_EVENT of the stimulus card
    void OnExecTableMessage(intptr_t wParam, intptr_t lParam);
    void OnSoundMessage(intptr_t wParam, intptr_t lParam);
    void OnAsioStatus(intptr_t wParam, intptr_t lParam);
    void OnAsioBufferDone(intptr_t wParam, intptr_t lParam);

    // --- shell: start-up, close, settings ------------------------------------------------
    void FormCreate();
    void MakeDialogsOnDemand();
    void FormShow();
    // The output path (drivers, devices, rates) and the card window; the shown window
    // does this after its first paint, since probing devices takes a while. Idempotent.
    void PrepareOutput();
    // After the first paint: PrepareOutput, the end when no driver is left, and the
    // project named on the command line. Idempotent.
    void FinishStartup();
    // Decides whether the window may close; saves the main settings.
    void FormCloseQuery(bool& canClose);
    void FormDestroy();
    void mnuFileExitClick();
    void SetDelayTimes(int32_t value);
    // The main settings file (Tamvik.ini); defaults stay when it cannot be read.
    void LoadSettings();
    bool SaveSettings();
    // The interface language (tmvlang.ini): read when first shown, written when closed.
    void LoadLanguageSetting();
    void SaveLanguageSetting();
    // Closing after the close query allowed it: the project's work folder goes, the
    // language is stored; the program then ends in the ordinary way.
    void FormClose();
    void actOptSettingExecute();

    // --- project commands ---------------------------------------------------------------
    void actFileOpenPrjExecute();
    // True when the window shows the project at path; false when the load failed or was
    // refused, with the previous project, window and file name left as they were.
    bool LoadProject(const QString& path);
    // True when the project was written.
    bool actFileSavePrjExecute();
    bool actFileSaveAsPrjExecute();
    void actFileSavePrjUpdate();
    void actFilePrjInfoExecute();
    void actPrjTrnExecute();
    void actPrjSdmExecute();
    void actPrjParExecute();
    void actPrjCatExecute();
    void actPrjMemExecute();
    void actPrjTrnUpdate();
    void actPrjSdmUpdate();
    void actPrjParUpdate();
    void actPrjCatUpdate();
    void actPrjMemUpdate();
    void tbtnFileNewPrjClick();
    void NewProject(int method);
    void ResetProjectUI();
    void SetMethodUI(int method);
    // File > Refer: one part of another project file into the open project.
    void actFileReferStmExecute();
    void actFileReferPrmExecute();
    void actFileReferSdlExecute();
    void actFileReferQstExecute();

    // --- audition (play controls above the schedule grid) --------------------------------
    void LockUI();
    bool PlayStimulus(int number);
    // True when stimulus number (1-based) has a file the selected output plays; otherwise
    // the user is told which file the device cannot play.
    bool CheckPlayable(int number);
    void ShowUnplayable(const QString& fileName);
    void actExecCtrlPlayExecute();
    void actExecCtrlSuspendExecute();
    void actExecCtrlStopExecute();
    void actExecCtrlCancelRepeatExecute();
    void tbtnRepeatClick();
    void actViewPlayCtrlExecute();
    void actViewPlayCtrlUpdate();

    // --- test start -----------------------------------------------------------------------
    void actExecShowExecute();
    void actExecQstExecute();
    // True when the test-run window was shown; mode 0 experiment, 1 questionnaire.
    bool StartExecution(int mode);
    void AuthenticateExecUser();
    void SetFullExecUser(bool full);

    // --- output device -------------------------------------------------------------------
    void ProbeSampleRates();
    int32_t ListAsioDrivers(QStringList* list);
    void FillDeviceList();
    void LoadAsioChannelOrder(const QString& name);
    void SaveAsioChannelOrder(const QString& name);
    void actASIOSettingExecute();
    // The device of the options dialog's list entry becomes the output device.
    void ApplyOutputDevice(int index);
    // The output selection, with the options' mono setting, to the card and the audition.
    void ShareOutputSelection();
    // Readies the low-latency output ahead of the first play (memory, threads, the
    // driver's connections), so that the first audition starts as fast as the ones after
    // it; nothing on the wave-out path.
    void WarmUpOutput();

    // --- project editor services ----------------------------------------------------------
    bool ProbeWaveFile(const QString& path, int* channels, int* bitsPerSample, int* sampleRate,
                       uint32_t* frames);
    bool StoreStimulusComments();
    bool ShowStimulusList();
    bool ResizeStimulusGrid(int oldCount, int newCount);
    bool LoadParameterPanel();
    bool SaveParameterPanel();
    bool StoreScheduleGrid(int tab);
    // The grid stored into the current tab's schedule; false, with the user told which
    // cell does not read and the grid left as it is, when one does not. A grid that does
    // not fit its schedule (no tab) is not stored, as before, and stops nobody.
    bool StoreShownSchedule();
    bool ShowSchedule(int tab);
    bool ResizeScheduleGrid(int oldPresentations, int oldTrials, int newPresentations, int newTrials);
    bool SetScheduleSize(int tab, int trials, int presentations);
    void HideAnswerColumns();
    bool ValidateScheduleRange(int schedule, int firstTrial, int lastTrial);
    void RandomizeTrials();
    // Trials (mode 0) or presentations (mode 1) of the selection in the order chosen in
    // the rearranging dialog.
    void SortScheduleDialog(int mode);
    void ResizeParameterGrid(StringGrid* grid, int oldCount, int newCount);
    bool SetQuestionCount(int count);
    void SetQuestionRows(int first, int count);
    bool LoadQuestionGrid();
    bool SaveQuestionGrid(bool commit);
    void actQstInsRowExecute();
    void actQstDelRowExecute();
    // The text reports of the open project as last stored, and File > Export's commands
    // that write them.
    QString BuildParameterText();
    QString BuildQuestionnaireText();
    void actFileExportPrmExecute();
    void actFileExportQstExecute();
    void asgdStimulusGetCellColor(int col, int row, QColor& background, QColor& text);
    void asgdScheduleGetCellColor(int col, int row, QColor& background, QColor& text);
    void actStmListListenExecute();
    void actSdlListListenExecute();
    void popStmMenuPopup();
    void popSdlListMenuPopup();
    // The schedule tabs: false refuses a change of tab; Change shows the new tab's schedule.
    bool tabScheduleChanging();
    void tabScheduleChange();
    // The card follows the stimulus list: number is clamped to 1..count.
    void ShowCard(int number, int count);
    // True for an integer text, or a real one when it holds the locale's decimal separator.
    static bool IsNumeric(const QString& text);
    // The update handlers of the editors' commands (run with the window's others).
    void UpdateEditorActions();

    // --- printing and export of the lists ------------------------------------------------------
    void actFilePrintStmExecute();
    void actFilePrintSdlExecute();
    void mnuFilePrintSettingClick();
    void actFileExportStmExecute();
    void actFileExportSdlExecute();
    void actStmListExportWavExecute();
    // Copies the WAV files of stimuli first..last (1-based) into a folder the user picks,
    // never over an existing file.
    void ExportWavFiles(int first, int last);

    // --- result viewer and online library ---------------------------------------------------
    void actExecResultExecute();
    void AuthenticateUser();
    void SetFullUser(bool full);
    bool fullUser = false;        // the rights last set, for windows made later
    bool rightsSet = false;       // fullUser holds a decision
    QString loginAnnounced;       // the account whose login the status bar told of last
    bool outputPrepared = false;  // PrepareOutput has run
    bool startupFinished = false; // FinishStartup has run
    bool startupQueued = false;   // FinishStartup waits for the event loop
    void categoryManageClick();
    void projectDownloadClick();
    void projectUploadClick();

    // Runs the update handlers of the actions (a timer runs them while the window lives).
    void UpdateActions();
    // The control that has the keyboard in this window, or had it last: the menu bar,
    // worked from the keys (Alt, F10), takes the keyboard and leaves this as it was.
    QWidget* ActiveControl() const { return activeControl; }
    QPointer<QWidget> activeControl;
    // Holds or releases the commands that wait while an audition or a test run has the
    // window (idleCommands).
    void HoldBusyCommands(bool busy);

    // --- hand-over, panels, tool bars and focus ------------------------------------------------
    // A project handed over by a later start of the program: opened unless the window is
    // busy, after any open dialog has closed; the window comes to the front.
    void OpenCopyDataPath(const QString& path);
    // Left-panel layouts: 0 both, 1 stimulus only, 2 parameters only, 3 neither (refused
    // with IDS_323 while the schedule is hidden). False when refused.
    bool SetPanelLayout(int code);
    void actViewStmExecute();
    void actViewExecExecute();
    void actViewSdlExecute();
    // Check marks of the view commands from what is shown.
    void UpdatePanelCommands();
    void mnuViewClick();
    void mnuVersionClick();
    // Gives the focus back to the control the title panel remembers; false when none.
    bool RestoreFocus(QWidget* title);
    // A maximised window keeps the left panel narrower than itself, and the left panel
    // the stimulus panel lower than itself.
    // Called before the layouts pass a resize on, while the window is maximised.
    void FormCanResize(int newWidth);
    void pnlLeftCanResize(int newHeight);
    // The grids' shared handlers: headings centred, data cells as the grid aligns them; a
    // double click on a data cell of an idle, editable window starts editing it.
    static Qt::Alignment AllGridsGetAlignment(const StringGrid* grid, int col, int row);
    void AllGridsDblClickCell(StringGrid* grid, int col, int row);

    // --- layout and language ----------------------------------------------------------------
    // The language menu's items (data 1 Japanese, 2 English).
    void mnuViewLangMUIClick(QAction* item);
    // The relabel pass: every text the window shows, in the active language.
    void siLang1ChangeLanguage();
    // Sizes derived from the shown window's size: splitters, grid columns, status panels.
    void ArrangeShownLayout();

    // --- texts and messages of this window -----------------------------------------------
    // A text of the main window's table in the active language.
    static QString Ids(const char* key);
    UiServices::Answer ShowMessage(const char* key, UiServices::Kind kind,
                                   UiServices::Buttons buttons = UiServices::Buttons::Ok);
    // With what failed ("<file>: <cause>") on a line of its own.
    UiServices::Answer ShowMessage(const char* key, const QString& detail, UiServices::Kind kind);

    // ===== members =========================================================================
    int32_t stimulusPanelHeight = 0;
    // The state of the window's auditions; each part also under its own name.
    RunState run;
    bool& cardPlaying = run.cardPlaying;
    bool& suspending = run.suspending;
    int32_t& playColumn = run.playColumn;
    int32_t& playRow = run.playRow;
    int32_t& playStimulusRow = run.playStimulusRow;
    bool projectModified = false;
    bool stimulusUndoAvailable = false;
    bool scheduleUndoAvailable = false;
    bool scheduleEditing = false;
    // Grid rectangles: left, top, right, bottom.
    QRect stimulusSelection{QPoint(0, 0), QPoint(0, 0)};
    QRect scheduleSelection{QPoint(0, 0), QPoint(0, 0)};
    QRect copySelection{QPoint(0, 0), QPoint(0, 0)};
    QStringList copyHeaderRow; // header texts of the last Copy, for Paste
    // The main settings (Tamvik.ini); each also under its own name, as the editors use them.
    MainSettings settings;
    bool& rememberPanels = settings.rememberPanels;
    bool& rememberExecute = settings.rememberExecute;
    bool& useSubDB = settings.useSubDB;
    QString& subDBFile = settings.subDBFile;
    bool& showStimulusPanel = settings.showStimulusPanel;
    bool& showParameterPanel = settings.showParameterPanel;
    bool& showSchedulePanel = settings.showSchedulePanel;
    bool& checkRepetition = settings.checkRepetition;
    bool& waitResponses = settings.waitResponses;
    int32_t& feedbackTenths = settings.feedbackTenths;
    bool& autoAdjust = settings.autoAdjust;
    bool& pauseEachStimulus = settings.pauseEachStimulus;
    bool& mono2Stereo = settings.mono2Stereo;
    int32_t& terminalCount = settings.terminalCount;
    int32_t& udpInterval = settings.udpInterval;
    QString& broadcastAddress = settings.broadcastAddress;
    int32_t& ipPort = settings.ipPort;
    int32_t& sortMode = settings.sortMode;
    bool& selfTraining = settings.selfTraining;
    int32_t& delayTimes = settings.delayTimes;
    int16_t& maxStimuli = settings.maxStimuli;
    int16_t& maxTrials = settings.maxTrials;
    int16_t& maxPresentations = settings.maxPresentations;
    int16_t& maxSdWordPairs = settings.maxSdWordPairs;
    int16_t& maxQuestions = settings.maxQuestions;
    int32_t terminalLimit = 99;

    // Commands switched together. idleCommands wait while an audition or a test run has
    // the window; projectCommands need an open project.
    CommandGroup idleCommands;
    CommandGroup projectCommands;

    // Owned dialogs (children of the main window; FormDestroy frees them in order).
    TfrmCard* frmCard = nullptr;
    TfrmPrjInfo* frmPrjInfo = nullptr;
    TfrmShuffle* frmShuffle = nullptr;
    TfrmOption* frmOption = nullptr;
    TfrmExecute* frmExecute = nullptr;
    // Made the first time they are used (see MakeDialogsOnDemand).
    OnDemand<TfrmResult> frmResult;
    OnDemand<TfrmVersion> frmVersion;
    OnDemand<TfrmRefer> frmRefer;
    OnDemand<TfrmCategory> frmCategory;
    OnDemand<TfrmPrjUpload> frmPrjUpload;
    OnDemand<TfrmPrjDownload> frmPrjDownload;

    std::vector<QString> stimulusUndo;
    std::vector<std::vector<QString>> scheduleUndo;
    CProject project;
    std::unique_ptr<CSound> sound;         // wave-out path only
    std::unique_ptr<CExecTable> execTable; // the sequencer thread
    std::unique_ptr<CWaveRead> waveRead;   // low-latency path only
    std::vector<uint8_t> asioChannelFlags; // empty outside an audition on the low-latency path
    // The lists' printer, which keeps the print settings between prints; made on first use.
    std::shared_ptr<QPrinter> listPrinter;
    // The output stimuli play on, built from the options and the device probe; each part
    // also under its own name, as the editors use them. ShareOutputSelection hands it on.
    OutputSelection output;
    bool& useMME = output.useMME;
    int32_t& soundDeviceId = output.soundDeviceId;
    QString& soundDeviceName = output.soundDeviceName;
    DeviceFormatMap& deviceFormats = output.deviceFormats;
    std::vector<int32_t>& asioChannelOrder = output.asioChannelOrder;
    int32_t& asioBlockFrames = output.asioBlockFrames;
    // Audition on the selected output.
    StimulusPlayback playback;
    std::vector<int32_t> asioDriverIndexes;
    std::vector<int32_t> waveOutDeviceIds; // device of each entry of the device list (-1 "default")
    AudioDeviceListener deviceListener;

    // The main window's web client (userAuth, getTmvInfo).
    std::unique_ptr<tamvik::ServiceClient> IdHTTP1;

    // ===== controls (objectName = member name) ================================================
    // Frame, menus, tool bar and status bar: CreateForm.
    QMenuBar* mnuMain = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuFileNewPrj = nullptr;
    QAction* mnuFileOpenPrj = nullptr;
    QAction* mnuFileSavePrj = nullptr;
    QAction* mnuFileSaveAsPrj = nullptr;
    QAction* mnuFilePrjInfo = nullptr;
    QMenu* mnuFilePrint = nullptr;
    QAction* mnuFilePrintSetting = nullptr;
    QMenu* mnuFileExport = nullptr;
    QAction* mnuFileExportQst = nullptr;
    QMenu* mnuFileRefer = nullptr;
    QAction* categoryManage = nullptr;
    QAction* projectUpload = nullptr;
    QAction* projectDownload = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuStimulus = nullptr; // the stimulus list popup's items, in the Edit menu
    QMenu* mnuSchedule = nullptr; // the schedule popup's items, in the Edit menu
    QMenu* mnuView = nullptr;
    QAction* mnuViewSdl = nullptr;
    QAction* mnuViewPlayCtrl = nullptr;
    QMenu* mnuViewLanguage = nullptr;
    QMenu* mnuViewTlb = nullptr;
    QMenu* popEdtMenu = nullptr; // the edit popup of the edit boxes
    QMenu* mnuExec = nullptr;
    QAction* mnuExecResult = nullptr;
    QMenu* mnuOption = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuVersion = nullptr;

    QWidget* tlbMain = nullptr; // the main tool bar
    QToolButton* tbtnFileNewPrj = nullptr;
    QToolButton* tbtnFileOpenPrj = nullptr;
    QToolButton* tbtnFileSavePrj = nullptr;
    QToolButton* tbtnFilePrint = nullptr;
    QToolButton* tbtnResult = nullptr;
    QToolButton* proDownloadTbn = nullptr;
    PanelStatusBar* stbInformation = nullptr; // panels: method, title, user, comment

    // Actions (all made by CreateForm; each engineer connects the ones they handle).
    QAction* actPrjTrn = nullptr;
    QAction* actPrjSdm = nullptr;
    QAction* actPrjPar = nullptr;
    QAction* actPrjCat = nullptr;
    QAction* actPrjMem = nullptr;
    QAction* actPrjAdj = nullptr; // invisible, no handler
    QAction* actPrjLmt = nullptr; // invisible, no handler
    QAction* actPrjPst = nullptr; // invisible, no handler
    QAction* actFileOpenPrj = nullptr;
    QAction* actFileSavePrj = nullptr;
    QAction* actFileSaveAsPrj = nullptr;
    QAction* actFilePrjInfo = nullptr;
    QAction* actFilePrintStm = nullptr;
    QAction* actFilePrintSdl = nullptr;
    QAction* actFileExportStm = nullptr;
    QAction* actFileExportPrm = nullptr;
    QAction* actFileExportSdl = nullptr;
    QAction* actFileExportQst = nullptr;
    QAction* actFileReferStm = nullptr;
    QAction* actFileReferPrm = nullptr;
    QAction* actFileReferSdl = nullptr;
    QAction* actFileReferQst = nullptr;
    QAction* actExecShow = nullptr;
    QAction* actExecQst = nullptr;
    QAction* actExecResult = nullptr;
    QAction* actExecCtrlPlay = nullptr;
    QAction* actExecCtrlSuspend = nullptr;
    QAction* actExecCtrlStop = nullptr;
    QAction* actExecCtrlCancelRepeat = nullptr;
    QAction* actViewSdl = nullptr;
    QAction* actViewPlayCtrl = nullptr;
    QAction* actViewStm = nullptr;
    QAction* actViewExec = nullptr;
    QAction* actViewTlb = nullptr;
    QAction* actViewStmNum = nullptr;
    QAction* actViewSdlPrm = nullptr;
    QAction* actOptSetting = nullptr;
    QAction* actASIOSetting = nullptr;
    QAction* actStmListClear = nullptr;
    QAction* actStmListDelRow = nullptr;
    QAction* actStmListInsRow = nullptr;
    QAction* actStmListListen = nullptr;
    QAction* actStmListSelectAll = nullptr;
    QAction* actStmListShowCard = nullptr;
    QAction* actStmListUndo = nullptr; // these ten: ConnectClipboardCommands
    QAction* actStmListCut = nullptr;
    QAction* actStmListCopy = nullptr;
    QAction* actStmListPaste = nullptr;
    QAction* actStmListBatch = nullptr;
    QAction* actSdlListUndo = nullptr;
    QAction* actSdlListCut = nullptr;
    QAction* actSdlListCopy = nullptr;
    QAction* actSdlListPaste = nullptr;
    QAction* actSdlListBatch = nullptr;
    QAction* actStmListExportWav = nullptr; // made by CreateEditorControls
    QAction* actSdlAllNew = nullptr;
    QAction* actSdlCopyNew = nullptr;
    QAction* actSdlDelete = nullptr;
    QAction* actSdlRename = nullptr;
    QAction* actSdlListListen = nullptr;
    QAction* actSdlListInsRow = nullptr; // these six: CreateEditorControls
    QAction* actSdlListDelRow = nullptr;
    QAction* actSdlListInsCol = nullptr;
    QAction* actSdlListDelCol = nullptr;
    QAction* actSdlListClear = nullptr;
    QAction* actSdlListSelectAll = nullptr;
    QAction* actSdlListSortPrs = nullptr;
    QAction* actSdlListSortTrl = nullptr;
    QAction* actSdlListSortTrlRdm = nullptr;
    QAction* actQstDelRow = nullptr;
    QAction* actQstInsRow = nullptr;

    // Panel containers (CreateForm). Each panel has a QVBoxLayout whose first item is its
    // title bar; the editor adds its controls below it.
    QSplitter* sptHor = nullptr; // between pnlLeft and pnlSchedule
    QSplitter* sptVer = nullptr; // between pnlStimulus and pnlParameter
    QWidget* pnlLeft = nullptr;
    QFrame* pnlStimulus = nullptr;
    QFrame* pnlParameter = nullptr;
    QFrame* pnlSchedule = nullptr;
    QWidget* pnlStmTitle = nullptr;
    QWidget* pnlPrmTitle = nullptr;
    QWidget* pnlSdlTitle = nullptr;
    QToolButton* sbtnStimulus = nullptr;
    QToolButton* sbtnStmClose = nullptr;
    QToolButton* sbtnParameter = nullptr;
    QToolButton* sbtnPrmClose = nullptr;
    QToolButton* sbtnSchedule = nullptr;
    QToolButton* sbtnSdlClose = nullptr;

    // Inside the panels (CreateEditorControls).
    StringGrid* asgdStimulus = nullptr;
    CountEdit* edtStmNumber = nullptr;
    UpDown* updStmNumber = nullptr;
    QTabBar* tabSchedule = nullptr;
    QLineEdit* edtTabName = nullptr;
    StringGrid* asgdSchedule = nullptr;
    CountEdit* edtTrlNumber = nullptr;
    UpDown* updTrlNumber = nullptr;
    CountEdit* edtPrsNumber = nullptr;
    UpDown* updPrsNumber = nullptr;
    QTabWidget* pgeParameter = nullptr;
    QWidget* shtPrmExplain = nullptr;
    QWidget* shtPrmButton = nullptr;
    QWidget* shtPrmOption = nullptr;
    QWidget* shtPrmQuestion = nullptr; // never shown
    QPlainTextEdit* memExplain = nullptr;
    QStackedWidget* pgePrmButton = nullptr;
    QWidget* shtTraining = nullptr;
    QWidget* shtSD = nullptr;
    QWidget* shtPair = nullptr;
    QWidget* shtCategory = nullptr;
    QWidget* shtME = nullptr;
    StringGrid* asgdTrnBtn = nullptr;
    CountEdit* edtTrnBtnNum = nullptr;
    UpDown* updTrnBtnNum = nullptr;
    CountEdit* edtSdmScale = nullptr;
    UpDown* updSdmScale = nullptr;
    StringGrid* asgdSdmExpress = nullptr;
    CountEdit* edtSdmExpressNum = nullptr;
    UpDown* updSdmExpressNum = nullptr;
    StringGrid* asgdParBtn = nullptr;
    StringGrid* asgdCatCategory = nullptr;
    CountEdit* edtCatCategoryNum = nullptr;
    UpDown* updCatCategoryNum = nullptr;
    StringGrid* asgdQuestion = nullptr;
    CountEdit* edtQstNum = nullptr;
    UpDown* updQstNum = nullptr;
    QScrollArea* sbxOption = nullptr;
    QGroupBox* grpPlayIndicator = nullptr;
    QGroupBox* grpJudgeIndicator = nullptr;
    QGroupBox* grpCorrectIndicator = nullptr;
    QGroupBox* grpYellowIndicator = nullptr;
    QGroupBox* grpBtnDirection = nullptr;
    QRadioButton* rdbPlayON = nullptr;
    QRadioButton* rdbPlayOFF = nullptr;
    QRadioButton* rdbJudgeON = nullptr;
    QRadioButton* rdbJudgeOFF = nullptr;
    QRadioButton* rdbCorrectON = nullptr;
    QRadioButton* rdbCorrectOFF = nullptr;
    QRadioButton* rdbYellowON = nullptr;
    QRadioButton* rdbYellowOFF = nullptr;
    QRadioButton* rdbBtnHr = nullptr;
    QRadioButton* rdbBtnVr = nullptr;
    QMenu* popStmMenu = nullptr;
    QMenu* popPrmMenu = nullptr;
    QMenu* popSdlAllMenu = nullptr;
    QMenu* popSdlList = nullptr; // the List submenu of popSdlAllMenu
    QMenu* popSdlTabMenu = nullptr;
    QMenu* popSdlListMenu = nullptr;
    QMenu* popQstMenu = nullptr;

    // Play controls above the schedule grid (CreateAuditionControls).
    QWidget* tlbPlayCtrl = nullptr;
    QWidget* pnlPlayCtrlBase = nullptr;
    QToolButton* sbtnPlay = nullptr;
    QToolButton* sbtnSuspend = nullptr;
    QToolButton* sbtnStop = nullptr;
    QToolButton* tbtnRepeat = nullptr;

signals:
    // The window accepted a close; the program ends its loop.
    void closed();
    // FinishStartup is done: the window is up and its devices are known.
    void started();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // Build hooks, called by the constructor in this order.
    void CreateForm();
    void CreateEditorControls();
    void CreateAuditionControls();
    void ConnectShellActions();
    void ConnectEditorActions();
    void ConnectAuditionActions();
    void ConnectOnlineActions();
    void ConnectLibraryActions();
    void ConnectReferActions();
    void ConnectExecutionActions();
    // Holds (true) or releases the commands a test run must not meet.
    void LockForExecution(bool locked);
    void BuildAnswerGrid(TfrmExecute& window, const CSchedule& schedule, bool training);
    void ConnectScheduleTabs();
    void ConnectLanguage();
    void CreatePanelCommands();
    void ConnectPanelCommands();
    void ClosePanel(QAction* view);
    void FocusChanged(QWidget* old, QWidget* now);

    // Asks IDS_253 when the project has unsaved changes; false when the command that asks
    // is not to go on (Cancel, or Yes and the project was not saved).
    bool ConfirmSaveChanges();
    // Closes an open result window and takes in its report at once, before the project
    // is asked about or replaced.
    void CloseResultWindow();
    // Commits the editors, stamps the save time and writes the archive; the time is taken
    // back when the write fails.
    bool WriteProject();
    void NewCommand(int method);
    // The editors' ranges, headers and sizes at start-up, before any project exists.
    void SetUpEditors();
    void SetDeviceTextOfCard();
    void SetMethodStatus(int method);
    // Sets a count editor's position and Tag (and its edit's text) without asking the
    // editor's change handler: the caller sizes the grids itself.
    void SetCountEditor(UpDown* upDown, CountEdit* edit, int value);
    // The presentations editor: 2..2 for paired comparison, else 1..maxPresentations.
    void SetPresentationRange(int method);
    // The import dialog for one kind of item; the project of the file chosen there, opened,
    // or null when the command ends (cancelled or failed, with its message shown).
    std::unique_ptr<CProject> ReferSource(int kind, const char* captionKey, const char* labelKey,
                                          std::initializer_list<const char*> headerKeys);
    // The open and save dialogs' filter from IDS_344.
    QString ProjectFileFilter() const;

    QStringList commandLine;
    QtMessageReceiver* receiver = nullptr;
    EarlyResizeFilter* resizeForesight = nullptr;
    bool shownOnce = false;
    bool destroyed = false;
    QString saveDialogPath; // what the save dialog held last
};
