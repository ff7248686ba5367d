// Audition in the main window: the sequencer's states, playback of the stimulus it names,
// the lock of the commands and the play controls.
#include "FormParts.h"
#include "MainUnit.h"
#include "RunWindowMessages.h"

#include "ActionLink.h"
#include "CardUnit.h"
#include "Cexectable.h"
#include "CountEditor.h"
#include "Csch.h"
#include "Csound.h"
#include "OptionUnit.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "vantrel.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <initializer_list>

namespace {

void Enable(std::initializer_list<QWidget*> widgets, bool on) {
    for (QWidget* w : widgets)
        if (w)
            w->setEnabled(on);
}

enum class LockGroup { Idle, Begin, Playing, Halted, Unchanged };

LockGroup GroupOf(int state) {
    switch (state) {
    case ExecIdle:
    case ExecListEnded:
    case ExecScheduleEnded:
        return LockGroup::Idle;
    case ExecListBegin:
    case ExecScheduleBegin:
        return LockGroup::Begin;
    case ExecListStimulus:
    case ExecListProceed:
    case ExecListResumed:
    case ExecTrialStimulus:
    case ExecTimedWait:
    case ExecScheduleProceed:
    case ExecTrialResumed:
    case ExecTrialBegin:
    case ExecTrialEnd:
        return LockGroup::Playing;
    case ExecListHalt:
    case ExecListPaused:
    case ExecOperatorWait:
    case ExecTrialPaused:
        return LockGroup::Halted;
    default:
        return LockGroup::Unchanged;
    }
}

} // namespace

void TfrmMain::CreateAuditionControls() {
    tlbPlayCtrl = new QWidget(pnlSchedule);
    tlbPlayCtrl->setObjectName(QStringLiteral("tlbPlayCtrl"));
    auto* bar = new QHBoxLayout(tlbPlayCtrl);
    bar->setContentsMargins(2, 0, 2, 0);
    pnlPlayCtrlBase = new QWidget(tlbPlayCtrl);
    pnlPlayCtrlBase->setObjectName(QStringLiteral("pnlPlayCtrlBase"));
    auto* base = new QHBoxLayout(pnlPlayCtrlBase);
    base->setContentsMargins(0, 0, 0, 0);
    sbtnPlay = MakeTextToolButton(pnlPlayCtrlBase, "sbtnPlay");
    sbtnSuspend = MakeTextToolButton(pnlPlayCtrlBase, "sbtnSuspend");
    sbtnStop = MakeTextToolButton(pnlPlayCtrlBase, "sbtnStop");
    bar->addWidget(pnlPlayCtrlBase);
    tbtnRepeat = MakeTextToolButton(tlbPlayCtrl, "tbtnRepeat");
    tbtnRepeat->setCheckable(true);
    bar->addStretch();
    // Above the schedule grid: right below the panel's title bar.
    if (auto* layout = qobject_cast<QBoxLayout*>(pnlSchedule->layout()))
        layout->insertWidget(1, tlbPlayCtrl);
}

void TfrmMain::ConnectAuditionActions() {
    LinkToAction(sbtnPlay, actExecCtrlPlay);
    LinkToAction(sbtnSuspend, actExecCtrlSuspend);
    LinkToAction(sbtnStop, actExecCtrlStop);
    for (auto [button, action] :
         {std::pair{sbtnPlay, actExecCtrlPlay}, std::pair{sbtnSuspend, actExecCtrlSuspend},
          std::pair{sbtnStop, actExecCtrlStop}})
        button->setText(action->text());
    connect(actExecCtrlPlay, &QAction::triggered, this, &TfrmMain::actExecCtrlPlayExecute);
    connect(actExecCtrlSuspend, &QAction::triggered, this, &TfrmMain::actExecCtrlSuspendExecute);
    connect(actExecCtrlStop, &QAction::triggered, this, &TfrmMain::actExecCtrlStopExecute);
    connect(actExecCtrlCancelRepeat, &QAction::triggered, this, &TfrmMain::actExecCtrlCancelRepeatExecute);
    // The repeat button shows the command's state but runs its own click handler.
    connect(actExecCtrlCancelRepeat, &QAction::changed, tbtnRepeat, [this] {
        tbtnRepeat->setEnabled(actExecCtrlCancelRepeat->isEnabled());
        tbtnRepeat->setVisible(actExecCtrlCancelRepeat->isVisible());
        tbtnRepeat->setText(actExecCtrlCancelRepeat->text());
        tbtnRepeat->setToolTip(actExecCtrlCancelRepeat->toolTip());
    });
    tbtnRepeat->setEnabled(actExecCtrlCancelRepeat->isEnabled());
    connect(tbtnRepeat, &QToolButton::clicked, this, &TfrmMain::tbtnRepeatClick);
    connect(tbtnRepeat, &QToolButton::toggled, actExecCtrlCancelRepeat, [this](bool pressed) {
        const QSignalBlocker quiet(actExecCtrlCancelRepeat);
        actExecCtrlCancelRepeat->setChecked(pressed);
    });
    connect(actViewPlayCtrl, &QAction::triggered, this, &TfrmMain::actViewPlayCtrlExecute);
}

