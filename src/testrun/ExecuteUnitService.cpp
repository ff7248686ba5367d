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

bool TfrmExecute::Post(const QString& operation, const QStringList& lines, QString& reply, QString* error) {
    const tamvik::ServiceResult result = PostServiceForm(*IdHTTP1, ExecServiceUrl + operation, lines, reply);
    if (error)
        *error = result.error;
    if (!result.ok())
        qWarning("%s: %s", qPrintable(operation), qPrintable(result.error));
    return result.ok();
}

QStringList TfrmExecute::Credentials() const {
    return {FormLine(QStringLiteral("USER_ID"), ExecUserId),
            FormLine(QStringLiteral("USER_PWD"), ExecUserPassword)};
}

bool TfrmExecute::StartTest() {
    QStringList lines = Credentials();
    lines << QStringLiteral("OP_KBN=1") << FormLine(QStringLiteral("PROJECT_SEQ"), projectSeq)
          << QStringLiteral("TEST_RUN_STATUS=0") << FormLine(QStringLiteral("SHOW_LAMP"), rdbPlay->text())
          << FormLine(QStringLiteral("JUDGMENT_LAMP"), rdbJudge->text())
          << FormLine(QStringLiteral("CORRECT_LAMP"), rdbCorrect->text())
          << FormLine(QStringLiteral("NEAR_MISS_LAMP"), rdbYellow->text())
          << FormLine(QStringLiteral("AUTOMATIC_REPEAT"), chkCheck->text()) << testRunList << testRunStimList;
    // A new registration never reports to the run of an earlier window.
    ExecTestRunSeq.clear();
    QString reply;
    if (!Post(QStringLiteral("startTest"), lines, reply)) {
        ShowMessage("IDS_17");
        return false;
    }
    const ReplyRecord record = ParseKeyValueText(reply);
    if (ReplyTestA(record)) {
        ShowMessage("IDS_55");
        return false;
    }
    const QString seq = ReplyValue(record, QStringLiteral("EXEC_SEQ"));
    if (!ReplyTestF(record) || seq.isEmpty()) {
        ShowMessage("IDS_17");
        return false;
    }
    ExecTestRunSeq = seq;
    return true;
}

TfrmExecute::FetchOutcome TfrmExecute::FetchAnswers(FetchKind kind) {
    if (ExecTestRunSeq.isEmpty())
        return FetchOutcome::Failed;
    QStringList lines = Credentials();
    lines << FormLine(QStringLiteral("TEST_RUN_SEQ"), ExecTestRunSeq);
    QString reply;
    QString error;
    if (!Post(QStringLiteral("returnTestResult"), lines, reply, &error)) {
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
    FetchAnswers(FetchKind::Poll);
}

void TfrmExecute::answerRequest() {
    FetchAnswers(FetchKind::Fetch);
}

bool TfrmExecute::EndTest(const QString& status, bool& refused) {
    refused = false;
    QStringList lines = Credentials();
    lines << FormLine(QStringLiteral("TEST_RUN_SEQ"), ExecTestRunSeq)
          << QStringLiteral("TEST_RUN_STATUS=") + status;
    QString reply;
    if (!Post(QStringLiteral("endTest"), lines, reply))
        return false;
    const ReplyRecord record = ParseKeyValueText(reply);
    if (ReplyTestA(record)) {
        refused = true;
        return false;
    }
    return true;
}

bool TfrmExecute::SaveTestResult() {
    QString reply;
    if (!Post(QStringLiteral("saveTestResult"), Credentials(), reply)) {
        ShowMessage("IDS_17");
        return false;
    }
    const ReplyRecord record = ParseKeyValueText(reply);
    if (ReplyTestA2(record)) {
        ShowMessage("IDS_55");
        return false;
    }
    // A refusal of any kind is not a save: the results stay marked as unsaved.
    if (ReplyValue(record, QStringLiteral("API_RESULT")) == QStringLiteral("1")) {
        ShowMessage("IDS_17");
        return false;
    }
    resultsUnsaved = false;
    resultsSaved = 1;
    btnSave->setEnabled(false);
    return true;
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
    if (!BuildTestRunLists()) {
        ShowMessage("IDS_17");
        close();
    }
}

bool TfrmExecute::BuildTestRunLists() {
    CSchedule* schedule = ChosenSchedule();
    if (!schedule)
        return false;
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
        return false;
    testRunList = lists.testRunList;
    testRunStimList = lists.testRunStimList;
    LoadOptionSettings(ExecProjectFolder, ExecServiceUrl, ExecUserId, ExecUserPassword, false);
    if (ProjectTitle->text().trimmed().isEmpty())
        return false;
    QStringList lines = Credentials();
    lines << FormLine(QStringLiteral("TMV_NAME"), ReplacePlusForService(ProjectFileName->text()));
    QString reply;
    if (!Post(QStringLiteral("getTmvInfo"), lines, reply))
        return false;
    const ReplyRecord record = ParseKeyValueText(reply);
    if (!ReplyTestC(record))
        return false;
    projectSeq = ReplyValue(record, QStringLiteral("TMV_SEQ"));
    return StartTest();
}
