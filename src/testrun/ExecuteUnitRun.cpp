// The test-run window's passes: the choice of trials (Execute), the run controls and
// what the window does on the sequencer's and the players' messages.
#include "ExecuteUnit.h"
#include "RunWindowMessages.h"

#include "AnswerGridMath.h"
#include "Cexectable.h"
#include "Cproject.h"
#include "Csch.h"
#include "Csound.h"
#include "Cwaveread.h"
#include "ExecDlgUnit.h"
#include "Messages.h"
#include "NumberFormat.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "ReplyRecord.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "TrialRange.h"
#include "vantrel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

namespace {

QChar DecimalSeparator() {
    return QLocale().decimalPoint().at(0);
}

// Idle, or a play or run just ended: nothing to pause, stop or silence.
bool NothingRuns(int state) {
    return state == ExecIdle || state == ExecListEnded || state == ExecScheduleEnded;
}

QChar ListSeparator() {
    return DecimalSeparator() == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(',');
}

} // namespace

void TfrmExecute::RestoreIdleControls() {
    tmrChkStatus->stop();
    SetState(ExecWindowIdle);
    edtDelay->setEnabled(true);
    btnExecute->setEnabled(true);
    btnSave->setEnabled(pnlResponse->isVisible() ? resultsUnsaved : questionnaireUnsaved);
    for (QWidget* w : std::initializer_list<QWidget*>{btnEnd, cboSchedule})
        w->setEnabled(true);
    sbtnOption->setEnabled(!sbtnOption->isHidden());
    actExecCtrlPlay->setEnabled(false);
    actExecCtrlStop->setEnabled(false);
}

void TfrmExecute::btnExecuteClick() {
    userSearchTimer->stop();
    if (pnlResponse->isHidden())
        return;
    CSchedule* schedule = ChosenSchedule();
    if (!schedule) {
        ShowMessage("IDS_27");
        return;
    }
    SetState(ExecWindowIdle);
    // Shown with the dialog only when there are results to lose.
    execDlg->chkClear->setHidden(!resultsUnsaved);
    const AnswerGridShape shape = GridShape();
    QStringList offered;
    for (int n = 1; n <= shape.TrialCount(); ++n) {
        if (IsTrialRowSelected(n))
            offered << QString::number(n);
    }
    execDlg->edtRange->setText(CompressTrialRange(offered.join(QLatin1Char(',')), ListSeparator()));
    if (execDlg->exec() != QDialog::Accepted)
        return;

    const int count = schedule->GetTrialCount();
    ClearRowSelection();
    QString expanded;
    if (execDlg->rdbAll->isChecked()) {
        expanded = ExpandTrialRange(QStringLiteral("1-"), count);
    } else if (execDlg->rdbRandom->isChecked()) {
        const QString text = execDlg->edtRandomRange->text().trimmed();
        int n = count;
        if (!text.isEmpty() && !tamvik::ParseInt(text, n)) {
            // Too many digits for a count: the form is wrong, nothing is shuffled.
            ShowMessage("IDS_28");
            return;
        }
        if (n >= 1 && n <= count) {
            if (n == count && ShowMessage("IDS_58", UiServices::Kind::Confirmation,
                                          UiServices::Buttons::YesNo) != UiServices::Answer::Yes)
                return;
            // The keep-results question comes before any row is cleared; a save it starts
            // and the new registration are waited for before the pass goes on.
            cboScheduleClick();
            AfterWaits([this, text, count] {
                if (scheduleTag == 1)
                    return;
                if (randomizeTrials)
                    randomizeTrials();
                const QString chosen = ExpandTrialRange(QStringLiteral("1-") + text, count);
                cboScheduleChange();
                AfterWaits([this, chosen] {
                    if (isVisible() && !closing)
                        ContinueExecute(chosen);
                });
            });
            return;
        }
    } else {
        expanded = ExpandTrialRange(execDlg->edtRange->text(), count);
    }
    ContinueExecute(expanded);
}

