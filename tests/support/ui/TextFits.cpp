#include "TextFits.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QColor>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

// What a window manager's title bar keeps for its icon and its three buttons.
constexpr int kTitleBarButtons = 110;
// Pixels a line edit keeps on either side of its text (Qt's own, not a style metric).
constexpr int kLineEditTextMargin = 2;

// A text as shown with its mnemonic marks taken out.
QString WithoutMnemonics(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text.at(i);
    }
    return shown;
}

int WidestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// Width of the widget that its ancestors let show: a control laid partly outside its
// panel is cut there.
int ShownWidth(const QWidget* widget) {
    QRect shown = widget->rect();
    for (const QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        shown.translate(w->pos());
        shown &= w->parentWidget()->rect();
    }
    return std::max(0, shown.width());
}

QString Name(const QWidget* widget) {
    const QString name = widget->objectName();
    return name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name;
}

void Report(QStringList& found, const QWidget* widget, const QString& text, int need, int room,
            const QString& where = QString()) {
    if (need <= room)
        return;
    found << QStringLiteral("%1%2 \"%3\" needs %4 px, has %5")
                 .arg(Name(widget), where, text)
                 .arg(need)
                 .arg(room);
}

void CheckLabel(QStringList& found, QLabel* label) {
    QString text = label->text();
    if (text.isEmpty())
        return;
    if (label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
    } else if (label->buddy()) {
        text = WithoutMnemonics(text);
    }
    const int cut = label->width() - ShownWidth(label);
    if (label->wordWrap()) {
        const int height = label->heightForWidth(label->width() - cut);
        if (height > label->height())
            found << QStringLiteral("%1 \"%2\" needs %3 px of height, has %4")
                         .arg(Name(label), text)
                         .arg(height)
                         .arg(label->height());
        return;
    }
    const int room = label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent()) - cut;
    Report(found, label, text, WidestLine(label->fontMetrics(), text), room);
}

void CheckButton(QStringList& found, QAbstractButton* button) {
    const QString text = button->text();
    if (text.isEmpty())
        return;
    if (auto* tool = qobject_cast<QToolButton*>(button);
        tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
        return;
    const QFontMetrics metrics = button->fontMetrics();
    int need = button->sizeHint().width();
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        // The style's frame and margins around the text, without the least width some
        // styles give every captioned button.
        QStyleOptionButton frame;
        frame.initFrom(push);
        if (push->isDefault())
            frame.features |= QStyleOptionButton::DefaultButton;
        if (push->autoDefault())
            frame.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->menu())
            frame.features |= QStyleOptionButton::HasMenu;
        const int margins =
            push->style()
                ->sizeFromContents(QStyle::CT_PushButton, &frame, QSize(0, metrics.height()), push)
                .width();
        need = margins + metrics.size(Qt::TextShowMnemonic, text).width();
        if (!push->icon().isNull())
            need += push->iconSize().width() + 4;
        if (push->menu())
            need += push->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &frame, push);
    }
    Report(found, button, WithoutMnemonics(text), need, ShownWidth(button));
}

void CheckLineEdit(QStringList& found, QLineEdit* edit) {
    // An edit box the user types in scrolls its text; one that only shows a value must
    // show all of it.
    if (!edit->isReadOnly() || edit->displayText().isEmpty())
        return;
    QStyleOptionFrame frame;
    frame.initFrom(edit);
    frame.rect = edit->rect();
    frame.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, edit) : 0;
    frame.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
    const QRect contents = edit->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &frame, edit)
                               .marginsRemoved(edit->textMargins());
    const int room = contents.width() - 2 * kLineEditTextMargin - (edit->width() - ShownWidth(edit));
    Report(found, edit, edit->displayText(), edit->fontMetrics().horizontalAdvance(edit->displayText()),
           room);
}

void CheckCells(QStringList& found, QTableView* view) {
    const QAbstractItemModel* model = view->model();
    if (!model)
        return;
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int line = view->showGrid() ? 1 : 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (view->isRowHidden(row) || view->rowHeight(row) <= 0)
            continue;
        for (int col = 0; col < model->columnCount(); ++col) {
            if (view->isColumnHidden(col) || view->columnWidth(col) <= 0)
                continue;
            const QModelIndex index = model->index(row, col);
            const QString text = index.data(Qt::DisplayRole).toString();
            if (text.isEmpty())
                continue;
            const QVariant font = index.data(Qt::FontRole);
            const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : view->font());
            Report(found, view, text, WidestLine(metrics, text), view->columnWidth(col) - line - 2 * margin,
                   QStringLiteral("(%1,%2)").arg(col).arg(row));
        }
    }
}

void CheckToolBar(QStringList& found, QToolBar* bar) {
    for (QAction* action : bar->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        QWidget* shown = bar->widgetForAction(action);
        if (!shown || shown->isVisible())
            continue;
        auto* button = qobject_cast<QAbstractButton*>(shown);
        const QString text = WithoutMnemonics(button ? button->text() : action->text());
        found << QStringLiteral("%1 \"%2\" is behind the overflow button").arg(Name(bar), text);
    }
}

bool InsideAnItemView(const QWidget* widget) {
    for (const QWidget* w = widget->parentWidget(); w && !w->isWindow(); w = w->parentWidget())
        if (qobject_cast<const QAbstractItemView*>(w))
            return true;
    return false;
}

double Luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

} // namespace

QStringList TextsThatDoNotFit(QWidget* window) {
    QStringList found;
    if (window->isWindow()) {
        QFont titleFont = QApplication::font(window);
        titleFont.setBold(true);
        Report(found, window, window->windowTitle(),
               QFontMetrics(titleFont).horizontalAdvance(window->windowTitle()),
               window->width() - kTitleBarButtons, QStringLiteral(" title"));
    }
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() || widget->window() != window->window() || InsideAnItemView(widget))
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget))
            CheckLabel(found, label);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            CheckButton(found, button);
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            CheckLineEdit(found, edit);
        else if (auto* view = qobject_cast<QTableView*>(widget))
            CheckCells(found, view);
        else if (auto* bar = qobject_cast<QToolBar*>(widget))
            CheckToolBar(found, bar);
    }
    return found;
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
