#include "SimulatedSubjects.h"

#include "DateTime.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fake {

namespace {

const char* const kOk = "API_RESULT=0,API_MESSAGE=";

int Number(const std::string& text) {
    return std::atoi(text.c_str());
}

} // namespace

SimulatedSubjects::SimulatedSubjects(FakeService& service, int count, StyleOf styleOf, Keep keep,
                                     Timing timing)
    : m_styleOf(std::move(styleOf)), m_keep(std::move(keep)), m_timing(timing), m_count(std::max(count, 0)) {
    const auto bind = [this, &service](const char* operation,
                                       FakeReply (SimulatedSubjects::*handler)(const FakeRequest&)) {
        service.SetHandler(operation, [this, handler](const FakeRequest& r) { return (this->*handler)(r); });
    };
    bind("startTest", &SimulatedSubjects::StartTest);
    bind("prepareTest", &SimulatedSubjects::PrepareTest);
    bind("enforcementTest", &SimulatedSubjects::EnforcementTest);
    bind("returnTestResult", &SimulatedSubjects::ReturnTestResult);
    bind("endTest", &SimulatedSubjects::EndTest);
    bind("saveTestResult", &SimulatedSubjects::SaveTestResult);
}

void SimulatedSubjects::AddSubject() {
    std::lock_guard lock(m_mutex);
    const int subject = ++m_count;
    for (Run& run : m_runs)
        if (!run.closed)
            run.joins[subject] = Clock::now() + m_timing.join;
}

int SimulatedSubjects::Count() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

std::string SimulatedSubjects::Name(int subject) {
    char name[16];
    std::snprintf(name, sizeof name, "S%02d", subject % 100000);
    return name;
}

SimulatedSubjects::Run* SimulatedSubjects::FindRun(const FakeRequest& request) {
    const int seq = Number(request.Field("TEST_RUN_SEQ"));
    const auto it = std::find_if(m_runs.begin(), m_runs.end(), [seq](const Run& r) { return r.seq == seq; });
    return it == m_runs.end() ? nullptr : &*it;
}

FakeReply SimulatedSubjects::StartTest(const FakeRequest& request) {
    Run run;
    run.user = request.Field("USER_ID");
    run.projectSeq = Number(request.Field("PROJECT_SEQ"));
    run.trials = ParseRunTrials(request.Field("TEST_RUN_LIST"), request.Field("TEST_RUN_STIM_LIST"));
    // Read before the lock: the library may open the project for it.
    run.style = m_styleOf ? m_styleOf(run.projectSeq) : AnswerStyle{};
    std::lock_guard lock(m_mutex);
    run.seq = m_nextSeq++;
    const Clock::time_point now = Clock::now();
    for (int subject = 1; subject <= m_count; ++subject)
        run.joins[subject] = now + m_timing.join * subject;
    m_runs.push_back(std::move(run));
    return FakeReply::Text(std::string(kOk) + ",EXEC_SEQ=" + std::to_string(m_runs.back().seq));
}

FakeReply SimulatedSubjects::PrepareTest(const FakeRequest& request) {
    std::lock_guard lock(m_mutex);
    if (Run* run = FindRun(request))
        run->pending = ParseQuestionList(request.Field("QUESTION_LIST"));
    return FakeReply::Text(kOk);
}

FakeReply SimulatedSubjects::EnforcementTest(const FakeRequest& request) {
    std::lock_guard lock(m_mutex);
    Run* run = FindRun(request);
    if (!run || run->closed || request.Field("QUESTION_STATUS") != "2")
        return FakeReply::Text(kOk);
    // The first report of a trial of the pass: every subject present answers it.
    const int number = Number(request.Field("QUESTION_NUM"));
    const auto pending = std::find(run->pending.begin(), run->pending.end(), number);
    const auto trial = std::find_if(run->trials.begin(), run->trials.end(),
                                    [number](const RunTrial& t) { return t.number == number; });
    if (pending == run->pending.end() || trial == run->trials.end())
        return FakeReply::Text(kOk);
    run->pending.erase(pending);
    const Clock::time_point now = Clock::now();
    for (const auto& [subject, joined] : run->joins)
        if (joined <= now)
            run->answers[subject][number] = {SubjectAnswer(run->style, subject, *trial),
                                             now + m_timing.answer * subject};
    return FakeReply::Text(kOk);
}

FakeReply SimulatedSubjects::ReturnTestResult(const FakeRequest& request) {
    std::lock_guard lock(m_mutex);
    const Run* run = FindRun(request);
    if (!run)
        return FakeReply::Text("");
    const Clock::time_point now = Clock::now();
    std::string body;
    for (const auto& [subject, joined] : run->joins) {
        if (joined > now)
            continue;
        const std::string prefix = std::string(kOk) + ",ANSWERER_ID=" + Name(subject);
        bool answered = false;
        if (const auto answers = run->answers.find(subject); answers != run->answers.end()) {
            for (const auto& [number, answer] : answers->second) {
                if (answer.at > now)
                    continue;
                body += prefix + ",QUESTION_NUM=" + std::to_string(number) + ",ANSWER=" + answer.text + "\n";
                answered = true;
            }
        }
        // A subject without answers yet is still there.
        if (!answered)
            body += prefix + ",QUESTION_NUM=0,ANSWER=\n";
    }
    return FakeReply::Text(body);
}

FakeReply SimulatedSubjects::EndTest(const FakeRequest& request) {
    std::lock_guard lock(m_mutex);
    if (Run* run = FindRun(request)) {
        run->pending.clear();
        // The window closed: its subjects leave; what they answered stays for a save.
        if (request.Field("TEST_RUN_STATUS") == "10")
            run->closed = true;
    }
    return FakeReply::Text(kOk);
}

FakeReply SimulatedSubjects::SaveTestResult(const FakeRequest& request) {
    SavedRun saved;
    {
        std::lock_guard lock(m_mutex);
        // The request names no run: it is the operator's latest run that holds answers.
        const std::string user = request.Field("USER_ID");
        const Clock::time_point now = Clock::now();
        const Run* chosen = nullptr;
        for (auto it = m_runs.rbegin(); it != m_runs.rend() && !chosen; ++it) {
            if (it->user != user)
                continue;
            for (const auto& [subject, answers] : it->answers)
                for (const auto& [number, answer] : answers)
                    if (answer.at <= now)
                        chosen = &*it;
        }
        if (!chosen)
            return FakeReply::Text("API_RESULT=1,API_MESSAGE=E00001");
        saved.runSeq = chosen->seq;
        saved.projectSeq = chosen->projectSeq;
        saved.trials = chosen->trials;
        std::vector<std::pair<Clock::time_point, int>> order;
        for (const auto& [subject, joined] : chosen->joins)
            if (joined <= now)
                order.emplace_back(joined, subject);
        std::sort(order.begin(), order.end());
        for (const auto& [joined, subject] : order) {
            SubjectAnswers answers{Name(subject), {}};
            if (const auto given = chosen->answers.find(subject); given != chosen->answers.end())
                for (const auto& [number, answer] : given->second)
                    if (answer.at <= now)
                        answers.byTrial[number] = answer.text;
            saved.subjects.push_back(std::move(answers));
        }
    }
    saved.date = tamvik::NowDays();
    if (m_keep)
        m_keep(std::move(saved));
    return FakeReply::Text(kOk);
}

} // namespace fake
