#pragma once

#include <QApplication>
#include <QString>

class TfrmMain;

// Drags of stimulus numbers from the stimulus list to schedule cells carry this type; its
// data is the stimulus number in decimal.
inline const QString kStimulusNumberMime = QStringLiteral("application/x-tamvik-stimulus-number");

// The file-name part of a source path; a path made on Windows may use '\'.
QString FileNamePart(const QString& path);

// The one-level snapshots of the two lists' editable columns, taken before an edit.
void SaveStimulusUndo(TfrmMain& w);
void SaveScheduleUndo(TfrmMain& w);

// The decimal separator of the user's locale, which the editors type and show.
QChar DecimalSeparator();

// True while neither an audition nor a test run is going on.
bool EditorIdle(const TfrmMain& w);

// Hourglass for as long as it lives.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
