#pragma once

#include "ResultFormat.h"
#include "ResultTable.h"

class CProject;
class CResponse;
class CQuestionnaireResults;
class CExperimentParameter;

// The lists and detail tables of the result window, filled from the stored results.

// One row per experiment result, in the project's order: index, stimuli, schedule name,
// trials, terminals, date.
ResultTable ResultListTable(CProject& project, const ResultFormat& format);
// One row per questionnaire-results set: index, items, respondents, date.
ResultTable QuestionnaireListTable(CProject& project, const ResultFormat& format);

// The stimulus list the result was run with: source file name and comment per stimulus.
ResultTable StimulusPageTable(const CResponse& response, const ResultFormat& format);
// The schedule the result was run with, as the schedule editor lays it out.
ResultTable SchedulePageTable(const CResponse& response, const ResultFormat& format);
// The button captions or word pairs of the result's parameters; no table for ME.
ResultTable ButtonsTable(const CExperimentParameter& parameter, const ResultFormat& format);
// Every terminal's answer per trial; for training the Correct % per trial and subject.
ResultTable ResultDataTable(const CResponse& response, const ResultFormat& format);
// Every respondent's answer per item.
ResultTable QuestionnaireDataTable(const CQuestionnaireResults& results, const ResultFormat& format);
