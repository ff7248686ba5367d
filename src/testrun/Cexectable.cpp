#include "Cexectable.h"

#include "Csch.h"
#include "Cstim.h"
#include "Messages.h"
#include "SelectionText.h"
#include "ServiceClient.h"
#include "ServiceForm.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {

// After the "answer time over" report the answerers get this long before the run goes on.
constexpr long long AnswerTimeOverPauseMs = 1000;

QString Number(int n) {
    return QString::number(n);
}

} // namespace

// The settings and client of the run in progress; owned by the sequencer thread.
struct CExecTable::RunReports {
    ExecReportSettings settings;
    std::shared_ptr<tamvik::ServiceClient> client;
};

// What one start hands to the thread.
struct CExecTable::Run {
    CStimuli* stimuli = nullptr;
    CSchedule* schedule = nullptr;
    std::vector<uint8_t> mask;
};

CExecTable::CExecTable() {
    // Every member is set before the thread begins.
    m_thread = std::thread([this] { Execute(); });
}

CExecTable::~CExecTable() {
    {
        std::lock_guard guard(m_lock);
        m_terminated = true;
        m_terminatedAt = Clock::now();
    }
    wakeEvent.Set();
    if (m_thread.joinable())
        m_thread.join();
}

// ---- starts and control operations (any thread) ----

bool CExecTable::StartStimuli(CStimuli* list, const QString& selection) {
    return Start(list, nullptr, selection, nullptr);
}

bool CExecTable::StartSchedule(CSchedule* schedule, const QString& selection) {
    return Start(nullptr, schedule, selection, nullptr);
}

bool CExecTable::StartSchedule(CSchedule* schedule, const QString& selection,
                               const ExecReportSettings& reports) {
    return Start(nullptr, schedule, selection, &reports);
}

bool CExecTable::Start(CStimuli* list, CSchedule* schedule, const QString& selection,
                       const ExecReportSettings* reports) {
    if (!list && !schedule)
        return false;
    {
        std::lock_guard guard(m_lock);
        // A start taken but not yet begun still shows state 0; it must not be replaced.
        if (m_state != ExecIdle || m_stimuliRequest || m_scheduleRequest || m_terminated)
            return false;
        const int count = list ? list->GetCount() : schedule->GetTrialCount();
        if (!BuildSelectionMask(selection, count, m_selectionMask))
            return false;
        m_stimuliRequest = list;
        m_scheduleRequest = schedule;
        m_pendingReports.reset();
        if (reports)
            m_pendingReports = *reports;
    }
    wakeEvent.Set();
    return true;
}

bool CExecTable::Proceed() {
    {
        std::lock_guard guard(m_lock);
        switch (m_state) {
        case ExecListStimulus:
            if (m_controlRequest == ExecRequestNone)
                PostStateLocked(ExecListProceed, 0, 0);
            break;
        case ExecListHalt:
            PostStateLocked(ExecListProceed, 0, 0);
            break;
        case ExecTrialStimulus:
            if (m_controlRequest == ExecRequestNone)
                PostStateLocked(ExecScheduleProceed, 0, 0);
            break;
        case ExecOperatorWait:
        case ExecRepetitionWait:
        case ExecAfterTrialWait:
            PostStateLocked(ExecScheduleProceed, 0, 0);
            break;
        default:
            return false;
        }
        m_proceedToken = true;
    }
    wakeEvent.Set();
    return true;
}

bool CExecTable::Pause() {
    {
        std::lock_guard guard(m_lock);
        switch (m_state) {
        case ExecIdle:
        case ExecListEnded:
        case ExecFeedbackWait:
        case ExecScheduleEnded:
            return false;
        case ExecListPaused:
        case ExecTrialPaused:
            break; // already paused
        default:
            // A pause never overrides a stop already asked for.
            if (m_controlRequest != ExecRequestStop)
                m_controlRequest = ExecRequestPause;
            break;
        }
    }
    wakeEvent.Set();
    return true;
}

bool CExecTable::Resume() {
    {
        std::lock_guard guard(m_lock);
        if (m_state == ExecListPaused)
            PostStateLocked(ExecListResumed, 0, 0);
        else if (m_state == ExecTrialPaused)
            PostStateLocked(ExecTrialResumed, 0, 0);
        else
            return false;
    }
    wakeEvent.Set();
    return true;
}

bool CExecTable::Stop() {
    {
        std::lock_guard guard(m_lock);
        if (m_state == ExecIdle || m_state == ExecListEnded || m_state == ExecScheduleEnded)
            return false;
        m_controlRequest = ExecRequestStop;
    }
    wakeEvent.Set();
    return true;
}

bool CExecTable::SetSelection(const QString& text, int count) {
    std::lock_guard guard(m_lock);
    return BuildSelectionMask(text, count, m_selectionMask);
}

