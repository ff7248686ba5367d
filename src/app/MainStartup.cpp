// Start-up of the main window: the output path, the owned dialogs and the "no project"
// state (FormCreate), then the user check and the project of the command line (FormShow).
#include "MainUnit.h"

#include "CardUnit.h"
#include "CategoryUnit.h"
#include "Cexectable.h"
#include "CountEditor.h"
#include "Csound.h"
#include "Cwaveread.h"
#include "OptionIni.h"
#include "OptionUnit.h"
#include "PanelStatusBar.h"
#include "PrjDownloadUnit.h"
#include "PrjInfoUnit.h"
#include "PrjUploadUnit.h"
#include "ReferUnit.h"
#include "ResultUnit.h"
#include "ShuffleUnit.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "UserRights.h"
#include "VersionUnit.h"
#include "vantrel.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <utility>

void TfrmMain::ConnectShellActions() {
    connect(actPrjTrn, &QAction::triggered, this, &TfrmMain::actPrjTrnExecute);
    connect(actPrjSdm, &QAction::triggered, this, &TfrmMain::actPrjSdmExecute);
    connect(actPrjPar, &QAction::triggered, this, &TfrmMain::actPrjParExecute);
    connect(actPrjCat, &QAction::triggered, this, &TfrmMain::actPrjCatExecute);
    connect(actPrjMem, &QAction::triggered, this, &TfrmMain::actPrjMemExecute);
    connect(tbtnFileNewPrj, &QToolButton::clicked, this, &TfrmMain::tbtnFileNewPrjClick);
    connect(actFileOpenPrj, &QAction::triggered, this, &TfrmMain::actFileOpenPrjExecute);
    connect(actFileSavePrj, &QAction::triggered, this, [this] { actFileSavePrjExecute(); });
    connect(actFileSaveAsPrj, &QAction::triggered, this, [this] { actFileSaveAsPrjExecute(); });
    connect(actFilePrjInfo, &QAction::triggered, this, &TfrmMain::actFilePrjInfoExecute);
    connect(mnuFileExit, &QAction::triggered, this, &TfrmMain::mnuFileExitClick);
    connect(actASIOSetting, &QAction::triggered, this, &TfrmMain::actASIOSettingExecute);
    connect(actOptSetting, &QAction::triggered, this, &TfrmMain::actOptSettingExecute);
    connect(mnuFile, &QMenu::aboutToShow, this, &TfrmMain::UpdateActions);
}

void TfrmMain::UpdateActions() {
    actFileSavePrjUpdate();
    actPrjTrnUpdate();
    actPrjSdmUpdate();
    actPrjParUpdate();
    actPrjCatUpdate();
    actPrjMemUpdate();
    UpdateEditorActions();
    actViewPlayCtrlUpdate();
}

