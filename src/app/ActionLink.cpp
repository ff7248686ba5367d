#include "ActionLink.h"

#include <QAbstractButton>
#include <QAction>
#include <memory>

namespace {

struct ActionState {
    bool enabled;
    bool visible;
    bool checked;
    QString text;
};

ActionState StateOf(const QAction* action) {
    return {action->isEnabled(), action->isVisible(), action->isChecked(), action->text()};
}

// Passes on only the properties that changed, so a change of one property never undoes
// what was set on the item alone.
template <typename Item, typename SetVisible>
void Follow(Item* item, QAction* action, SetVisible setVisible) {
    auto last = std::make_shared<ActionState>(StateOf(action));
    item->setEnabled(last->enabled);
    setVisible(last->visible);
    item->setCheckable(action->isCheckable());
    item->setChecked(last->checked);
    item->setText(last->text);
    QObject::connect(action, &QAction::changed, item, [item, action, last, setVisible] {
        const ActionState now = StateOf(action);
        if (now.enabled != last->enabled)
            item->setEnabled(now.enabled);
        if (now.visible != last->visible)
            setVisible(now.visible);
        if (now.checked != last->checked)
            item->setChecked(now.checked);
        if (now.text != last->text)
            item->setText(now.text);
        item->setCheckable(action->isCheckable());
        *last = now;
    });
}

} // namespace

void LinkToAction(QAction* item, QAction* action) {
    Follow(item, action, [item](bool visible) { item->setVisible(visible); });
    item->setShortcut(QKeySequence());
    QObject::connect(item, &QAction::triggered, action, [action] { action->trigger(); });
}

void LinkToAction(QAbstractButton* button, QAction* action) {
    Follow(button, action, [button](bool visible) { button->setVisible(visible); });
    button->setToolTip(action->toolTip());
    QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}