// ---- posting and waiting ----

void CExecTable::PostStateLocked(int state, int a, int b) {
    m_state = state;
    // A Proceed belongs to the state it was given in.
    m_proceedToken = false;
    if (m_notifyWindow != 0)
        PostMessage(m_notifyWindow, WM_EXECTABLE, state, ExecTableLParam(a, b));
}

void CExecTable::PostState(int state, int a, int b) {
    std::lock_guard guard(m_lock);
    PostStateLocked(state, a, b);
}

bool CExecTable::WaitUntil(const std::function<bool()>& done, const Clock::time_point* deadline) {
    for (;;) {
        {
            std::lock_guard guard(m_lock);
            if (done())
                return true;
        }
        if (!deadline) {
            wakeEvent.Wait();
            continue;
        }
        const auto now = Clock::now();
        if (now >= *deadline)
            return false;
        // Rounded up, so that the wait never ends before its deadline.
        wakeEvent.WaitFor(std::chrono::ceil<std::chrono::milliseconds>(*deadline - now));
    }
}

void CExecTable::WaitForOperator() {
    WaitUntil(
        [this] {
            if (m_proceedToken) {
                m_proceedToken = false;
                return true;
            }
            return m_terminated || m_controlRequest == ExecRequestPause ||
                   m_controlRequest == ExecRequestStop;
        },
        nullptr);
}

void CExecTable::WaitWhilePaused(int resumedState) {
    WaitUntil(
        [this, resumedState] {
            return m_terminated || m_state == resumedState || m_controlRequest == ExecRequestStop;
        },
        nullptr);
}

void CExecTable::WaitSeconds(double seconds) {
    const double ms = std::trunc(seconds * 1000.0 + 0.5);
    // About 24 days at most; a NaN or negative wait is no wait.
    const double limit = static_cast<double>(std::numeric_limits<int32_t>::max());
    WaitMilliseconds(ms > 0.0 ? static_cast<long long>(std::min(ms, limit)) : 0);
}

void CExecTable::WaitMilliseconds(long long ms) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    WaitUntil(
        [this] {
            return m_terminated || m_controlRequest == ExecRequestPause ||
                   m_controlRequest == ExecRequestStop;
        },
        &deadline);
}

void CExecTable::SetControlRequest(int request) {
    std::lock_guard guard(m_lock);
    m_controlRequest = request;
}

void CExecTable::ClearControlRequest(int request) {
    std::lock_guard guard(m_lock);
    if (m_controlRequest == request)
        m_controlRequest = ExecRequestNone;
}

// ---- the thread ----

void CExecTable::Execute() {
    for (;;) {
        if (Read(m_terminated))
            return;
        PostState(ExecIdle, 0, 0);
        WaitUntil([this] { return m_terminated || m_stimuliRequest || m_scheduleRequest; }, nullptr);

        Run run;
        {
            std::lock_guard guard(m_lock);
            if (m_terminated)
                return;
            run.stimuli = m_stimuliRequest;
            run.schedule = run.stimuli ? nullptr : m_scheduleRequest;
            run.mask = m_selectionMask;
            // A request left from an earlier run must not act on this one.
            m_controlRequest = ExecRequestNone;
            m_reports.reset();
            if (run.schedule && m_pendingReports && !m_pendingReports->testRunSeq.isEmpty()) {
                m_reports = std::make_unique<RunReports>();
                m_reports->settings = std::move(*m_pendingReports);
            }
            m_pendingReports.reset();
        }
        if (run.stimuli)
            RunStimuli(run);
        else if (run.schedule)
            RunSchedule(run);
        m_reports.reset();
        std::lock_guard guard(m_lock);
        m_stimuliRequest = nullptr;
        m_scheduleRequest = nullptr;
    }
}

void CExecTable::RunStimuli(const Run& run) {
    int last = -1;
    for (int i = 0; i < static_cast<int>(run.mask.size()); ++i)
        if (run.mask[i])
            last = i;
    PostState(ExecListBegin, 0, 0);
    int i = 0;
    while (i <= last && !Read(m_terminated)) {
        if (!run.mask[i]) {
            ++i;
            continue;
        }
        PostState(ExecListStimulus, i + 1, 0);
        WaitForOperator();
        if (controlRequest() == ExecRequestNone && pauseEachStimulus() && i < last) {
            PostState(ExecListHalt, i + 1, 0);
            WaitForOperator();
            if (Read(m_terminated))
                break;
        }
        if (controlRequest() == ExecRequestPause) {
            PostState(ExecListPaused, i + 1, 0);
            WaitWhilePaused(ExecListResumed);
            if (state() == ExecListResumed)
                ClearControlRequest(ExecRequestPause);
            // Not advanced: a resumed play presents the same stimulus again.
        } else {
            ++i;
        }
        if (controlRequest() == ExecRequestStop) {
            SetControlRequest(ExecRequestNone);
            break;
        }
    }
    PostState(ExecListEnded, 0, 0);
}

