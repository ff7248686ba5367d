#pragma once

#include <QList>
#include <initializer_list>

class QAbstractButton;
class QAction;
class QObject;

// One enable rule for every window: a command's enabled state lives in its QAction.
//
// - Code that decides whether a command may run now calls setEnabled on the action (the
//   command's own state: a project is open, something is selected ...).
// - A few reasons hold a command off whatever its own state says: an audition or test run
//   is busy, the user lacks the rights. Each is set with
//   HoldCommand by the one place that decides it, so no place undoes another's decision;
//   the action is enabled exactly when its own state says so and nothing holds it.
// - Menu items and tool buttons are views: they follow the action's enabled, visible,
//   checked and text state and trigger it. A view can be hidden on its own, but its
//   enabled state is the action's: setting a view's enabled state sets its action's.
enum class CommandHold : unsigned {
    Busy = 1u << 0,    // an audition or a test run holds the window
    Rights = 1u << 1, // the user is in the restricted mode
};

// A menu item or button that stands for an action and triggers it.
void LinkToAction(QAction* item, QAction* action);
void LinkToAction(QAbstractButton* button, QAction* action);
// A button that shows the action's state but runs a click handler of its own.
void FollowAction(QAbstractButton* button, QAction* action);

// The command a control stands for: the action of a linked view, a menu's own action, the
// control itself when it is an action; null for anything else.
QAction* CommandOf(QObject* control);

void HoldCommand(QAction* action, CommandHold why, bool held);
bool IsCommandHeld(const QAction* action, CommandHold why);

// Commands that several places switch together, named once.
class CommandGroup {
public:
    CommandGroup() = default;
    CommandGroup(std::initializer_list<QAction*> actions) : m_actions(actions) {}

    void Add(QAction* action) { m_actions.append(action); }
    const QList<QAction*>& Actions() const { return m_actions; }
    bool Contains(const QAction* action) const { return m_actions.contains(const_cast<QAction*>(action)); }

    void SetEnabled(bool enabled) const;
    void Hold(CommandHold why, bool held) const;

private:
    QList<QAction*> m_actions;
};