void TfrmMain::OnExecTableMessage(intptr_t wParam, intptr_t lParam) {
    const int state = static_cast<int>(wParam);
    const int a = ExecTableA(lParam);
    const int b = ExecTableB(lParam);
    const bool playing = frmExecute == nullptr; // a test-run window plays for itself
    const auto failPlay = [this] {
        ShowMessage("IDS_319", UiServices::Kind::Error);
        if (!execTable->Stop())
            ShowMessage("IDS_319", UiServices::Kind::Error);
    };
    const auto followStimulusRow = [this] {
        if (playStimulusRow != -1 && asgdStimulus->Row() != stimulusSelection.height())
            asgdStimulus->SetCurrentCell(asgdStimulus->Col() < 0 ? 1 : asgdStimulus->Col(), playStimulusRow);
        asgdStimulus->RepaintAll();
    };
    const auto repaintBoth = [this] {
        asgdStimulus->RepaintAll();
        asgdSchedule->RepaintAll();
    };
    const int fixedCols = asgdSchedule->FixedCols();
    const int fixedRows = asgdSchedule->FixedRows();

    switch (state) {
    case ExecListBegin:
        asgdStimulus->SetShowFocus(false);
        stimulusSelection = asgdStimulus->Selection();
        playStimulusRow = stimulusSelection.top();
        followStimulusRow();
        break;
    case ExecListStimulus:
        if (playing && !PlayStimulus(a))
            failPlay();
        playStimulusRow = a - asgdStimulus->FixedRows() + 1;
        followStimulusRow();
        break;
    case ExecListEnded:
        asgdStimulus->SetShowFocus(true);
        asgdStimulus->SetSelection(stimulusSelection);
        break;
    case ExecScheduleBegin:
        asgdStimulus->SetShowFocus(false);
        stimulusSelection = asgdStimulus->Selection();
        asgdSchedule->SetShowFocus(false);
        scheduleSelection = asgdSchedule->Selection();
        playColumn = fixedCols + 2 * b + 1;
        playRow = a - fixedRows + 2;
        playStimulusRow = -1;
        asgdSchedule->SetCurrentCell(playColumn, playRow);
        repaintBoth();
        break;
    case ExecTrialStimulus: {
        // The stimulus starts before the grids follow, which costs the listener no time.
        if (playing) {
            const CSchedule* schedule = execTable->scheduleRequest();
            int number = 0;
            if (schedule && a >= 1 && a <= schedule->GetTrialCount()) {
                const CTrial& trial = schedule->trials[size_t(a - 1)];
                if (b >= 1 && size_t(b) <= trial.stimuli.size())
                    number = trial.stimuli[size_t(b - 1)];
            }
            if (!PlayStimulus(number))
                failPlay();
        }
        playColumn = fixedCols + 2 * b;
        playRow = a - fixedRows + 1;
        bool isNumber = false;
        playStimulusRow = asgdSchedule->Cell(playColumn, playRow).trimmed().toInt(&isNumber);
        if (!isNumber)
            playStimulusRow = -1;
        asgdSchedule->SetCurrentCell(playColumn, playRow);
        if (playStimulusRow != -1)
            asgdStimulus->SetCurrentCell(asgdStimulus->Col() < 0 ? 1 : asgdStimulus->Col(), playStimulusRow);
        repaintBoth();
        break;
    }
    case ExecTimedWait:
    case ExecTrialBegin:
        playColumn = fixedCols + 2 * (state == ExecTrialBegin ? 0 : b) + 1;
        playRow = a - fixedRows + 1;
        playStimulusRow = -1;
        asgdSchedule->SetCurrentCell(playColumn, playRow);
        if (state == ExecTimedWait)
            repaintBoth();
        else
            asgdSchedule->RepaintAll();
        break;
    case ExecTrialEnd:
        playColumn = playRow = playStimulusRow = -1;
        repaintBoth();
        tbtnRepeat->setChecked(false);
        execTable->setCancelRepeat(tbtnRepeat->isChecked());
        break;
    case ExecScheduleEnded:
        repaintBoth();
        asgdStimulus->SetShowFocus(true);
        asgdStimulus->SetSelection(stimulusSelection);
        asgdSchedule->SetShowFocus(true);
        asgdSchedule->SetSelection(scheduleSelection);
        playColumn = playRow = playStimulusRow = -1;
        break;
    default:
        break;
    }
    if (frmExecute == nullptr)
        LockUI();
}

