#pragma once

#include "FakeService.h"
#include "RunRecord.h"

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace fake {

// Subjects who answer on the stand-in service: each joins every registered run a moment
// after its registration, and answers each trial of an announced pass (prepareTest) once
// the run reports the trial under way (enforcementTest), after a short delay of its own.
// The window sees them through returnTestResult; saveTestResult keeps the latest run of
// the operator with its answers and hands it to the library.
//
// Installs the handlers of startTest, prepareTest, enforcementTest, returnTestResult,
// endTest and saveTestResult on the service it is given, which must outlive it.
class SimulatedSubjects {
public:
    struct Timing {
        std::chrono::milliseconds join{300};   // first subject after the registration, then each
        std::chrono::milliseconds answer{150}; // first subject after the trial began, then each
    };
    // How the subjects answer the project a run registered with PROJECT_SEQ.
    using StyleOf = std::function<AnswerStyle(int projectSeq)>;
    // Receives each saved run.
    using Keep = std::function<void(SavedRun)>;

    SimulatedSubjects(FakeService& service, int count, StyleOf styleOf, Keep keep, Timing timing);
    SimulatedSubjects(const SimulatedSubjects&) = delete;
    SimulatedSubjects& operator=(const SimulatedSubjects&) = delete;

    // One subject more; it joins the open runs too. Safe from any thread.
    void AddSubject();
    int Count() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Answer {
        std::string text;
        Clock::time_point at;
    };
    struct Run {
        int seq = 0;
        std::string user;
        int projectSeq = 0;
        std::vector<RunTrial> trials;
        AnswerStyle style;
        bool closed = false;
        std::vector<int> pending;                     // trials of the announced pass not yet begun
        std::map<int, Clock::time_point> joins;       // subject (from 1) to the moment it joins
        std::map<int, std::map<int, Answer>> answers; // subject to trial to answer
    };

    FakeReply StartTest(const FakeRequest& request);
    FakeReply PrepareTest(const FakeRequest& request);
    FakeReply EnforcementTest(const FakeRequest& request);
    FakeReply ReturnTestResult(const FakeRequest& request);
    FakeReply EndTest(const FakeRequest& request);
    FakeReply SaveTestResult(const FakeRequest& request);
    Run* FindRun(const FakeRequest& request); // under the lock
    static std::string Name(int subject);

    const StyleOf m_styleOf;
    const Keep m_keep;
    const Timing m_timing;
    mutable std::mutex m_mutex;
    int m_count = 0;
    int m_nextSeq = 1;
    std::vector<Run> m_runs;
};

} // namespace fake
