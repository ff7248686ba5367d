#include "ActionLink.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <memory>

namespace {

const char* const kCommandProperty = "command";
const char* const kHoldsProperty = "holds";
const QString kHoldsName = QStringLiteral("commandHolds");

// The holds of an action live in a group of its own: Qt enables an action only while its
// group is enabled, whatever setEnabled said, and gives the action's own state back when
// the group is enabled again.
QActionGroup* HoldsOf(const QAction* action, bool create) {
    if (auto* group = action->findChild<QActionGroup*>(kHoldsName, Qt::FindDirectChildrenOnly))
        return group;
    if (!create)
        return nullptr;
    auto* mutableAction = const_cast<QAction*>(action);
    auto* group = new QActionGroup(mutableAction);
    group->setObjectName(kHoldsName);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    group->addAction(mutableAction);
    return group;
}

// What a view last took over from its action, so that only what changed is passed on and
// a view hidden on its own stays hidden until the action's visibility changes.
struct Shown {
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    QString text;
    bool syncing = false;
};

template <typename View> struct ViewOps;

template <> struct ViewOps<QAction> {
    static bool OwnEnabled(const QAction* item) { return item->isEnabled(); }
    static bool Showing(const QAction* item) { return item->isVisible(); }
};

template <> struct ViewOps<QAbstractButton> {
    // The button's own setting, not the one its parent imposes.
    static bool OwnEnabled(const QAbstractButton* button) {
        return !button->testAttribute(Qt::WA_ForceDisabled);
    }
    static bool Showing(const QAbstractButton* button) { return !button->isHidden(); }
};

template <typename View> void Sync(View* view, QAction* action, Shown& shown, bool first) {
    shown.syncing = true;
    const bool enabled = action->isEnabled();
    view->setEnabled(enabled);
    shown.enabled = enabled;
    if (first || action->isVisible() != shown.visible) {
        shown.visible = action->isVisible();
        view->setVisible(shown.visible);
    }
    view->setCheckable(action->isCheckable());
    if (first || action->isChecked() != shown.checked) {
        shown.checked = action->isChecked();
        view->setChecked(shown.checked);
    }
    if (first || action->text() != shown.text) {
        shown.text = action->text();
        view->setText(shown.text);
    }
    shown.syncing = false;
}

// A change of the view's own enabled state made by someone else is a change of the command.
template <typename View> void ViewEnabledChanged(View* view, QAction* action, Shown& shown) {
    if (shown.syncing || !ViewOps<View>::Showing(view))
        return;
    const bool own = ViewOps<View>::OwnEnabled(view);
    if (own == shown.enabled)
        return;
    action->setEnabled(own);
    Sync(view, action, shown, false);
}

class ButtonWatcher : public QObject {
public:
    ButtonWatcher(QAbstractButton* button, QAction* action, std::shared_ptr<Shown> shown)
        : QObject(button), m_button(button), m_action(action), m_shown(std::move(shown)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_button && event->type() == QEvent::EnabledChange && m_action)
            ViewEnabledChanged<QAbstractButton>(m_button, m_action, *m_shown);
        return false;
    }

private:
    QAbstractButton* m_button;
    QPointer<QAction> m_action;
    std::shared_ptr<Shown> m_shown;
};

void LinkButton(QAbstractButton* button, QAction* action, bool triggers) {
    button->setProperty(kCommandProperty, QVariant::fromValue<QObject*>(action));
    auto shown = std::make_shared<Shown>();
    Sync<QAbstractButton>(button, action, *shown, true);
    QObject::connect(action, &QAction::changed, button,
                     [button, action, shown] { Sync<QAbstractButton>(button, action, *shown, false); });
    button->installEventFilter(new ButtonWatcher(button, action, shown));
    if (!action->toolTip().isEmpty() && action->toolTip() != action->text())
        button->setToolTip(action->toolTip());
    if (triggers)
        QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}

} // namespace

void LinkToAction(QAction* item, QAction* action) {
    item->setProperty(kCommandProperty, QVariant::fromValue<QObject*>(action));
    auto shown = std::make_shared<Shown>();
    Sync<QAction>(item, action, *shown, true);
    item->setShortcut(QKeySequence());
    QObject::connect(action, &QAction::changed, item,
                     [item, action, shown] { Sync<QAction>(item, action, *shown, false); });
    QObject::connect(item, &QAction::changed, action,
                     [item, action, shown] { ViewEnabledChanged<QAction>(item, action, *shown); });
    QObject::connect(item, &QAction::triggered, action, [action] { action->trigger(); });
}

void LinkToAction(QAbstractButton* button, QAction* action) {
    LinkButton(button, action, true);
}

void FollowAction(QAbstractButton* button, QAction* action) {
    LinkButton(button, action, false);
}

QAction* CommandOf(QObject* control) {
    if (!control)
        return nullptr;
    if (auto* command = qobject_cast<QAction*>(control->property(kCommandProperty).value<QObject*>()))
        return command;
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->menuAction();
    return qobject_cast<QAction*>(control);
}

void HoldCommand(QAction* action, CommandHold why, bool held) {
    if (!action)
        return;
    QActionGroup* group = HoldsOf(action, held);
    if (!group)
        return;
    unsigned holds = group->property(kHoldsProperty).toUInt();
    if (held)
        holds |= static_cast<unsigned>(why);
    else
        holds &= ~static_cast<unsigned>(why);
    group->setProperty(kHoldsProperty, holds);
    group->setEnabled(holds == 0);
}

bool IsCommandHeld(const QAction* action, CommandHold why) {
    const QActionGroup* group = action ? HoldsOf(action, false) : nullptr;
    return group && (group->property(kHoldsProperty).toUInt() & static_cast<unsigned>(why)) != 0;
}

void CommandGroup::SetEnabled(bool enabled) const {
    for (QAction* action : m_actions)
        if (action)
            action->setEnabled(enabled);
}

void CommandGroup::Hold(CommandHold why, bool held) const {
    for (QAction* action : m_actions)
        HoldCommand(action, why, held);
}
