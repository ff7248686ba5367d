#include "CountEditor.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAutoRepeat(true);
    m_down->setAutoRepeat(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(true); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(false); });
}

void UpDown::SetRange(int min, int max) {
    m_min = min;
    m_max = max < min ? min : max;
}

bool UpDown::ChangeTo(int position, bool up) {
    if (onChangingEx && !onChangingEx(position, up))
        return false;
    m_position = position;
    return true;
}

bool UpDown::SetPosition(int position) {
    if (position == m_position)
        return true;
    return ChangeTo(position, position > m_position);
}

void UpDown::Step(bool up) {
    const int next = up ? m_position + m_increment : m_position - m_increment;
    if (next < m_min || next > m_max)
        return;
    if (ChangeTo(next, up))
        emit clicked(up);
}

void CountEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit enterPressed();
        return;
    }
    if (key == Qt::Key_Backspace || (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Left ||
        key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Delete ||
        key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept(); // every other character is swallowed
}

CountEditor::CountEditor(const QString& editName, const QString& upDownName, QWidget* parent)
    : QWidget(parent), m_edit(new CountEdit(this)), m_upDown(new UpDown(this)) {
    m_edit->setObjectName(editName);
    m_upDown->setObjectName(upDownName);
    m_edit->setMaximumWidth(60);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_edit);
    layout->addWidget(m_upDown);
}
