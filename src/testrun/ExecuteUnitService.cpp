// The test-run window's exchange with the answer service: registration, the answerer
// poll and answer fetch, the end of a run, the keeping of results, and the schedule change.
#include "ExecuteUnit.h"

#include "AnswerGridMath.h"
#include "Cexectable.h"
#include "Cproject.h"
#include "Csch.h"
#include "Messages.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "ReplyRecord.h"
#include "ServiceForm.h"
#include "StringGrid.h"
#include "TestRunLists.h"
#include "TextTable.h"

#include <QComboBox>
#include <QDebug>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void TfrmExecute::Post(const QString& operation, const QStringList& lines, ServiceReply done, Waits waits) {
    const bool held = waits == Waits::Operator;
    if (held)
        BeginWait();
    const quint64 sentIn = generation;
    IdHTTP1->PostForm(
        ExecServiceUrl + operation, EncodeFormBody(lines),
        [this, operation, done = std::move(done), held, sentIn](const tamvik::ServiceResult& result) {
            if (!result.ok())
                qWarning("%s: %s", qPrintable(operation), qPrintable(result.error));
            if (held)
                EndWait();
            // The window has moved on (closing, another run): the reply is stale.
            if (sentIn == generation && done)
                done(result.ok(), result.ok() ? ServiceReplyText(result.body) : QString(), result.error);
            if (held)
                RunAfterWaits();
        });
}

void TfrmExecute::BeginWait() {
    if (operatorWaits++ > 0)
        return;
    setCursor(Qt::BusyCursor);
    // Execute, the schedule, Save and Close would start another step before this one is
    // done; the panel gives each its own enabled state back afterwards.
    Panel1->setEnabled(false);
}

void TfrmExecute::EndWait() {
    if (--operatorWaits > 0)
        return;
    unsetCursor();
    Panel1->setEnabled(true);
}

void TfrmExecute::AfterWaits(std::function<void()> step) {
    afterWaits.push_back(std::move(step));
    RunAfterWaits();
}

void TfrmExecute::RunAfterWaits() {
    while (operatorWaits == 0 && !afterWaits.empty()) {
        const std::function<void()> step = std::move(afterWaits.front());
        afterWaits.pop_front();
        step();
    }
    // A handler that opens a nested event loop never lets a later message overtake.
    if (replaying)
        return;
    replaying = true;
    while (operatorWaits == 0 && afterWaits.empty() && !heldRunMessages.empty()) {
        const auto [wParam, lParam] = heldRunMessages.front();
        heldRunMessages.pop_front();
        OnExecTableMessage(wParam, lParam);
    }
    replaying = false;
}

bool TfrmExecute::HoldRunMessage(intptr_t wParam, intptr_t lParam) {
    if (operatorWaits == 0 && heldRunMessages.empty())
        return false;
    heldRunMessages.emplace_back(wParam, lParam);
    return true;
}

QStringList TfrmExecute::Credentials() const {
    return {FormLine(QStringLiteral("USER_ID"), ExecUserId),
            FormLine(QStringLiteral("USER_PWD"), ExecUserPassword)};
}

void TfrmExecute::Fail(const Outcome& done, const char* key) {
    ShowMessage(key);
    if (done)
        done(false);
}

void TfrmExecute::StartTest(Outcome done) {
    QStringList lines = Credentials();
    lines << QStringLiteral("OP_KBN=1") << FormLine(QStringLiteral("PROJECT_SEQ"), projectSeq)
          << QStringLiteral("TEST_RUN_STATUS=0") << FormLine(QStringLiteral("SHOW_LAMP"), rdbPlay->text())
          << FormLine(QStringLiteral("JUDGMENT_LAMP"), rdbJudge->text())
          << FormLine(QStringLiteral("CORRECT_LAMP"), rdbCorrect->text())
          << FormLine(QStringLiteral("NEAR_MISS_LAMP"), rdbYellow->text())
          << FormLine(QStringLiteral("AUTOMATIC_REPEAT"), chkCheck->text()) << testRunList << testRunStimList;
    // A new registration never reports to the run of an earlier window.
    ExecTestRunSeq.clear();
    Post(QStringLiteral("startTest"), lines, [this, done](bool sent, const QString& reply, const QString&) {
        if (!sent)
            return Fail(done, "IDS_17");
        const ReplyRecord record = ParseKeyValueText(reply);
        if (ReplyTestA(record))
            return Fail(done, "IDS_55");
        const QString seq = ReplyValue(record, QStringLiteral("EXEC_SEQ"));
        if (!ReplyTestF(record) || seq.isEmpty())
            return Fail(done, "IDS_17");
        ExecTestRunSeq = seq;
        if (done)
            done(true);
    });
}

