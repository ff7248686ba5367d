#pragma once

#include "AutoResetEvent.h"
#include "Post.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CSchedule;
class CStimuli;

namespace tamvik {
class ServiceClient;
}

// The sequencer's state, posted as wParam of WM_EXECTABLE. 1 to 7 belong to a list play,
// 8 to 20 to a schedule run.
enum ExecTableState : int32_t {
    ExecIdle = 0,
    ExecListBegin = 1,
    ExecListStimulus = 2, // a: stimulus number; the window plays it, then Proceed
    ExecListHalt = 3,     // a: stimulus number; halted until Proceed
    ExecListProceed = 4,  // posted by Proceed
    ExecListPaused = 5,   // a: stimulus number
    ExecListResumed = 6,  // posted by Resume; the same stimulus again
    ExecListEnded = 7,
    ExecScheduleBegin = 8,
    ExecTrialStimulus = 9,    // a: trial, b: position; the window plays it, then Proceed
    ExecTimedWait = 10,       // a: trial, b: 0 start wait, k after position k, count response wait
    ExecOperatorWait = 11,    // as 10, until Proceed
    ExecScheduleProceed = 12, // posted by Proceed
    ExecTrialPaused = 13,
    ExecTrialResumed = 14, // posted by Resume; the same trial again from its start
    ExecRepetitionWait = 15,
    ExecAfterTrialWait = 16,
    ExecFeedbackWait = 17,
    ExecTrialBegin = 18,
    ExecTrialEnd = 19,
    ExecScheduleEnded = 20,
};

// The request pending with the running play or run.
enum ExecControlRequest : int32_t {
    ExecRequestNone = 0,
    ExecRequestOperator = 1, // the wait at hand is open-ended
    ExecRequestPause = 2,
    ExecRequestStop = 3,
};

// lParam of WM_EXECTABLE: a in the low word, b in the high word.
constexpr intptr_t ExecTableLParam(int a, int b) {
    return static_cast<intptr_t>((static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(a) & 0xFFFFu));
}
constexpr int ExecTableA(intptr_t lParam) {
    return static_cast<int>(lParam & 0xFFFF);
}
constexpr int ExecTableB(intptr_t lParam) {
    return static_cast<int>((lParam >> 16) & 0xFFFF);
}

// Where the reports of one schedule run go. The run takes its own copy when it starts, so
// a run never reports with settings that a window changed meanwhile, and a run started
// without them reports nothing.
struct ExecReportSettings {
    QString userId;
    QString userPassword;
    QString testRunSeq; // empty: nothing is sent
    QString serviceUrl; // base address ending "W0001/"
    // The client the reports go through, proxy set. The run shares it, so a window that
    // closes meanwhile never frees it under the run, and is its only user until the run
    // ends. Null: the run makes a client of its own with the proxy below.
    std::shared_ptr<tamvik::ServiceClient> webClient;
    QString proxyHost; // empty: no proxy
    int proxyPort = 0;
    // A report never holds the run longer than this; Stop and termination cut it short.
    int connectTimeoutMs = 5000;
    int totalTimeoutMs = 15000;
    // When the sequencer is destroyed during a run, its end report gets this much longer.
    int exitReportTimeoutMs = 2000;
};

// The sequencer: a thread of its own that walks a stimulus list or the trials of a schedule
// and posts each step as WM_EXECTABLE to notifyWindow, keeping the timed waits itself and
// waiting for the window or the operator elsewhere. It plays no sound. During a test run it
// reports each trial and presentation to the answer service.
//
// The main window owns the one instance. All public operations may be called from any
// thread; members shared with the sequencer thread are guarded by one mutex. The list or
// schedule of a run is read without a lock and must stay unchanged until the state is
// back at 0.
class CExecTable {
public:
    CExecTable();
    // Ends the thread: every wait and report in progress is abandoned.
    ~CExecTable();
    CExecTable(const CExecTable&) = delete;
    CExecTable& operator=(const CExecTable&) = delete;

    // Start a list play or a schedule run of the selected numbers; refused (false) unless
    // the sequencer is idle with nothing pending.
    bool StartStimuli(CStimuli* list, const QString& selection);
    bool StartSchedule(CSchedule* schedule, const QString& selection);
    // A schedule run that reports to the answer service (a test run).
    bool StartSchedule(CSchedule* schedule, const QString& selection, const ExecReportSettings& reports);

    bool Proceed();
    bool Pause();
    bool Resume();
    bool Stop();

    // Builds the selection mask for numbers 1..count from a text such as "1,3,5-7"; an
    // empty text selects all. False (mask empty) when the mask cannot be made.
    bool SetSelection(const QString& text, int count);
    std::vector<uint8_t> selectionMask() const { return Read(m_selectionMask); }

    int state() const { return Read(m_state); }
    int controlRequest() const { return Read(m_controlRequest); }
    CSchedule* scheduleRequest() const { return Read(m_scheduleRequest); }
    CStimuli* stimuliRequest() const { return Read(m_stimuliRequest); }