void TfrmExecute::ContinueExecute(const QString& expanded) {
    selectedTrials = expanded.isEmpty() ? QStringList() : expanded.split(QLatin1Char(','));
    for (const QString& trial : selectedTrials)
        SelectTrialRow(trial.toInt());
    if (selectedTrials.isEmpty()) {
        ShowMessage("IDS_28");
        return;
    }
    if (!execDlg->chkClear->isHidden() && execDlg->chkClear->isChecked()) {
        const AnswerGridShape now = GridShape();
        const int lastCol = now.training ? now.cols - 2 : now.cols - 1;
        for (const QString& trial : selectedTrials) {
            for (int col = 1; col <= lastCol; ++col)
                SetCellIfChanged(col, AnswerGridShape::TrialRow(trial.toInt()), QString());
        }
        if (now.training) {
            for (int col = 1; col <= now.PercentCol(); ++col)
                SetCellIfChanged(col, now.PercentRow(), QString());
        }
    }
    for (TERMDATA& t : terminals)
        t.prepared = false;
    for (QWidget* w :
         std::initializer_list<QWidget*>{edtDelay, btnExecute, btnSave, btnEnd, cboSchedule, sbtnOption})
        w->setEnabled(false);
    actExecCtrlStop->setEnabled(true);

    if (ExecTestRunSeq.isEmpty())
        return;
    QStringList lines = Credentials();
    QString list = QStringLiteral("QUESTION_LIST=");
    for (int n = 1; n <= GridShape().TrialCount(); ++n) {
        if (IsTrialRowSelected(n))
            list += QStringLiteral("QUESTION_NUM=%1,QUSETION_STATUS=1;").arg(n);
    }
    lines << FormLine(QStringLiteral("TEST_RUN_SEQ"), ExecTestRunSeq) << QStringLiteral("TEST_RUN_STATUS=1")
          << FormLine(QStringLiteral("TEST_DELAY_TIME"), edtDelay->text()) << list;
    stbStatus->SetPanelText(1, Ids("IDS_52"));
    showSelection = false;
    asgdResponse->SetShowFocus(false);
    Post(QStringLiteral("prepareTest"), lines, [this](bool sent, const QString& reply, const QString&) {
        if (!sent || ReplyTestA(ParseKeyValueText(reply))) {
            ShowMessage(sent ? "IDS_55" : "IDS_17");
            // The pass was not announced: the window is idle again.
            RestoreIdleControls();
            return;
        }
        actExecCtrlPlay->setEnabled(true);
        actExecCtrlSuspend->setEnabled(false);
        actExecCtrlStop->setEnabled(true);
        windowState = ExecWindowReady;
    });
}

void TfrmExecute::actExecCtrlPlayExecute() {
    if (!execTable)
        return;
    stbStatus->SetPanelText(1, Ids("IDS_54"));
    showSelection = false;
    asgdResponse->SetShowFocus(false);
    if (windowState == ExecWindowReady) {
        CSchedule* schedule = ChosenSchedule();
        ExecReportSettings reports;
        reports.userId = ExecUserId;
        reports.userPassword = ExecUserPassword;
        reports.serviceUrl = ExecServiceUrl;
        reports.testRunSeq = ExecTestRunSeq;
        // The sequencer reports through the second client. One that an earlier run still
        // holds (its end report under way) is left to it: a client has one user at a time.
        if (IdHTTP2.use_count() > 1)
            IdHTTP2 = std::make_shared<tamvik::ServiceClient>();
        ApplyProxySettings(*IdHTTP2); // a proxy without a usable port: none
        reports.webClient = IdHTTP2;
        execTable->setNotifyWindow(handle());
        if (schedule && execTable->StartSchedule(schedule, selectedTrials.join(QLatin1Char(',')), reports)) {
            SetState(ExecWindowRunning);
            actExecCtrlStop->setEnabled(false);
        } else {
            stbStatus->SetPanelText(1, Ids("IDS_17"));
        }
        return;
    }
    if (!ContinueHeldRun(*execTable))
        stbStatus->SetPanelText(1, Ids("IDS_17"));
}

void TfrmExecute::StopSound(bool* stopped) {
    const int state = execTable->state();
    if (state != ExecListStimulus && state != ExecTrialStimulus)
        return;
    const bool ok = playback.Stop();
    if (!ok)
        stbStatus->SetPanelText(1, Ids("IDS_17"));
    if (stopped)
        *stopped = ok;
}

void TfrmExecute::actExecCtrlSuspendExecute() {
    if (!execTable)
        return;
    if (NothingRuns(execTable->state()))
        return;
    suspending = true;
    StopSound();
    if (!execTable->Pause())
        stbStatus->SetPanelText(1, Ids("IDS_17"));
    suspending = false;
}

void TfrmExecute::actExecCtrlStopExecute() {
    if (ExecTestRunSeq.isEmpty() || !execTable)
        return;
    // A Stop that waits for the service already: a second press asks nothing more.
    if (stopping)
        return;
    stbStatus->SetPanelText(1, Ids("IDS_53"));
    showSelection = false;
    asgdResponse->SetShowFocus(false);
    stopping = true;
    EndTest(QStringLiteral("9"), [this](bool ended, bool refused) {
        stopping = false;
        StopAfterEndTest(ended, refused);
    });
}