void TfrmExecute::FetchAnswers(FetchKind kind, std::function<void(FetchOutcome)> done) {
    if (ExecTestRunSeq.isEmpty()) {
        if (done)
            done(FetchOutcome::Failed);
        return;
    }
    QStringList lines = Credentials();
    lines << FormLine(QStringLiteral("TEST_RUN_SEQ"), ExecTestRunSeq);
    Post(
        QStringLiteral("returnTestResult"), lines,
        [this, kind, done](bool sent, const QString& reply, const QString& error) {
            // A poll switched off while it was under way (Execute, a refusal) has nothing to add.
            if (kind == FetchKind::Poll && !userSearchTimer->isActive())
                return;
            const FetchOutcome outcome = TakeAnswers(kind, sent, reply, error);
            if (done)
                done(outcome);
        },
        kind == FetchKind::Poll ? Waits::Background : Waits::Operator);
}

TfrmExecute::FetchOutcome TfrmExecute::TakeAnswers(FetchKind kind, bool sent, const QString& reply,
                                                   const QString& error) {
    if (!sent) {
        // No answerer can connect while the service is away, so the poll keeps asking.
        if (kind == FetchKind::Poll)
            ShowPollOutage(error);
        return FetchOutcome::Failed;
    }
    if (kind == FetchKind::Poll)
        EndPollOutage();
    ReplyRecordList records;
    ParseRecordListText(reply, records);
    if (ExecAnswererCount == 0)
        ExecAnswererCount = 1;
    const AnswerGridShape shape = GridShape();
    const int trials = shape.TrialCount();
    for (const auto& [index, record] : records) {
        const QString answerer = ReplyValue(record, QStringLiteral("ANSWERER_ID"));
        if (answerer == QStringLiteral("0"))
            continue;
        if (ReplyTestA(record)) {
            if (kind == FetchKind::Poll) {
                userSearchTimer->stop();
                ShowMessage("IDS_55");
            } else {
                // Shown once the handler at hand has returned, so later states keep their order.
                ShowMessageLater("IDS_55");
            }
            return FetchOutcome::Refused;
        }
        int column = -1;
        for (int col = 1; col <= GridShape().PlaceholderCol(); ++col) {
            if (asgdResponse->Cell(col, 1) == answerer) {
                column = col;
                break;
            }
        }
        if (column < 0) {
            InsertAnswererColumn(answerer);
            column = 1;
            if (kind == FetchKind::Poll) {
                edtDelay->setEnabled(true);
                btnExecute->setEnabled(true);
            }
        }
        if (kind != FetchKind::Fetch)
            continue;
        // Only a trial of this schedule: never the "Correct %" row below the trials.
        bool isNumber = false;
        const QString questionText = ReplyValue(record, QStringLiteral("QUESTION_NUM"));
        const int n = questionText.toInt(&isNumber);
        if (!isNumber || n < 1 || n > trials || questionText != QString::number(n))
            continue;
        SetCellIfChanged(column, AnswerGridShape::TrialRow(n), ReplyValue(record, QStringLiteral("ANSWER")));
    }
    return FetchOutcome::Done;
}

void TfrmExecute::ShowPollOutage(const QString& error) {
    if (!pollOutage) {
        pollOutage = true;
        textBeforeOutage = StatusText(1);
    }
    pollOutageText = Ids("IDS_17") + QLatin1Char(' ') + error;
    stbStatus->SetPanelText(1, pollOutageText);
}