void CExecTable::RunSchedule(const Run& run) {
    PostState(ExecScheduleBegin, 0, 0);
    RunTrials(run);
    // The end of every run is reported, also after a Stop.
    ReportEnd(Number(9));
    PostState(ExecScheduleEnded, 0, 0);
}

void CExecTable::RunTrials(const Run& run) {
    CSchedule& schedule = *run.schedule;
    int i = 0;
    while (i < schedule.GetTrialCount() && !Read(m_terminated)) {
        if (i >= static_cast<int>(run.mask.size()) || !run.mask[i]) {
            ++i;
            continue;
        }
        const int n = i + 1;
        const CTrial& trial = schedule.trials[i];

        ReportTrialStart(Number(n));
        PostState(ExecTrialBegin, n, 0);

        TrialWait(n, 0, trial.startWait, StartWait, false);
        if (Read(m_terminated))
            return;

        // Repetitions.
        bool repeatsCancelled = false;
        for (int rep = 0; (trial.repeatCount == -1 || rep < trial.repeatCount) &&
                          controlRequest() == ExecRequestNone && !repeatsCancelled;
             ++rep) {
            const int positions = schedule.GetStimulusCount();
            for (int j = 0; j < positions && !Read(m_terminated); ++j) {
                const int k = j + 1;
                ReportStatus(Number(2), Number(n), Number(2), Number(k));
                PostState(ExecTrialStimulus, n, k);
                WaitForOperator();
                if (Read(m_terminated) || k == positions)
                    break; // no interval follows the last stimulus
                const double interval =
                    j < static_cast<int>(trial.intervals.size()) ? trial.intervals[j] : 1.0;
                TrialWait(n, k, interval, IntervalWait, false);
                if (Read(m_terminated) || controlRequest() != ExecRequestNone)
                    break;
            }
            if (Read(m_terminated))
                return;

            // Response wait; every repetition of an endless trial counts as its last.
            TrialWait(n, positions, trial.responseWait, ResponseWait, rep >= trial.repeatCount - 1);
            if (Read(m_terminated))
                return;

            if (cancelRepeat()) {
                repeatsCancelled = true;
                continue;
            }
            const bool anotherFollows = trial.repeatCount == -1 || rep < trial.repeatCount - 1;
            if (checkRepetition() && controlRequest() == ExecRequestNone && anotherFollows) {
                PostState(ExecRepetitionWait, n, 0);
                WaitForOperator();
                if (Read(m_terminated))
                    return;
                if (cancelRepeat())
                    repeatsCancelled = true;
            }
        }

        // After the trial.
        if (waitResponses() && controlRequest() == ExecRequestNone) {
            PostState(ExecAfterTrialWait, n, 0);
            WaitForOperator();
            if (Read(m_terminated))
                return;
        }
        if (controlRequest() == ExecRequestStop) {
            SetControlRequest(ExecRequestNone);
            return;
        }
        if (controlRequest() == ExecRequestPause) {
            PostState(ExecTrialPaused, n, 0);
            ReportStatus(Number(2), Number(n), Number(3), Number(0));
            WaitWhilePaused(ExecTrialResumed);
            if (controlRequest() == ExecRequestStop) {
                SetControlRequest(ExecRequestNone);
                return;
            }
            if (state() == ExecTrialResumed)
                ClearControlRequest(ExecRequestPause);
            continue; // the paused trial runs again from its start
        }
        if (feedbackSeconds() > 0.0) {
            PostState(ExecFeedbackWait, n, 0);
            WaitSeconds(feedbackSeconds());
            if (controlRequest() == ExecRequestStop) {
                SetControlRequest(ExecRequestNone);
                return;
            }
        }
        PostState(ExecTrialEnd, n, 0);
        ++i;
    }
}

void CExecTable::TrialWait(int n, int b, double seconds, TrialWaitKind kind, bool lastRepetition) {
    const bool answerTimeOver = kind == ResponseWait && lastRepetition;
    if (controlRequest() == ExecRequestNone && seconds > -1) {
        PostState(ExecTimedWait, n, b);
        WaitSeconds(seconds);
        // A Stop that ended the wait still lets the answerers hear that their time is over.
        if (answerTimeOver && controlRequest() != ExecRequestPause && !Read(m_terminated)) {
            ReportStatus(Number(2), Number(n), Number(9), Number(0));
            AnswerTimeOverPause();
        }
        return;
    }
    if (controlRequest() == ExecRequestNone)
        SetControlRequest(ExecRequestOperator);
    if (controlRequest() != ExecRequestOperator)
        return;
    PostState(ExecOperatorWait, n, b);
    if (kind != StartWait)
        ReportStatus(Number(2), Number(n), Number(4), Number(0));
    WaitForOperator();
    if (answerTimeOver && !Read(m_terminated)) {
        ReportStatus(Number(2), Number(n), Number(9), Number(0));
        AnswerTimeOverPause();
    }
    if (state() == ExecScheduleProceed)
        ClearControlRequest(ExecRequestOperator);
}

