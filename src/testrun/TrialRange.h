#pragma once

#include <QChar>
#include <QString>

// The trial numbers of a range text such as "1-3,5" (items split at commas and blanks; a
// span's missing or unreadable ends mean 1 and count, in either order), ascending and
// without repeats, as a comma text ("1,2,3,5"). Numbers outside 1..count are dropped.
QString ExpandTrialRange(const QString& text, int count);

// Joins runs of consecutive numbers of a comma text ("1,2,3,5") into spans, items
// separated by listSeparator ("1-3,5").
QString CompressTrialRange(const QString& text, QChar listSeparator = QLatin1Char(','));