void TfrmMain::FormCreate() {
    // Output path.
    useMME = false;
    const QStringList& args = commandLine;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i).toLower() == QLatin1String("/mme")) {
            useMME = true;
            break;
        }
    }
    if (useMME)
        sound = std::make_unique<CSound>();
    else
        waveRead = std::make_unique<CWaveRead>();

    stimulusPanelHeight = 0;
    projectModified = stimulusUndoAvailable = scheduleUndoAvailable = scheduleEditing = false;
    run.Reset();
    asioChannelOrder.clear();
    asioDriverIndexes.clear();
    deviceFormats.clear();

    terminalLimit = 99;
    for (QAction* a :
         {actPrjTrn, actPrjSdm, actPrjPar, actPrjCat, actPrjMem, actPrjAdj, actPrjLmt, actPrjPst})
        a->setEnabled(true);

    LoadSettings();
    project.RemoveStaleWorkFolders();
    // The output path is found once the window has been painted (PrepareOutput): until
    // then its channel order cannot be set.
    actASIOSetting->setEnabled(false);

    frmPrjInfo = new TfrmPrjInfo(this);
    deviceListener.window = handle();

    frmOption = new TfrmOption(this);

    frmShuffle = new TfrmShuffle(this);

    frmOption->trbFeedback->setRange(1, 100);
    const int tenths = static_cast<int>(execTable->feedbackSeconds() * 10);
    if (tenths < 1 || tenths > 100)
        execTable->setFeedbackSeconds(1.0);
    frmOption->trbFeedback->setValue(static_cast<int>(execTable->feedbackSeconds() * 10));
    frmOption->pnlFeedback->setText(QString::number(execTable->feedbackSeconds(), 'g', 15));

    CTerminalInfo* terminals = project.GetTerminalInfo();
    if (terminals->GetTerminalCount() > terminalLimit || terminals->GetTerminalCount() <= 0)
        terminals->SetTerminalCount(terminalLimit);

    frmOption->pgeOption->setCurrentWidget(frmOption->shtGeneral);

    MakeDialogsOnDemand();
    frmExecute = nullptr;

    // Sizes derived from the window's size follow when it is shown (ArrangeShownLayout).
    SetUpEditors();

    stbInformation->SetPanelText(0, Ids("IDS_18"));
    stbInformation->SetPanelText(1, Ids("IDS_19"));
    stbInformation->SetPanelText(2, Ids("IDS_20"));
    stbInformation->SetPanelText(3, Ids("IDS_21"));

    // The "no project" state.
    mnuStimulus->setEnabled(false);
    mnuSchedule->setEnabled(false);
    projectCommands.SetEnabled(false);
    for (QAction* a : {actExecResult, actExecQst, actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop,
                       actExecCtrlCancelRepeat})
        a->setEnabled(false);
    for (QWidget* w :
         {static_cast<QWidget*>(pnlStimulus), static_cast<QWidget*>(sbtnStimulus),
          static_cast<QWidget*>(sbtnStmClose), static_cast<QWidget*>(pnlParameter),
          static_cast<QWidget*>(sbtnParameter), static_cast<QWidget*>(sbtnPrmClose),
          static_cast<QWidget*>(pnlSchedule), static_cast<QWidget*>(sbtnSchedule),
          static_cast<QWidget*>(sbtnSdlClose), static_cast<QWidget*>(sptHor), static_cast<QWidget*>(sptVer)})
        w->setEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(edtStmNumber), static_cast<QWidget*>(updStmNumber),
                       static_cast<QWidget*>(edtTrlNumber), static_cast<QWidget*>(updTrlNumber),
                       static_cast<QWidget*>(edtPrsNumber), static_cast<QWidget*>(updPrsNumber)})
        w->setEnabled(false);
    pgeParameter->setTabVisible(pgeParameter->indexOf(shtPrmButton), false);
    pgeParameter->setCurrentWidget(shtPrmExplain);

    projectModified = stimulusUndoAvailable = scheduleUndoAvailable = false;
    actFileSavePrjUpdate();
}

void TfrmMain::PrepareOutput() {
    if (outputPrepared)
        return;
    outputPrepared = true;
    soundDeviceId = useMME ? -1 : 0; // ALSA's "default" until the stored device is known

    if (!useMME) {
        VANTREL_SetNotifyFlag(VANTREL_NOTIFY_HOST);
        asioBlockFrames = 96000;
        asioChannelFlags.clear();
        if (ListAsioDrivers(nullptr) == 0) {
            // No usable driver: the wave-out path, without a word.
            waveRead->Stop();
            waveRead.reset();
            useMME = true;
            sound = std::make_unique<CSound>();
            soundDeviceId = -1;
        } else {
            soundDeviceId = asioDriverIndexes.front();
            LoadAsioChannelOrder(soundDeviceName);
            VANTREL_AsioDriverInitialize(soundDeviceId);
        }
    }
    ProbeSampleRates();
    // The channel order belongs to the low-latency path only.
    actASIOSetting->setEnabled(!useMME);

    frmCard = new TfrmCard(this);
    frmCard->ownerWindow = handle();
    frmCard->sound = sound.get();       // null on the low-latency path
    frmCard->waveRead = waveRead.get(); // null on the wave-out path
    if (rightsSet)
        ApplyRights(RightsSet::Main, {frmCard}, fullUser);

    LoadAsioSetting(soundDeviceName);
    FillDeviceList();
    if (useMME) {
        if (soundDeviceId != -1) // the default device was probed above
            ProbeSampleRates();
    } else {
        // The stored device is known only now: play through it with its own channel
        // order and rates, not those of the nameless first device probed above.
        VANTREL_AsioDriverInitialize(soundDeviceId);
        LoadAsioChannelOrder(soundDeviceName);
        ProbeSampleRates();
    }
    ShareOutputSelection();
}