void TfrmExecute::EndPollOutage() {
    if (!pollOutage)
        return;
    pollOutage = false;
    // A state the window has shown since the outage began stays.
    if (StatusText(1) == pollOutageText)
        stbStatus->SetPanelText(1, textBeforeOutage);
}

void TfrmExecute::userSearchTimerTimer() {
    // One request at a time: a tick while another is under way asks nothing.
    if (IdHTTP1->Pending() > 0)
        return;
    FetchAnswers(FetchKind::Poll);
}

void TfrmExecute::answerRequest() {
    FetchAnswers(FetchKind::Fetch);
}

void TfrmExecute::EndTest(const QString& status, std::function<void(bool ended, bool refused)> done) {
    QStringList lines = Credentials();
    lines << FormLine(QStringLiteral("TEST_RUN_SEQ"), ExecTestRunSeq)
          << QStringLiteral("TEST_RUN_STATUS=") + status;
    Post(QStringLiteral("endTest"), lines, [done](bool sent, const QString& reply, const QString&) {
        if (!sent)
            return done(false, false);
        const bool refused = ReplyTestA(ParseKeyValueText(reply));
        done(!refused, refused);
    });
}

void TfrmExecute::SaveTestResult(Outcome done) {
    Post(QStringLiteral("saveTestResult"), Credentials(),
         [this, done](bool sent, const QString& reply, const QString&) {
             if (!sent)
                 return Fail(done, "IDS_17");
             const ReplyRecord record = ParseKeyValueText(reply);
             if (ReplyTestA2(record))
                 return Fail(done, "IDS_55");
             // A refusal of any kind is not a save: the results stay marked as unsaved.
             if (ReplyValue(record, QStringLiteral("API_RESULT")) == QStringLiteral("1"))
                 return Fail(done, "IDS_17");
             resultsUnsaved = false;
             resultsSaved = 1;
             btnSave->setEnabled(false);
             if (done)
                 done(true);
         });
}

void TfrmExecute::cboScheduleChange() {
    if (scheduleTag == 1) {
        cboSchedule->setCurrentIndex(scheduleItemIndex);
        return;
    }
    CSchedule* schedule = ChosenSchedule();
    if (!schedule)
        return;
    if (mainWindow)
        PostMessage(mainWindow, WM_EXECUTE_EVENT, 1, cboSchedule->currentData().toInt());
    RebuildTrialRows(*schedule);
    scheduleItemIndex = cboSchedule->currentIndex();
    // A new run: what is still under way for the old one has nothing to add.
    ++generation;
    BuildTestRunLists([this](bool ok) {
        if (ok)
            return;
        ShowMessage("IDS_17");
        close();
    });
}

void TfrmExecute::BuildTestRunLists(Outcome done) {
    CSchedule* schedule = ChosenSchedule();
    if (!schedule)
        return done(false);
    std::vector<TestRunTrial> trials;
    for (const CTrial& trial : schedule->trials)
        trials.push_back(TestRunTrialFromTrial(trial, schedule->GetStimulusCount()));
    const auto duration = [this](const QString& id) {
        bool ok = false;
        const int n = id.toInt(&ok);
        return ok && n >= 1 && size_t(n) <= stimulusDurations.size() ? stimulusDurations[size_t(n - 1)]
                                                                     : QString();
    };
    TestRunLists lists;
    if (!WriteTestRunLists(trials, duration, lists))
        return done(false);
    testRunList = lists.testRunList;
    testRunStimList = lists.testRunStimList;
    LoadOptionSettings(ExecProjectFolder, ExecServiceUrl, ExecUserId, ExecUserPassword, false);
    if (ProjectTitle->text().trimmed().isEmpty())
        return done(false);
    QStringList lines = Credentials();
    lines << FormLine(QStringLiteral("TMV_NAME"), ReplacePlusForService(ProjectFileName->text()));
    Post(QStringLiteral("getTmvInfo"), lines, [this, done](bool sent, const QString& reply, const QString&) {
        if (!sent)
            return done(false);
        const ReplyRecord record = ParseKeyValueText(reply);
        if (!ReplyTestC(record))
            return done(false);
        projectSeq = ReplyValue(record, QStringLiteral("TMV_SEQ"));
        StartTest(done);
    });
}
