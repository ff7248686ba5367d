#pragma once

class QAbstractButton;
class QAction;

// A menu item or button that stands for an action: it triggers the action and follows
// the action's enabled, visible, checked and text state whenever the action changes that
// property, while it can still be enabled or hidden on its own (as the rights switch
// does to single items).
void LinkToAction(QAction* item, QAction* action);
void LinkToAction(QAbstractButton* button, QAction* action);
