#include "RunRecord.h"

#include <algorithm>
#include <cstdlib>

namespace fake {

namespace {

using Fields = std::map<std::string, std::string>;

// Records end at ';', fields at ',', a field's name at its first '='.
std::vector<Fields> ParseRecords(const std::string& text) {
    std::vector<Fields> records;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        Fields fields;
        size_t at = start;
        while (at < end) {
            size_t comma = text.find(',', at);
            if (comma == std::string::npos || comma > end)
                comma = end;
            const std::string field = text.substr(at, comma - at);
            const size_t eq = field.find('=');
            if (eq != std::string::npos)
                fields[field.substr(0, eq)] = field.substr(eq + 1);
            at = comma + 1;
        }
        if (!fields.empty())
            records.push_back(std::move(fields));
        start = end + 1;
    }
    return records;
}

int Integer(const Fields& f, const char* key, int fallback) {
    const auto it = f.find(key);
    if (it == f.end() || it->second.empty())
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(it->second.c_str(), &end, 10);
    return *end == '\0' ? int(value) : fallback;
}

// A wait the lists carry as text; what is no number ("Pause") waits for the operator.
double Seconds(const Fields& f, const char* key) {
    const auto it = f.find(key);
    if (it == f.end() || it->second.empty())
        return -1.0;
    char* end = nullptr;
    const double value = std::strtod(it->second.c_str(), &end);
    return *end == '\0' ? value : -1.0;
}

} // namespace

std::vector<RunTrial> ParseRunTrials(const std::string& testRunList, const std::string& stimList) {
    std::vector<RunTrial> trials;
    for (const Fields& f : ParseRecords(testRunList)) {
        RunTrial t;
        t.number = Integer(f, "QUESTION_NUM", 0);
        if (t.number < 1)
            continue;
        const auto repeat = f.find("REPEAT_NUM");
        t.repeat = repeat != f.end() && repeat->second == "Infinity" ? -1 : Integer(f, "REPEAT_NUM", 1);
        t.startWait = Seconds(f, "START_WAIT_TIME");
        t.limit = Seconds(f, "LIMIT_TIME");
        t.correct = Integer(f, "CORRECT_QUES_ID", -1);
        trials.push_back(std::move(t));
    }
    std::sort(trials.begin(), trials.end(),
              [](const RunTrial& a, const RunTrial& b) { return a.number < b.number; });
    for (const Fields& f : ParseRecords(stimList)) {
        const int number = Integer(f, "QUESTION_NUM", 0);
        const int position = Integer(f, "SOUND_NUM", 0);
        const auto trial = std::find_if(trials.begin(), trials.end(),
                                        [number](const RunTrial& t) { return t.number == number; });
        if (trial == trials.end() || position < 1)
            continue;
        if (trial->stimuli.size() < size_t(position))
            trial->stimuli.resize(size_t(position), -1);
        trial->stimuli[size_t(position - 1)] = Integer(f, "STIMULUS_ID", -1);
        if (trial->intervals.size() < size_t(position))
            trial->intervals.resize(size_t(position), 0.0);
        trial->intervals[size_t(position - 1)] = Seconds(f, "STOP_TIME");
    }
    // The last position's STOP_TIME is no interval.
    for (RunTrial& t : trials)
        if (!t.intervals.empty())
            t.intervals.pop_back();
    return trials;
}

std::vector<int> ParseQuestionList(const std::string& questionList) {
    std::vector<int> numbers;
    for (const Fields& f : ParseRecords(questionList))
        if (const int n = Integer(f, "QUESTION_NUM", 0); n > 0)
            numbers.push_back(n);
    return numbers;
}

std::string SubjectAnswer(const AnswerStyle& style, int subject, const RunTrial& trial) {
    const int n = trial.number;
    switch (style.method) {
    case 1: { // one digit per scale, from -divisions to +divisions
        const int divisions = std::clamp(style.divisions, 1, 9);
        std::string text;
        for (int scale = 0; scale < std::max(style.scales, 1); ++scale)
            text += std::to_string((subject + n + scale * 2) % (2 * divisions + 1) - divisions);
        return text;
    }
    case 2:
    case 3: {
        const int choices = std::max(style.choices, 2);
        return std::to_string((subject + n) % choices + 1);
    }
    case 4: { // values from 0.5 to 9.5 in halves
        const int halves = 1 + (subject * 3 + n * 5) % 19;
        return std::to_string(halves / 2) + (halves % 2 ? ".5" : "");
    }
    default: {
        const int correct = trial.correct >= 1 ? trial.correct : 1;
        if ((n + subject) % 4 != 0)
            return std::to_string(correct);
        if (correct > 1)
            return std::to_string(correct - 1);
        return std::to_string(style.choices == 1 ? 1 : 2);
    }
    }
}

} // namespace fake
