#pragma once

#include <QChar>
#include <QString>

// The typing and normalising rules of schedule cells. A column's kind is recognised by
// words of its header in the active language (the window's text table); sep is the
// decimal separator in force.
namespace schedulecell {

enum class Kind { Time, Repeat, Stimulus, Correct };

// The kind by which typed text is filtered and normalised.
Kind KindOf(const QString& header);

// The text an editor starts from: "i" for "Infinity", "p" for "Pause".
QString EditText(const QString& cellText);

// Whether ch may go into an editor of this column whose text, without its selection, is
// rest.
bool AcceptsChar(Kind kind, QChar ch, const QString& rest, QChar sep);
// Whether a whole text (pasted, or from an input method) could have been typed.
bool AcceptsText(Kind kind, const QString& text, QChar sep);

struct Result {
    QString text;
    bool refused = false; // the typed value was no whole number of at least 1
};
// The cell text after an edit of this column ends with typed; startColumn marks the
// start wait, which is never shorter than one second.
Result Normalise(const QString& header, const QString& typed, bool startColumn, QChar sep);

// What an emptied or cleared cell of the column holds.
QString EmptyValue(const QString& header, QChar sep);

// floor(v * 10 + 0.5) / 10 written with one decimal: halves go up, unlike printf.
QString OneDecimal(double value, QChar sep);

} // namespace schedulecell
