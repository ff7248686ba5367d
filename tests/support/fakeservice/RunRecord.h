#pragma once

#include <map>
#include <string>
#include <vector>

// What the stand-in service knows of a test run: the trials its lists registered, and the
// answers its simulated subjects gave. Shared by the subjects, who answer, and the
// library, which hands saved runs back inside their project.
namespace fake {

// One trial as the run's TEST_RUN_LIST and TEST_RUN_STIM_LIST describe it.
struct RunTrial {
    int number = 0;
    int repeat = 1; // -1 endless
    double startWait = 0.0;
    double limit = 0.0;
    int correct = -1;
    std::vector<int> stimuli;      // stimulus numbers by position
    std::vector<double> intervals; // after each position but the last
};

// The trials of a startTest request, in trial order; lists the service cannot read give
// no trials.
std::vector<RunTrial> ParseRunTrials(const std::string& testRunList, const std::string& stimList);

// The trial numbers a prepareTest QUESTION_LIST names.
std::vector<int> ParseQuestionList(const std::string& questionList);

struct SubjectAnswers {
    std::string subject;                // the ANSWERER_ID, at most 8 characters
    std::map<int, std::string> byTrial; // trial number to answer
};

// A run whose results the operator saved.
struct SavedRun {
    int runSeq = 0;
    int projectSeq = 0;
    double date = 0.0; // days since 30 December 1899, local time
    std::vector<RunTrial> trials;
    std::vector<SubjectAnswers> subjects; // in the order they joined
};

// How a subject answers a project's trials.
struct AnswerStyle {
    int method = 0;    // 0 training, 1 SD, 2 paired comparison, 3 category, 4 ME
    int choices = 0;   // buttons or categories; 0 unknown
    int scales = 1;    // SD word pairs
    int divisions = 3; // SD steps on each side of the middle
};

// The answer subject (counted from 1) gives to trial: a button, a category, an ME value or
// one digit per SD scale. Training subjects answer the correct button except on every
// fourth trial, each subject on other trials, so totals show right and wrong answers.
std::string SubjectAnswer(const AnswerStyle& style, int subject, const RunTrial& trial);

} // namespace fake
