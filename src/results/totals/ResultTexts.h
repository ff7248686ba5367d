#pragma once

#include "ResultFormat.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// Texts shared by the result tables: subject IDs, numbers read back from cells and the
// splitting of joined key texts.

// True when the text converts to a number: as a real when it holds the decimal separator,
// else as an integer.
bool IsNumericText(const QString& text, QChar decimalSeparator);

// A terminal's or respondent's subject ID: the packed text of id and id2, or id in
// decimal with numeric IDs ("" for a negative id there). Empty: the subject is undefined.
QString SubjectIdText(const ResultFormat& format, std::int32_t id, std::int32_t id2);

// A column header of a subject: IDS_16 for an undefined subject (empty ID text), else
// IDS_17 (which ends with a line break) and the ID text.
QString SubjectHeader(const ResultFormat& format, const QString& subjectIdText);

// The file name of a source path, written on either system.
QString SourceFileName(const QString& path);

// Items of a joined text: blanks and control characters around items are skipped, an item
// in double quotes runs to the closing quote (two quotes stand for one), any other item
// ends at the separator, a blank or a control character; a separator at the very end adds
// a final empty item.
QStringList SplitJoinedText(const QString& text, QChar separator);