void CExecTable::AnswerTimeOverPause() {
    const int standing = controlRequest();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(AnswerTimeOverPauseMs);
    WaitUntil(
        [this, standing] {
            return m_terminated || (m_controlRequest != standing && (m_controlRequest == ExecRequestPause ||
                                                                     m_controlRequest == ExecRequestStop));
        },
        &deadline);
}

// ---- reports ----

bool CExecTable::ReportTrialStart(const QString& questionNumber) {
    // Never cut short by a pause: the service must hear of every trial that began, also
    // of one that pauses at once.
    return SendStatus(Number(2), questionNumber, Number(2), Number(1), AbandonOnStop);
}

bool CExecTable::ReportStatus(const QString& runStatus, const QString& questionNumber,
                              const QString& questionStatus, const QString& roundNumber) {
    // A presentation that a pause will repeat need not hold the pause up.
    return SendStatus(runStatus, questionNumber, questionStatus, roundNumber,
                      questionStatus == Number(2) ? AbandonOnStopOrPause : AbandonOnStop);
}

bool CExecTable::SendStatus(const QString& runStatus, const QString& questionNumber,
                            const QString& questionStatus, const QString& roundNumber, ReportAbandon when) {
    if (!m_reports)
        return false;
    const ExecReportSettings& s = m_reports->settings;
    return SendReport(QStringLiteral("enforcementTest"),
                      {FormLine(QStringLiteral("USER_ID"), s.userId),
                       FormLine(QStringLiteral("USER_PWD"), s.userPassword),
                       FormLine(QStringLiteral("TEST_RUN_SEQ"), s.testRunSeq),
                       FormLine(QStringLiteral("TEST_RUN_STATUS"), runStatus),
                       FormLine(QStringLiteral("QUESTION_NUM"), questionNumber),
                       FormLine(QStringLiteral("QUESTION_STATUS"), questionStatus),
                       FormLine(QStringLiteral("RUN_ROUND_NUM"), roundNumber)},
                      when);
}

bool CExecTable::ReportEnd(const QString& runStatus) {
    if (!m_reports)
        return false;
    const ExecReportSettings& s = m_reports->settings;
    return SendReport(QStringLiteral("endTest"),
                      {FormLine(QStringLiteral("USER_ID"), s.userId),
                       FormLine(QStringLiteral("USER_PWD"), s.userPassword),
                       FormLine(QStringLiteral("TEST_RUN_SEQ"), s.testRunSeq),
                       FormLine(QStringLiteral("TEST_RUN_STATUS"), runStatus)},
                      AbandonNever);
}

bool CExecTable::SendReport(const QString& operation, const QStringList& lines, ReportAbandon when) {
    // Every report ends at its time-out, and earlier when the run no longer needs it, so
    // that Stop, Pause and termination never wait on a hung service. A report is always
    // sent, whatever was requested before it began (the service hears of a trial that
    // starts with a pause pending, and of the answer time over after a Stop); the end
    // report goes out even when the sequencer is destroyed, within a short bound.
    int standing = ExecRequestNone;
    {
        std::lock_guard guard(m_lock);
        if (m_terminated && when != AbandonNever)
            return false;
        standing = m_controlRequest;
    }
    RunReports& r = *m_reports;
    auto abandon = [this, when, standing, exitMs = r.settings.exitReportTimeoutMs] {
        std::lock_guard guard(m_lock);
        if (when == AbandonNever)
            return m_terminated && Clock::now() - m_terminatedAt >= std::chrono::milliseconds(exitMs);
        if (m_terminated)
            return true;
        if (m_controlRequest == standing)
            return false;
        return m_controlRequest == ExecRequestStop ||
               (when == AbandonOnStopOrPause && m_controlRequest == ExecRequestPause);
    };
    if (!r.client) {
        r.client = r.settings.webClient;
        if (!r.client) {
            r.client = std::make_shared<tamvik::ServiceClient>();
            r.client->SetProxy(r.settings.proxyHost, r.settings.proxyPort);
        }
        r.client->SetConnectTimeout(r.settings.connectTimeoutMs);
        r.client->SetReadTimeout(r.settings.totalTimeoutMs);
        r.client->SetTotalTimeout(r.settings.totalTimeoutMs);
    }
    r.client->SetAbortCheck(abandon);
    QString reply; // not read
    const tamvik::ServiceResult result =
        PostServiceForm(*r.client, r.settings.serviceUrl + operation, lines, reply);
    r.client->SetAbortCheck({});
    return result.ok();
}