void TfrmMain::FinishStartup() {
    if (startupFinished)
        return;
    startupFinished = true;
    PrepareOutput();
    if (!useMME && ListAsioDrivers(nullptr) == 0) {
        ShowMessage("IDS_545", UiServices::Kind::Error);
        QTimer::singleShot(0, this, &QWidget::close);
    } else {
        const QStringList& args = commandLine;
        for (qsizetype i = 1; i < args.size(); ++i) {
            const QFileInfo file(args.at(i));
            if (file.isFile() && file.suffix().toLower() == QLatin1String("tmv")) {
                if (ConfirmSaveChanges())
                    LoadProject(file.absoluteFilePath());
                break;
            }
        }
    }
    emit started();
}

void TfrmMain::MakeDialogsOnDemand() {
    frmResult.SetMaker([this] {
        auto* dialog = new TfrmResult(this);
        dialog->notifyWindow = handle();
        return dialog;
    });
    frmCategory.SetMaker([this] { return new TfrmCategory(this); });
    frmPrjUpload.SetMaker([this] { return new TfrmPrjUpload(this); });
    frmPrjDownload.SetMaker([this] {
        auto* dialog = new TfrmPrjDownload(this);
        ApplyRights(RightsSet::Main, {dialog}, fullUser);
        return dialog;
    });
    frmRefer.SetMaker([this] { return new TfrmRefer(this); });
    frmVersion.SetMaker([this] { return new TfrmVersion(this); });
}

void TfrmMain::FormShow() {
    // The window has its size only now; the layouts inside it settle first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    ArrangeShownLayout();
    AuthenticateUser();
    if (rememberPanels) {
        if (!showSchedulePanel)
            actViewSdlExecute();
        SetPanelLayout(showStimulusPanel ? (showParameterPanel ? 0 : 1) : (showParameterPanel ? 2 : 3));
    }
    LoadLanguageSetting();

    const int activeLanguage = TextTable::Instance().language() == TextTable::Language::Japanese ? 1 : 2;
    const QList<QAction*> languages = mnuViewLanguage->actions();
    for (qsizetype i = 0; i < languages.size(); ++i)
        languages.at(i)->setChecked(i == activeLanguage - 1);
    // The rest of the start waits for the first paint (see event()); a window shown
    // minimised gets none.
    if (isMinimized() && !startupQueued) {
        startupQueued = true;
        QTimer::singleShot(0, this, &TfrmMain::FinishStartup);
    }
    QTimer::singleShot(0, this, &TfrmMain::WarmUpOutput);
}

namespace {

// Range, first position and Tag of a count editor; a maximum below the minimum is raised
// to it first.
void InitCountEditor(UpDown* upDown, CountEdit* edit, int min, int max, int first) {
    upDown->SetRange(min, max < min ? min : max);
    const auto veto = std::exchange(upDown->onChangingEx, nullptr);
    upDown->SetPosition(first);
    upDown->onChangingEx = veto;
    upDown->Tag = first;
    if (edit)
        edit->setText(QString::number(first));
}

int TextWidth(const QWidget* w, const QString& text) {
    return w->fontMetrics().horizontalAdvance(text);
}

void SetHeaders(StringGrid* grid, std::initializer_list<QString> headers) {
    int col = 0;
    for (const QString& text : headers)
        grid->SetCell(col++, 0, text);
}

} // namespace

