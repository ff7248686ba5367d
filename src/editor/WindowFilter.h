#pragma once

#include <QObject>

class TfrmMain;

// An event filter on a control of the main window that reaches into the window. The
// controls still get events (deactivation, hiding, focus) while the window's base classes
// take them apart, when the window's own members are gone: the window removes these
// filters as its destruction begins (RemoveWindowFilters).
class WindowFilter : public QObject {
    Q_OBJECT
public:
    // Filters the events of watched, which owns the filter.
    WindowFilter(TfrmMain& w, QObject* watched);

protected:
    TfrmMain& m_w;
};

// Removes every WindowFilter from the window's controls.
void RemoveWindowFilters(TfrmMain& w);