    WindowHandle notifyWindow() const { return Read(m_notifyWindow); }
    void setNotifyWindow(WindowHandle window) { Write(m_notifyWindow, window); }

    // Options, read by the thread at the points where they apply.
    bool pauseEachStimulus() const { return Read(m_pauseEachStimulus); }
    void setPauseEachStimulus(bool on) { Write(m_pauseEachStimulus, on); }
    bool cancelRepeat() const { return Read(m_cancelRepeat); }
    void setCancelRepeat(bool on) { Write(m_cancelRepeat, on); }
    bool checkRepetition() const { return Read(m_checkRepetition); }
    void setCheckRepetition(bool on) { Write(m_checkRepetition, on); }
    bool waitResponses() const { return Read(m_waitResponses); }
    void setWaitResponses(bool on) { Write(m_waitResponses, on); }
    double feedbackSeconds() const { return Read(m_feedbackSeconds); }
    void setFeedbackSeconds(double seconds) { Write(m_feedbackSeconds, seconds); }

private:
    using Clock = std::chrono::steady_clock;
    struct Run;

    template <class T> T Read(const T& member) const {
        std::lock_guard guard(m_lock);
        return member;
    }
    template <class T> void Write(T& member, const T& value) {
        std::lock_guard guard(m_lock);
        member = value;
    }

    bool Start(CStimuli* list, CSchedule* schedule, const QString& selection,
               const ExecReportSettings* reports);
    void Execute();
    void RunStimuli(const Run& run);
    void RunSchedule(const Run& run);
    // The trials of a run; returns when the run is to end.
    void RunTrials(const Run& run);

    // One wait of trial n, posted with b: timed when seconds is above -1, else for the
    // operator. After the response wait of a trial's last repetition the answer time over
    // is reported.
    enum TrialWaitKind { StartWait, IntervalWait, ResponseWait };
    void TrialWait(int n, int b, double seconds, TrialWaitKind kind, bool lastRepetition);

    // Stores the state and posts it; the caller holds m_lock.
    void PostStateLocked(int state, int a, int b);
    void PostState(int state, int a, int b);

    // Each wait re-checks what it waits for after every wake-up of wakeEvent, so a signal
    // given for an earlier step never ends it; a signal given after the state was posted
    // but before the wait began is kept by the event and ends it.
    bool WaitUntil(const std::function<bool()>& done, const Clock::time_point* deadline);
    // Open-ended: Proceed, a pause or stop request, or termination.
    void WaitForOperator();
    // Paused: Resume (the given state), Stop, or termination.
    void WaitWhilePaused(int resumedState);
    // Timed: the deadline, a pause or stop request, or termination.
    void WaitSeconds(double seconds);
    void WaitMilliseconds(long long ms);

    void SetControlRequest(int request);
    // Clears the request when it still is `request` (a newer one stands).
    void ClearControlRequest(int request);

    // Reports of the running test run; results are for tests, the run ignores them.
    bool ReportTrialStart(const QString& questionNumber);
    bool ReportStatus(const QString& runStatus, const QString& questionNumber, const QString& questionStatus,
                      const QString& roundNumber);
    bool ReportEnd(const QString& runStatus);
    // Which requests cut a report short: only those that come while it is on its way, so a
    // request already pending when the report begins never keeps it from being sent.
    // Termination cuts every report but the end report, which it only bounds.
    enum ReportAbandon { AbandonOnStop, AbandonOnStopOrPause, AbandonNever };
    bool SendReport(const QString& operation, const QStringList& lines, ReportAbandon when);
    bool SendStatus(const QString& runStatus, const QString& questionNumber, const QString& questionStatus,
                    const QString& roundNumber, ReportAbandon when);
    // The pause after the answer time over report: ended by termination or by a request
    // that comes during it, not by one that was already pending.
    void AnswerTimeOverPause();

    mutable std::mutex m_lock;
    AutoResetEvent wakeEvent;
    CStimuli* m_stimuliRequest = nullptr;
    CSchedule* m_scheduleRequest = nullptr;
    std::vector<uint8_t> m_selectionMask;
    std::optional<ExecReportSettings> m_pendingReports; // of the start not yet begun
    WindowHandle m_notifyWindow = 0;
    int m_state = ExecIdle;
    int m_controlRequest = ExecRequestNone;
    // Set by an accepted Proceed, cleared by the next posted state: the wait it was meant
    // for ends even when Proceed came before the thread reached that wait.
    bool m_proceedToken = false;
    bool m_terminated = false;
    Clock::time_point m_terminatedAt;
    bool m_pauseEachStimulus = false;
    bool m_cancelRepeat = false;
    bool m_checkRepetition = false;
    bool m_waitResponses = false;
    double m_feedbackSeconds = 0.0;

    // Used by the sequencer thread only: the reports of the run in progress.
    struct RunReports;
    std::unique_ptr<RunReports> m_reports;

    std::thread m_thread;
};
