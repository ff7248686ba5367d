#include "WindowTexts.h"

#include "ActionLink.h"
#include "TextTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QWidget>

#include <utility>

namespace {

bool IsView(QObject* object) {
    QAction* command = CommandOf(object);
    return command && command != object && !qobject_cast<QMenu*>(object);
}

// Sets a text only when the table has one, so a control the table does not know keeps its own.
template <typename Set> void Apply(const QString& table, const QString& key, Set set) {
    const QString text = TableText(table, key);
    if (!text.isEmpty())
        set(text);
}

} // namespace

bool BelongsToWindow(QObject* object, QWidget* window) {
    for (QObject* p = object->parent(); p; p = p->parent()) {
        if (p == window)
            return true;
        auto* widget = qobject_cast<QWidget*>(p);
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget))
            return false;
    }
    return false;
}

QString TableText(const QString& table, const QString& key) {
    TextTable& texts = TextTable::Instance();
    const QString text = texts.Text(table, key);
    if (!text.isEmpty())
        return text;
    const TextTable::Language other = texts.language() == TextTable::Language::Japanese
                                          ? TextTable::Language::English
                                          : TextTable::Language::Japanese;
    return texts.Text(table, key, other);
}

void RelabelChildren(QWidget* window, const QString& table) {
    Apply(table, QStringLiteral("Caption"), [window](const QString& t) { window->setWindowTitle(t); });
    for (QObject* object : window->findChildren<QObject*>()) {
        const QString name = object->objectName();
        if (name.isEmpty() || IsView(object) || !BelongsToWindow(object, window))
            continue;
        if (auto* action = qobject_cast<QAction*>(object)) {
            Apply(table, name, [action](const QString& t) { action->setText(t); });
            Apply(table, name + QStringLiteral(".Hint"),
                  [action](const QString& t) { action->setToolTip(t); });
        } else if (auto* menu = qobject_cast<QMenu*>(object)) {
            Apply(table, name, [menu](const QString& t) { menu->setTitle(t); });
            Apply(table, name + QStringLiteral(".Hint"), [menu](const QString& t) { menu->setToolTip(t); });
        } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
            Apply(table, name, [button](const QString& t) { button->setText(t); });
            Apply(table, name + QStringLiteral(".Hint"),
                  [button](const QString& t) { button->setToolTip(t); });
        } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
            Apply(table, name, [group](const QString& t) { group->setTitle(t); });
        } else if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
            for (int i = 0; i < tabs->count(); ++i)
                Apply(table, tabs->widget(i)->objectName(),
                      [tabs, i](const QString& t) { tabs->setTabText(i, t); });
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            Apply(table, name, [label](const QString& t) { label->setText(t); });
        }
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            Apply(table, name + QStringLiteral(".Label"), [widget, window](const QString& t) {
                for (QLabel* label : window->findChildren<QLabel*>())
                    if (label->buddy() == widget)
                        label->setText(t);
            });
        }
    }
}

void KeepRelabelled(QWidget* window, std::function<void()> relabel) {
    relabel();
    QObject::connect(&TextTable::Instance(), &TextTable::languageChanged, window,
                     [relabel = std::move(relabel)] { relabel(); });
}