void TfrmMain::SetUpEditors() {
    auto raise = [](int16_t& member, int min) {
        if (member < min)
            member = static_cast<int16_t>(min);
        return static_cast<int>(member);
    };
    const int rowHeight = asgdStimulus->fontMetrics().height() + 5;

    // Stimulus list.
    asgdStimulus->SetColCount(asgdStimulus->FixedCols() + 2);
    project.SetStimulusCount(asgdStimulus->RowCount() - 1);
    SetHeaders(asgdStimulus, {QString(), Ids("IDS_4"), Ids("IDS_5")});
    asgdStimulus->verticalHeader()->setDefaultSectionSize(rowHeight);
    const int stimulusMax = raise(maxStimuli, 1);
    InitCountEditor(updStmNumber, edtStmNumber, 1, stimulusMax, std::min(10, stimulusMax));
    const int stimulusCol0 = TextWidth(asgdStimulus, Ids("IDS_6") + QString::number(stimulusMax)) + 4;
    asgdStimulus->SetColWidth(0, stimulusCol0);

    // Schedule.
    const int fixed = asgdSchedule->FixedCols();
    asgdSchedule->SetColCount(fixed + 3);
    asgdSchedule->SetCell(0, 0, QString());
    asgdSchedule->SetCell(fixed, 0, Ids("IDS_7"));
    asgdSchedule->SetCell(fixed + 1, 0, Ids("IDS_8"));
    asgdSchedule->SetCell(fixed + 2, 0, Ids("IDS_9"));
    const QString firstHeader = Ids("IDS_7");
    asgdSchedule->horizontalHeader()->setDefaultSectionSize(
        TextWidth(asgdSchedule, firstHeader.left(firstHeader.indexOf(QLatin1Char('[')))) + 8);
    asgdSchedule->verticalHeader()->setDefaultSectionSize(rowHeight);
    asgdSchedule->SetRowHeight(0, 2 * rowHeight);
    InitCountEditor(updPrsNumber, edtPrsNumber, 1, raise(maxPresentations, 1), 1);
    const int trialMax = raise(maxTrials, 1);
    InitCountEditor(updTrlNumber, edtTrlNumber, 1, trialMax, std::min(10, trialMax));
    asgdSchedule->SetColWidth(0, TextWidth(asgdSchedule, Ids("IDS_11") + QString::number(trialMax)) + 4);

    sptHor->setChildrenCollapsible(true);
    sptVer->setChildrenCollapsible(true);
    stimulusPanelHeight = pnlStimulus->height();
    edtTabName->setFrame(false);
    edtTabName->hide();
    if (popStmMenu)
        mnuStimulus->addActions(popStmMenu->actions());
    if (popSdlAllMenu)
        mnuSchedule->addActions(popSdlAllMenu->actions());

    // Parameter grids.
    const auto digitsWidth = [](StringGrid* grid, int max) { return TextWidth(grid, QString::number(max)); };
    InitCountEditor(updTrnBtnNum, edtTrnBtnNum, 1, 10, 2);
    asgdTrnBtn->SetColCount(asgdTrnBtn->FixedCols() + 1);
    SetHeaders(asgdTrnBtn, {QString(), Ids("IDS_22")});
    asgdTrnBtn->ClearNormalCells();
    ResizeParameterGrid(asgdTrnBtn, 0, 2);
    asgdTrnBtn->SetColWidth(0, digitsWidth(asgdTrnBtn, 10) + 4);

    InitCountEditor(updSdmScale, edtSdmScale, 3, 13, 5);
    updSdmScale->SetIncrement(2);
    const int wordPairMax = raise(maxSdWordPairs, 1);
    InitCountEditor(updSdmExpressNum, edtSdmExpressNum, 1, wordPairMax, std::min(5, wordPairMax));
    asgdSdmExpress->SetColCount(asgdSdmExpress->FixedCols() + 2);
    SetHeaders(asgdSdmExpress, {QString(), Ids("IDS_23"), Ids("IDS_24")});
    asgdSdmExpress->ClearNormalCells();
    ResizeParameterGrid(asgdSdmExpress, 0, updSdmExpressNum->Position());
    asgdSdmExpress->SetColWidth(0, 2 * digitsWidth(asgdSdmExpress, wordPairMax) + 4);

    asgdParBtn->SetColCount(2);
    asgdParBtn->SetRowCount(asgdParBtn->FixedRows() + 1);
    SetHeaders(asgdParBtn, {Ids("IDS_25"), Ids("IDS_26")});

    InitCountEditor(updCatCategoryNum, edtCatCategoryNum, 2, 10, 3);
    asgdCatCategory->SetColCount(asgdCatCategory->FixedCols() + 1);
    SetHeaders(asgdCatCategory, {QString(), Ids("IDS_22")});
    asgdCatCategory->ClearNormalCells();
    ResizeParameterGrid(asgdCatCategory, 0, 3);
    asgdCatCategory->SetColWidth(0, 2 * digitsWidth(asgdCatCategory, 10) + 4);

    InitCountEditor(updQstNum, edtQstNum, 0, raise(maxQuestions, 0), 0);
    SetQuestionRows(0, 0);
    SetQuestionCount(0);
}
