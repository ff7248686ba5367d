#pragma once

#include "ResultFormat.h"
#include "ResultTable.h"

#include <QString>
#include <vector>

class CResponse;
class CTrial;

// A stored result chosen for a totaling, with its index in the project's result list.
struct SelectedResult {
    int resultIndex = 0;
    const CResponse* response = nullptr;
};

// One terminal's answer to one trial of a totaling of paired comparison, category or ME.
struct SUBJECTDATA {
    QString subjectId;
    int answer = -1;     // paired comparison and category; below 0: no answer
    double value = -1.0; // ME; below 0: no answer
};

// One trial key of such a totaling: every answer to trials with this key, in the order
// the results, their trials and their terminals were taken.
struct TOTALDATA {
    int resultIndex = 0; // the result whose trial made the entry
    int trialIndex = 0;
    QString labelText; // the key columns' captions, joined with the list separator
    QString keyText;   // the key values, joined; equal keys share one entry
    std::vector<SUBJECTDATA> subjects;
};

// The label and key texts of a trial: with completeMatch repeats, start wait, stimuli,
// intervals and limit; otherwise the stimuli alone.
void MakeTrialKey(const CTrial& trial, int presentations, bool completeMatch, const ResultFormat& format,
                  QString& labelText, QString& keyText);

// Groups the answers of the results by trial key (method 2, 3 or 4). False, with
// totalData unchanged, when an ME answer without "/" is not a number.
bool BuildTotalData(const std::vector<SelectedResult>& results, int method, bool completeMatch,
                    const ResultFormat& format, std::vector<TOTALDATA>& totalData);

// The totals grid: the key columns, then either one column per subject ID with the mean
// of its valid answers, or one block of columns per result with every answer.
ResultTable ShowTotalData(const std::vector<TOTALDATA>& totalData, int method, bool averageSameSubject,
                          const ResultFormat& format);
