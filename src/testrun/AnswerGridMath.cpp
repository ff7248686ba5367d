#include "AnswerGridMath.h"

#include "NumberFormat.h"

#include <cmath>

bool IsTrialComplete(const AnswerGridShape& shape, const AnswerCellReader& cell, int trial) {
    const int row = AnswerGridShape::TrialRow(trial);
    for (int col = 1; col < shape.PlaceholderCol(); ++col) {
        if (cell(col, row).isEmpty())
            return false;
    }
    return true;
}

QString FormatPercent(double value, QChar decimalSeparator) {
    QString text = QString::number(value, 'f', 2);
    text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

QString TrialPercentText(const AnswerGridShape& shape, const AnswerCellReader& cell, int trial,
                         QChar decimalSeparator) {
    const int row = AnswerGridShape::TrialRow(trial);
    const QString correct = cell(shape.CorrectCol(), row);
    int counted = 0;
    int right = 0;
    for (int col = 1; col < shape.PlaceholderCol(); ++col) {
        ++counted;
        if (cell(col, row) == correct)
            ++right;
    }
    // Nobody answering gives no share at all rather than a division by zero.
    if (counted == 0)
        return {};
    return FormatPercent(100.0 * right / counted, decimalSeparator);
}

QString AnswererPercentText(const AnswerGridShape& shape, const AnswerCellReader& cell, int col,
                            const std::vector<int>& playedTrials, QChar decimalSeparator) {
    if (playedTrials.empty())
        return {};
    int right = 0;
    for (int trial : playedTrials) {
        const int row = AnswerGridShape::TrialRow(trial);
        if (cell(col, row) == cell(shape.CorrectCol(), row))
            ++right;
    }
    return FormatPercent(100.0 * right / static_cast<double>(playedTrials.size()), decimalSeparator);
}

QString MeanPercentText(const AnswerGridShape& shape, const AnswerCellReader& cell, QChar decimalSeparator) {
    double sum = 0.0;
    int n = 0;
    for (int col = 1; col < shape.PlaceholderCol(); ++col) {
        const QString text = cell(col, shape.PercentRow());
        double value = 0.0;
        if (text.isEmpty() || !tamvik::ParseReal(text, value, decimalSeparator))
            continue;
        sum += value;
        ++n;
    }
    if (n == 0)
        return {};
    return FormatPercent(sum / n, decimalSeparator);
}