void TfrmExecute::StopAfterEndTest(bool ended, bool refused) {
    if (!ended) {
        ShowMessage(refused ? "IDS_55" : "IDS_17");
        userSearchTimer->stop();
        // Refused by the service: the run goes on. Unreachable: the run stops here anyway,
        // since the operator cannot end it otherwise.
        if (refused)
            return;
    } else {
        edtDelay->setEnabled(true);
        btnExecute->setEnabled(true);
        actExecCtrlPlay->setEnabled(false);
        userSearchTimer->start();
    }
    if (windowState == 6 || windowState == ExecWindowReady) {
        RestoreIdleControls();
        return;
    }
    if (NothingRuns(execTable->state()))
        return;
    suspending = true;
    StopSound();
    if (execTable->Stop())
        stopTag = 1;
    else
        stbStatus->SetPanelText(1, Ids("IDS_17"));
    suspending = false;
}

void TfrmExecute::actExecCtrlCancelRepeatExecute() {
    tbtnRepeat->setChecked(!tbtnRepeat->isChecked());
    if (execTable)
        execTable->setCancelRepeat(tbtnRepeat->isChecked());
}

void TfrmExecute::actExecCtrlSoundStopExecute() {
    if (soundStopTag == 1 || !execTable)
        return;
    if (NothingRuns(execTable->state()))
        return;
    suspending = true;
    bool stopped = false;
    StopSound(&stopped);
    if (stopped)
        soundStopTag = 1;
    suspending = false;
}

void TfrmExecute::OnSoundMessage(intptr_t wParam, intptr_t) {
    if (!execTable)
        return;
    switch (wParam) {
    case SoundFinished:
        execTable->Proceed();
        break;
    case SoundStopped:
        if (soundStopTag == 1) {
            execTable->Proceed();
            soundStopTag = 0;
        }
        break;
    case SoundRefused: // device or format refused
        if (!execTable->Stop())
            UpdateControls();
        stbStatus->SetPanelText(1, Ids("IDS_17"));
        break;
    default:
        break;
    }
}

void TfrmExecute::OnAsioStatus(intptr_t wParam, intptr_t lParam) {
    if (VANTREL_MESSAGE_KIND(wParam) != VANTREL_OUTPUT_STOPPED || !execTable)
        return;
    // The stop of a play that Abort or Stop ended is stale by the time it arrives: only
    // the natural end, or the end the sound-stop command asked for, lets the run go on.
    const bool natural = playback.OnOutputEvent(wParam, lParam);
    const bool asked = soundStopTag == 1;
    soundStopTag = 0;
    if (waveRead)
        waveRead->Stop();
    if ((natural || asked) && !suspending)
        execTable->Proceed();
}

void TfrmExecute::OnAsioBufferDone(intptr_t wParam, intptr_t lParam) {
    if (playback.OnBufferDone(wParam, lParam))
        return;
    stbStatus->SetPanelText(1, Ids("IDS_17"));
    if (execTable && !execTable->Stop())
        stbStatus->SetPanelText(1, Ids("IDS_17"));
}

bool TfrmExecute::PlayStimulus(int number) {
    if (!project)
        return false;
    CStimuli* stimuli = project->GetStimuli();
    if (number < 1 || number > stimuli->GetCount())
        return false;
    playback.output = output;
    playback.sound = sound;
    playback.waveRead = waveRead;
    playback.busyWaitTries = 101;
    return playback.Play(project->GetWorkFolder() + (*stimuli)[number - 1].fileName, handle());
}

bool TfrmExecute::IsTrialComplete(int trial) const {
    const StringGrid* grid = asgdResponse;
    return ::IsTrialComplete(
        GridShape(), [grid](int col, int row) { return grid->Cell(col, row); }, trial);
}

void TfrmExecute::SetCurrentTrial(int trial) {
    currentTrial = trial;
    const int row = trial + 1;
    if (row >= 0 && row < asgdResponse->RowCount())
        asgdResponse->scrollTo(asgdResponse->model()->index(row, 0));
}

