#pragma once

#include "ResultFormat.h"
#include "ResultTable.h"
#include "TotalData.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One subject of the training totals: its correct-answer values per training and trial.
// As a row of the subject database it holds the bare ID text and the answers instead.
struct SUBJECTRATIO {
    QString subjectLabel;                      // IDS_17 + the subject ID text
    std::vector<QString> attributes;           // from the subject database, by item
    std::vector<std::vector<float>> trainings; // per training, per trial: 100 or 0
    std::vector<int> resultIndices;            // the result of each training
};

// The training totals of one totaling: subjects in order of first appearance.
struct TRNSUBDATA {
    std::vector<SUBJECTRATIO> subjects;
    int trialCount = 0;    // values of the last training built
    int mostTrainings = 0; // the most trainings one subject has
};

// The respondents of a subject database project and the names of its items.
struct SubjectDatabase {
    std::vector<SUBJECTRATIO> rows;
    // IDS_54 first, then one name per questionnaire item (IDS_56 for a birth-year item).
    QStringList items;
};

// Reads the first questionnaire-results set of the project at path. False, nothing read,
// when the project does not open or has no such set. With text subject IDs the project's
// comment must be an integer (non-zero: respondents carry packed IDs); otherwise this
// throws std::runtime_error, which fails the totaling.
bool ReadSubjectDatabase(const QString& path, const ResultFormat& format, SubjectDatabase& database);

// The correct-answer values of every terminal of the results, merged by subject label;
// attributes from the database, or attributeCount empty texts for a subject not found.
TRNSUBDATA BuildTrainingRatios(const std::vector<SelectedResult>& results, const SubjectDatabase& database,
                               int attributeCount, const ResultFormat& format);

// How the subject columns are headed: by the item chosen from the database's items
// (0 or none: the subject label), and the year ages are counted to.
struct SubjectItemChoice {
    int index = -1; // -1 or 0: the subject label
    QString text;   // the chosen item's text
    int currentYear = 2000;
};

// The totals grid of layout 0 (trials x subjects, training `index`), 1 (trials x
// trainings of subject `index`) or 2 (trainings x subjects, trial `index`), with column
// and row averages accumulated in single precision. Nothing (the grid stays) for no
// subjects or another layout; an index out of range gives an empty grid.
std::optional<ResultTable> ShowTrainingTotals(const TRNSUBDATA& data, int layout, int index,
                                              const SubjectItemChoice& choice, const ResultFormat& format);
