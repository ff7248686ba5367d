#pragma once

#include <QStringList>

class QColor;
class QWidget;

// Screen-free readability checks of a shown window: each text a control shows, measured
// in the control's own font (QFontMetrics::horizontalAdvance), against the room the
// control gives it. A text wider than its room is one the user sees cut, elided ("Termin…")
// or wrapped over lines of a cell.
//
// TextsThatDoNotFit walks the visible controls of a window (or of one control and those
// it holds): labels (wrapped labels by the
// height they need), buttons of every kind, read-only line edits, the cells of item views
// (headings and data, in the cell's own font, bold included; zero-width columns count as
// hidden), the window's title with room left for the title bar's buttons, and tool bars
// whose commands sit behind the overflow button. Each finding is one line naming the
// control, the text and the pixels it needs and has.
QStringList TextsThatDoNotFit(QWidget* window);

// The contrast ratio of two colours (1 for equal ones, 21 for black on white), as the
// usual accessibility guidelines define it; 4.5 is their minimum for normal text.
double ContrastRatio(const QColor& a, const QColor& b);
