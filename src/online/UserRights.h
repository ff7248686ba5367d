#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class QObject;

// What the user's rights switch, kept as data: one table of rows, each naming a window
// class, a control of that window (its objectName; empty for the window itself) and what
// the switch does to it. The main window's login applies the rows of RightsSet::Main over
// the main window and its dialogs; the test-run window's login applies RightsSet::Exec over
// that window. A window that later issues bring adds its rows to the same table.
//
// A control that stands for a command (a menu item or tool button linked to an action, a
// menu, an action) is switched through its command: the rights hold the action off and hide
// it, and the action keeps the enabled state its own handlers give it for when the rights
// come back.
enum class RightsSet { Main, Exec };

enum class RightsEffect {
    Shown,       // full: shown and enabled; restricted: hidden and disabled
    Enabled,     // enabled with full rights only
    Visible,     // visible with full rights only
    AlwaysOff,   // hidden and disabled whatever the rights
    AutoPopup,   // the popup opens by itself whatever the rights
    GridEditing, // a grid's in-place editing follows the rights
    CardChange,  // the stimulus card may change its stimulus with full rights only
};

struct RightsRow {
    RightsSet set;
    const char* window;  // class name, e.g. "TfrmMain"
    const char* control; // objectName; "" for the window itself
    RightsEffect effect;
};

// Every row, in the order each set is applied.
const std::vector<RightsRow>& RightsTable();

// The control a row names inside its window, or null when the window has none of that name.
QObject* FindRightsControl(QObject* window, const RightsRow& row);

// Applies the rows of set to those of windows (found by class name) that are given; rows of
// windows not given are left for when the window is made. A row whose window is given but
// has no control of that name is a fault of the table: it is logged, and the rows that
// failed so ("TfrmMain.popSdlListIns") are handed back; every other row is still applied.
QStringList ApplyRights(RightsSet set, const QList<QObject*>& windows, bool full);
