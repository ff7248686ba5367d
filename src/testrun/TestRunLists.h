#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class CTrial;

// One trial as the test-run lists describe it. Built from the texts of the main window's
// schedule grid or from a stored trial; the builders already turn waits for the operator
// into the values the service expects, so the writer only joins and sums.
struct TestRunTrial {
    QString repeat;                 // REPEAT_NUM
    QString startWait;              // START_WAIT_TIME
    QString limit;                  // LIMIT_TIME
    QString correct;                // CORRECT_QUES_ID
    std::vector<QString> stimuli;   // STIMULUS_ID per position
    std::vector<QString> stopTimes; // interval after each position; the last is the response wait
};

// The two form fields of a run's registration, field name and '=' included.
struct TestRunLists {
    QString testRunList;
    QString testRunStimList;
};

// The duration text ("0.00") of a stimulus named by its number text; empty when unknown.
using StimulusDurationText = std::function<QString(const QString& stimulusId)>;

// Writes TEST_RUN_LIST and TEST_RUN_STIM_LIST. SHOW_TIME sums, per trial, each position's
// duration and interval (the last one's being the response wait), cutting the running
// total to whole seconds after every position. False when a presented stimulus has no
// duration or a time is not a number; *failedStimulus then names the stimulus (empty for
// a bad time).
bool WriteTestRunLists(const std::vector<TestRunTrial>& trials, const StimulusDurationText& duration,
                       TestRunLists& out, QString* failedStimulus = nullptr);

// A trial row of the schedule grid: cells[0] the label, then repeat, start wait, and per
// position the stimulus and the interval after it, the response wait in place of the last
// interval, and for the training method the correct answer. "Pause" waits become "1"
// (start, limit) or "0" (intervals); a decimal comma becomes a point. Other methods send
// the stored correct answer.
TestRunTrial TestRunTrialFromGridRow(const std::vector<QString>& cells, int positions, bool training,
                                     int storedCorrect);
// The same from a stored trial: times as shortest decimals, -1 as "1" or "0".
TestRunTrial TestRunTrialFromTrial(const CTrial& trial, int positions);

// The duration of frames at rate, rounded to hundredths of a second, as "0.00"; empty for
// a rate of 0.
QString DurationText(uint64_t frames, int rate);