void TfrmMain::HoldBusyCommands(bool busy) {
    idleCommands.Hold(CommandHold::Busy, busy);
}

void TfrmMain::LockUI() {
    const LockGroup group = GroupOf(execTable->state());
    if (group == LockGroup::Unchanged)
        return;
    const bool idle = group == LockGroup::Idle;

    // The commands keep their own state; the audition only holds them.
    HoldBusyCommands(!idle);
    actFileSavePrj->setEnabled(projectModified);
    actExecResult->setEnabled(project.GetResponseCount() + project.GetQuestionnaireResultsCount() > 0);
    actExecQst->setEnabled(project.GetQuestionnaire()->GetTermCount() > 0);

    actExecCtrlPlay->setEnabled(group == LockGroup::Halted);
    actExecCtrlSuspend->setEnabled(group == LockGroup::Begin || group == LockGroup::Playing);
    actExecCtrlStop->setEnabled(!idle);
    actExecCtrlCancelRepeat->setEnabled(!idle && execTable->scheduleRequest() != nullptr);

    Enable({static_cast<QWidget*>(sbtnStimulus), static_cast<QWidget*>(sbtnStmClose),
            static_cast<QWidget*>(sbtnSchedule), static_cast<QWidget*>(sbtnSdlClose),
            static_cast<QWidget*>(edtStmNumber), static_cast<QWidget*>(updStmNumber),
            static_cast<QWidget*>(edtTrlNumber), static_cast<QWidget*>(updTrlNumber),
            static_cast<QWidget*>(edtPrsNumber), static_cast<QWidget*>(updPrsNumber)},
           idle);
    if (group != LockGroup::Begin) {
        Enable({static_cast<QWidget*>(sbtnParameter), static_cast<QWidget*>(sbtnPrmClose),
                static_cast<QWidget*>(memExplain), static_cast<QWidget*>(updTrnBtnNum),
                static_cast<QWidget*>(edtTrnBtnNum), static_cast<QWidget*>(updSdmScale),
                static_cast<QWidget*>(edtSdmScale), static_cast<QWidget*>(updSdmExpressNum),
                static_cast<QWidget*>(edtSdmExpressNum), static_cast<QWidget*>(updCatCategoryNum),
                static_cast<QWidget*>(edtCatCategoryNum), static_cast<QWidget*>(sbxOption)},
               idle);
    }
    if (updQstNum && (idle || group == LockGroup::Playing))
        updQstNum->setEnabled(idle);

    if (frmCard)
        frmCard->SetOwnerBusy(!idle);

    if (!idle)
        return;
    // A schedule audition runs without feedback wait or repetition check; the next run
    // gets the options dialog's values back.
    if (execTable->feedbackSeconds() < 0.1 && frmOption) {
        execTable->setFeedbackSeconds(frmOption->trbFeedback->value() * 0.1);
        execTable->setCheckRepetition(frmOption->chkCheck->isChecked());
    }
    AuthenticateUser();
}

bool TfrmMain::PlayStimulus(int number) {
    CStimuli* stimuli = project.GetStimuli();
    if (number < 1 || number > stimuli->GetCount())
        return false;
    const QString path = project.GetWorkFolder() + (*stimuli)[number - 1].fileName;

    ShareOutputSelection();
    // The library may still wind down the play before: about a second.
    playback.busyWaitTries = 101;
    playback.waveCheck = [this](const QString& file, int* channels, int* bits, int* rate, uint32_t* frames) {
        return ProbeWaveFile(file, channels, bits, rate, frames);
    };
    return playback.Play(path, handle());
}

