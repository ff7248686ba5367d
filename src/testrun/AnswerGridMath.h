#pragma once

#include <QChar>
#include <QString>
#include <functional>
#include <vector>

// The answer grid of a test run, as data: column 0 the labels, rows 0 and 1 the captions
// and subject ids, trial n in row n + 1. The answerer columns run from 1 up to the
// placeholder column; the training method adds the "Correct %" and "Correct" columns
// after it and the "Correct %" row at the bottom.
struct AnswerGridShape {
    int cols = 0;
    int rows = 0;
    bool training = false;

    int PlaceholderCol() const { return training ? cols - 3 : cols - 1; }
    int AnswererCount() const { return PlaceholderCol() > 1 ? PlaceholderCol() - 1 : 0; }
    int TrialCount() const { return rows - 2 - (training ? 1 : 0); }
    int PercentCol() const { return cols - 2; } // training only
    int CorrectCol() const { return cols - 1; } // training only
    int PercentRow() const { return rows - 1; } // training only
    static int TrialRow(int trial) { return trial + 1; }
};

using AnswerCellReader = std::function<QString(int col, int row)>;

// True when every answerer holds an answer for the trial (also with no answerer).
bool IsTrialComplete(const AnswerGridShape& shape, const AnswerCellReader& cell, int trial);

// "##0.00" with the given decimal separator.
QString FormatPercent(double value, QChar decimalSeparator);

// The share of answerers whose answer equals the trial's correct button; empty when
// there is no answerer to count.
QString TrialPercentText(const AnswerGridShape& shape, const AnswerCellReader& cell, int trial,
                         QChar decimalSeparator);
// One answerer's share of correct answers over the trials played so far; empty when no
// trial was played.
QString AnswererPercentText(const AnswerGridShape& shape, const AnswerCellReader& cell, int col,
                            const std::vector<int>& playedTrials, QChar decimalSeparator);
// The mean of the answerers' non-empty shares; empty when there is none.
QString MeanPercentText(const AnswerGridShape& shape, const AnswerCellReader& cell, QChar decimalSeparator);
