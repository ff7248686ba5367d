#pragma once

#include "PanelStatusBar.h"

#include <QApplication>
#include <QString>

class CountEdit;
class StringGrid;
class TfrmMain;
class UpDown;

// Drags of stimulus numbers from the stimulus list to schedule cells carry this type; its
// data is the stimulus number in decimal.
inline const QString kStimulusNumberMime = QStringLiteral("application/x-tamvik-stimulus-number");

// The file-name part of a source path; a path made on Windows may use '\'.
QString FileNamePart(const QString& path);

// A count editor's position, Tag and text, set without its change handler: the caller
// sizes the grid itself.
void SetCountQuietly(UpDown* upDown, CountEdit* edit, int value);

// The one-level snapshots of the two lists' editable columns, taken before an edit.
void SaveStimulusUndo(TfrmMain& w);
void SaveScheduleUndo(TfrmMain& w);

// The decimal separator of the user's locale, which the editors type and show.
QChar DecimalSeparator();

// True while neither an audition nor a test run is going on.
bool EditorIdle(const TfrmMain& w);

// The control (itself, or its in-place editor) is the active control of the active main
// window: it has the keyboard, or had it last before the menu bar took it.
bool ControlActive(const TfrmMain& w, const QWidget* control);

// The playback highlight: the played stimulus's row, and the played schedule cell with its
// row and column headers, while a list or schedule plays or a test runs.
bool StimulusRowHighlighted(const TfrmMain& w, int row);
bool ScheduleCellHighlighted(const TfrmMain& w, int col, int row);

// Sizes a list's column of row headings to its texts, in bold too: the playing row's
// heading is bold and must not be cut then.
void FitRowHeadings(StringGrid* grid);
// With the self-training option, stimulus numbers of trials are not shown.
bool asgdScheduleIsPasswordCell(const TfrmMain& w, int col, int row);

// Hourglass for as long as it lives.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Simple status text and hourglass for as long as it lives.
class StatusText {
public:
    StatusText(PanelStatusBar* bar, const QString& text) : m_bar(bar) {
        m_bar->SetSimplePanel(true);
        m_bar->SetSimpleText(text);
    }
    ~StatusText() {
        m_bar->SetSimpleText(QString());
        m_bar->SetSimplePanel(false);
    }
    StatusText(const StatusText&) = delete;
    StatusText& operator=(const StatusText&) = delete;
    void Set(const QString& text) { m_bar->SetSimpleText(text); }

private:
    PanelStatusBar* m_bar;
    WaitCursor m_wait;
};