bool TfrmMain::CheckPlayable(int number) {
    const CStimuli* stimuli = project.GetStimuli();
    if (number < 1 || number > stimuli->GetCount())
        return false;
    const QString& name = (*stimuli)[number - 1].fileName;
    if (ProbeWaveFile(project.GetWorkFolder() + name, nullptr, nullptr, nullptr, nullptr))
        return true;
    ShowUnplayable(name);
    return false;
}

void TfrmMain::ShowUnplayable(const QString& fileName) {
    UiServices::Get().MessageText(
        this, Ids("IDS_41") + QLatin1Char('"') + fileName + QLatin1Char('"') + Ids("IDS_42"),
        QStringLiteral("Tamvik"), UiServices::Kind::Warning, UiServices::Buttons::Ok);
}

void TfrmMain::OnSoundMessage(intptr_t wParam, intptr_t) {
    switch (wParam) {
    case SoundFinished:
        execTable->Proceed();
        break;
    case SoundRefused: // device or format refused
        if (!execTable->Stop())
            ShowMessage("IDS_319", UiServices::Kind::Error);
        LockUI();
        break;
    default:
        break;
    }
}

void TfrmMain::OnAsioStatus(intptr_t wParam, intptr_t lParam) {
    switch (VANTREL_MESSAGE_KIND(wParam)) {
    case 0:
        if (!execTable->Stop())
            ShowMessage("IDS_319", UiServices::Kind::Error);
        LockUI();
        break;
    case VANTREL_OUTPUT_STOPPED:
        // Only the end of the play started here lets the run go on; the stop of a play
        // that Abort or Stop already ended does not.
        if (playback.OnOutputEvent(wParam, lParam) && !suspending)
            execTable->Proceed();
        break;
    default:
        break;
    }
}

void TfrmMain::OnAsioBufferDone(intptr_t wParam, intptr_t lParam) {
    if (playback.OnBufferDone(wParam, lParam))
        return;
    // The library refused the samples: the stimulus was not presented.
    ShowMessage("IDS_319", UiServices::Kind::Error);
    if (!execTable->Stop())
        ShowMessage("IDS_319", UiServices::Kind::Error);
}

void TfrmMain::actExecCtrlPlayExecute() {
    if (!ContinueHeldRun(*execTable))
        ShowMessage("IDS_319", UiServices::Kind::Error);
}

namespace {
enum class HaltKind { Pause, Stop };
}

static void HaltAudition(TfrmMain& w, HaltKind kind) {
    w.suspending = true;
    const int state = w.execTable->state();
    if (state == ExecIdle || state == ExecListEnded || state == ExecScheduleEnded) {
        w.suspending = false;
        return;
    }
    if ((state == ExecListStimulus || state == ExecTrialStimulus) && !w.playback.Stop())
        w.ShowMessage("IDS_319", UiServices::Kind::Error);
    const bool done = kind == HaltKind::Pause ? w.execTable->Pause() : w.execTable->Stop();
    if (!done)
        w.ShowMessage("IDS_319", UiServices::Kind::Error);
    w.suspending = false;
}

void TfrmMain::actExecCtrlSuspendExecute() {
    HaltAudition(*this, HaltKind::Pause);
}

void TfrmMain::actExecCtrlStopExecute() {
    HaltAudition(*this, HaltKind::Stop);
}

void TfrmMain::actExecCtrlCancelRepeatExecute() {
    tbtnRepeat->setChecked(!tbtnRepeat->isChecked());
    execTable->setCancelRepeat(tbtnRepeat->isChecked());
}

void TfrmMain::tbtnRepeatClick() {
    execTable->setCancelRepeat(tbtnRepeat->isChecked());
}

void TfrmMain::actViewPlayCtrlExecute() {
    tlbPlayCtrl->setVisible(tlbPlayCtrl->isHidden());
    actViewPlayCtrlUpdate();
}

void TfrmMain::actViewPlayCtrlUpdate() {
    const QSignalBlocker quiet(actViewPlayCtrl);
    actViewPlayCtrl->setChecked(!tlbPlayCtrl->isHidden());
}