void TfrmExecute::TrainingPercentages() {
    const StringGrid* grid = asgdResponse;
    const AnswerCellReader cell = [grid](int col, int row) { return grid->Cell(col, row); };
    const AnswerGridShape shape = GridShape();
    const QChar d = DecimalSeparator();
    SetCellIfChanged(shape.PercentCol(), AnswerGridShape::TrialRow(currentTrial),
                     TrialPercentText(shape, cell, currentTrial, d));
    std::vector<int> played;
    for (const QString& trial : selectedTrials) {
        played.push_back(trial.toInt());
        if (played.back() == currentTrial)
            break;
    }
    for (int col = 1; col < shape.PlaceholderCol(); ++col)
        SetCellIfChanged(col, shape.PercentRow(), AnswererPercentText(shape, cell, col, played, d));
}

void TfrmExecute::EndOfRun() {
    tmrAfter->start();
    completeTimer->stop();
    if (tbtnRepeat->isChecked()) {
        tbtnRepeat->setChecked(false);
        execTable->setCancelRepeat(false);
    }
    if (Training()) {
        const StringGrid* grid = asgdResponse;
        const AnswerGridShape shape = GridShape();
        const QString mean = MeanPercentText(
            shape, [grid](int col, int row) { return grid->Cell(col, row); }, DecimalSeparator());
        if (!mean.isEmpty())
            SetCellIfChanged(shape.PercentCol(), shape.PercentRow(), mean);
    }
    asgdResponse->RepaintAll();
    if (stopTag == 0) {
        ClearRowSelection();
        for (qsizetype i = selectedTrials.size(); i-- > 0;) {
            const int trial = selectedTrials.at(i).toInt();
            if (IsTrialComplete(trial))
                selectedTrials.removeAt(i);
            else
                SelectTrialRow(trial);
        }
        if (!selectedTrials.isEmpty())
            stbStatus->SetPanelText(1, Ids("IDS_25"));
    } else {
        stbStatus->SetPanelText(1, Ids("IDS_26"));
        stopTag = 0;
    }
}

void TfrmExecute::OnExecTableMessage(intptr_t wParam, intptr_t lParam) {
    const int state = static_cast<int>(wParam);
    const int a = ExecTableA(lParam);
    const int b = ExecTableB(lParam);
    if (execTable) {
        switch (state) {
        case ExecScheduleBegin:
            resultsUnsaved = true;
            break;
        case ExecTrialStimulus: {
            // Only a stimulus of this window's run, still waiting to be played; it starts
            // before the grid follows, which costs the listener no time.
            if (execTable->state() == ExecTrialStimulus && windowState == ExecWindowRunning) {
                const CSchedule* schedule = ChosenSchedule();
                int number = 0;
                if (schedule && a >= 1 && a <= schedule->GetTrialCount()) {
                    const CTrial& trial = schedule->trials[size_t(a - 1)];
                    if (b >= 1 && size_t(b) <= trial.stimuli.size())
                        number = trial.stimuli[size_t(b - 1)];
                }
                if (!PlayStimulus(number)) {
                    stbStatus->SetPanelText(1, Ids("IDS_17"));
                    if (!execTable->Stop())
                        stbStatus->SetPanelText(1, Ids("IDS_17"));
                }
            }
            SetCurrentTrial(a);
            asgdResponse->RepaintAll();
            break;
        }
        case ExecTimedWait:
        case ExecOperatorWait:
        case ExecTrialPaused:
        case ExecTrialBegin:
            SetCurrentTrial(a);
            asgdResponse->RepaintAll();
            break;
        case ExecRepetitionWait:
            if (!execTable->cancelRepeat() && IsTrialComplete(currentTrial)) {
                tbtnRepeat->setChecked(true);
                execTable->setCancelRepeat(true);
            }
            // The sequencer looks at the repeat flag again after this wait.
            if (!execTable->Proceed())
                stbStatus->SetPanelText(1, Ids("IDS_17"));
            break;
        case ExecAfterTrialWait:
            if (IsTrialComplete(currentTrial)) {
                if (!execTable->Proceed())
                    stbStatus->SetPanelText(1, Ids("IDS_17"));
            } else {
                completeTimer->start();
            }
            break;
        case ExecFeedbackWait:
            SetCurrentTrial(a);
            asgdResponse->RepaintAll();
            answerRequest();
            break;
        case ExecTrialEnd:
            SetCurrentTrial(a);
            asgdResponse->RepaintAll();
            if (Training())
                TrainingPercentages();
            tbtnRepeat->setChecked(false);
            execTable->setCancelRepeat(false);
            break;
        case ExecScheduleEnded:
            EndOfRun();
            break;
        default:
            break;
        }
    }
    if (mainWindow)
        PostMessage(mainWindow, WM_EXECTABLE, wParam, lParam);
    UpdateControls();
}
