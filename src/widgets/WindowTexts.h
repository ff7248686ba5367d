#pragma once

#include <QString>
#include <functional>

class QObject;
class QWidget;

// The texts a window shows come from its text table (TextTable, keyed by the window's class
// name). A window relabels itself in one pass, at construction and at every language switch:
//
//   KeepRelabelled(this, [this] {
//       RelabelChildren(this, QStringLiteral("TfrmExample"));
//       // texts the window composes itself (grid headers, status texts) go here
//   });
//
// RelabelChildren gives every named child whose objectName is a key of the table its text:
// actions (text; tool tip from "name.Hint"), menus (title), buttons, check boxes and radio
// buttons, labels, group boxes, the tab texts of tab widgets (by page name), and a label
// that is the buddy of a control X from "X.Label"; the window's title from "Caption". A text
// given in one language only stands for both. Menu items and buttons that are views of an
// action take the action's text and are left alone.
void RelabelChildren(QWidget* window, const QString& table);

// Runs relabel now and after every language switch while the window lives.
void KeepRelabelled(QWidget* window, std::function<void()> relabel);

// Whether an object belongs to the window rather than to a dialog the window owns (menus
// belong to the window that holds them although Qt makes each a window).
bool BelongsToWindow(QObject* object, QWidget* window);

// A text of a table in the active language, or the other language's when the active one has
// none; empty when the key is unknown.
QString TableText(const QString& table, const QString& key);
