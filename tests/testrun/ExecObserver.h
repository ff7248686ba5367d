#pragma once

// Test helpers of the sequencer: a real receiver of the message facility that records
// every WM_EXECTABLE with its arrival time, and a driver thread that answers the posts as
// a window would (Proceed when a stimulus has "played", and so on).

#include "Cexectable.h"
#include "Csch.h"
#include "MessageRecorder.h"
#include "Messages.h"
#include "Post.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct ExecPost {
    int state = -1;
    int a = 0;
    int b = 0;
    SteadyClock::time_point at;
};

// The sequencer's posts, recorded on the posting thread, decoded.
class ExecObserver {
public:
    ExecObserver() : m_recorder(WM_EXECTABLE) {}

    WindowHandle Handle() const { return m_recorder.Handle(); }

    // The next post not yet taken; state -1 when none came in time.
    ExecPost Next(std::chrono::milliseconds timeout = 10s) {
        const std::optional<MessageRecorder::Message> m = m_recorder.Next(timeout);
        return m ? Decode(*m) : ExecPost{};
    }

    // Takes posts until one with the state arrives; false when it does not come in time.
    bool SkipTo(int state, std::chrono::milliseconds timeout = 10s) {
        const auto until = SteadyClock::now() + timeout;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - SteadyClock::now());
            if (left.count() <= 0)
                return false;
            if (Next(left).state == state)
                return true;
        }
    }

    // Waits until `count` posts have been recorded since construction.
    bool WaitForCount(size_t count, std::chrono::milliseconds timeout = 10s) {
        return m_recorder.WaitForCount(count, timeout);
    }

    std::vector<ExecPost> All() const {
        std::vector<ExecPost> all;
        for (const MessageRecorder::Message& m : m_recorder.Snapshot())
            all.push_back(Decode(m));
        return all;
    }

    std::vector<int> States() const {
        std::vector<int> states;
        for (const ExecPost& p : All())
            states.push_back(p.state);
        return states;
    }

private:
    static ExecPost Decode(const MessageRecorder::Message& m) {
        return {static_cast<int>(m.wParam), ExecTableA(m.lParam), ExecTableB(m.lParam), m.at};
    }

    MessageRecorder m_recorder;
};

// The states of the last run the observer saw, from its begin state (1 or 8) up to and
// including its end state (7 or 20): the idle states around it depend on timing.
inline std::vector<int> StatesOfRun(const ExecObserver& observer) {
    const std::vector<int> all = observer.States();
    std::vector<int> run;
    for (int state : all) {
        if (state == ExecListBegin || state == ExecScheduleBegin)
            run.clear();
        run.push_back(state);
    }
    while (!run.empty() && run.back() != ExecListEnded && run.back() != ExecScheduleEnded)
        run.pop_back();
    return run;
}

// Plays the window: takes every post from the observer and hands it to `react` on a thread
// of its own, until a post with `endState` (7 or 20) has been handled or it is destroyed.
class ExecDriver {
public:
    using React = std::function<void(const ExecPost&)>;
    ExecDriver(ExecObserver& observer, int endState, React react)
        : m_thread([this, &observer, endState, react = std::move(react)] {
              for (;;) {
                  const ExecPost post = observer.Next(100ms);
                  if (m_stop)
                      return;
                  if (post.state < 0)
                      continue;
                  react(post);
                  if (post.state == endState) {
                      m_ended = true;
                      return;
                  }
              }
          }) {}
    ~ExecDriver() {
        m_stop = true;
        m_thread.join();
    }
    ExecDriver(const ExecDriver&) = delete;
    ExecDriver& operator=(const ExecDriver&) = delete;

    // Waits for the driver to see its end state.
    bool Join(std::chrono::milliseconds timeout = 20s) {
        return tamvik_test::WaitUntil([this] { return m_ended.load(); }, timeout);
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
};

// Proceeds wherever a window would go on at once: after each stimulus (2, 9) and at each
// wait for the operator (3, 11, 15, 16).
inline ExecDriver::React ProceedOnEveryWait(CExecTable& exec) {
    return [&exec](const ExecPost& post) {
        switch (post.state) {
        case ExecListStimulus:
        case ExecListHalt:
        case ExecTrialStimulus:
        case ExecOperatorWait:
        case ExecRepetitionWait:
        case ExecAfterTrialWait:
            exec.Proceed();
            break;
        default:
            break;
        }
    };
}

// A trial built from its fields; intervals has one entry fewer than stimuli.
inline CTrial MakeTrial(int repeat, double startWait, std::vector<int> stimuli, std::vector<double> intervals,
                        double responseWait) {
    CTrial t;
    t.repeatCount = repeat;
    t.startWait = startWait;
    t.stimuli = std::move(stimuli);
    t.intervals = std::move(intervals);
    t.responseWait = responseWait;
    return t;
}

inline void SetTrials(CSchedule& schedule, int positions, std::vector<CTrial> trials) {
    schedule.stimulusCount = positions;
    schedule.trials = std::move(trials);
}
