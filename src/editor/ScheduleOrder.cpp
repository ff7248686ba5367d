#include "ScheduleOrder.h"

#include <algorithm>
#include <cstddef>

namespace {

// Puts each held trial back at its first fitting place, in the order given.
void PutBack(std::vector<CTrial>& trials, std::vector<CTrial>& held) {
    for (CTrial& trial : held) {
        const int answer = trial.correctAnswer;
        size_t place = trials.size();
        for (size_t m = 0; m < trials.size(); ++m) {
            if (trials[m].correctAnswer != answer && (m == 0 || trials[m - 1].correctAnswer != answer)) {
                place = m;
                break;
            }
        }
        trials.insert(trials.begin() + static_cast<std::ptrdiff_t>(place), std::move(trial));
    }
    held.clear();
}

} // namespace

bool TrialLessByCorrect(const CTrial& a, const CTrial& b) {
    return a.correctAnswer < b.correctAnswer;
}

void SpreadCorrectAnswers(std::vector<CTrial>& trials) {
    size_t previous = 0;
    // Passes that keep taking out different numbers of trials are not proven to settle, so
    // the number of passes is bounded; the trials are always put back.
    const size_t maxPasses = trials.size() + 2;
    std::vector<CTrial> held;
    for (size_t pass = 0;; ++pass) {
        size_t at = 0;
        while (at + 1 < trials.size()) {
            if (trials[at].correctAnswer == trials[at + 1].correctAnswer) {
                held.push_back(std::move(trials[at]));
                trials.erase(trials.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                ++at;
            }
        }
        const size_t taken = held.size();
        std::stable_sort(held.begin(), held.end(), TrialLessByCorrect);
        PutBack(trials, held);
        if (taken == previous || pass + 1 >= maxPasses)
            return;
        previous = taken;
    }
}
