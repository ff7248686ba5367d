#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

class QToolButton;

// The up-down half of a count editor: a range, an increment and a position. Every change
// of the position, by an arrow or by the program, first asks onChangingEx, which may
// refuse it; clicked follows an arrow click that moved the position. Tag is free for the
// owner (the previous count).
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    void SetRange(int min, int max);
    int Increment() const { return m_increment; }
    void SetIncrement(int increment) { m_increment = increment < 1 ? 1 : increment; }
    int Position() const { return m_position; }
    // False when the change was refused.
    bool SetPosition(int position);
    int Tag = 0;

    std::function<bool(int newValue, bool up)> onChangingEx;

    // Arrow clicks, for tests and keyboard handling.
    void ClickUp() { Step(true); }
    void ClickDown() { Step(false); }

signals:
    void clicked(bool up);

private:
    bool ChangeTo(int position, bool up);
    void Step(bool up);

    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
    int m_position = 0;
};

// The edit box of a count editor: only digits and backspace reach it; Enter is reported
// for the owner to commit (which may refuse and undo the typing).
class CountEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CountEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}

signals:
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// An edit box with an up-down beside it; the two halves carry their own object names.
class CountEditor : public QWidget {
    Q_OBJECT
public:
    CountEditor(const QString& editName, const QString& upDownName, QWidget* parent = nullptr);

    CountEdit* Edit() const { return m_edit; }
    UpDown* Updown() const { return m_upDown; }

private:
    CountEdit* m_edit;
    UpDown* m_upDown;
};
