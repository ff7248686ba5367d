#include "CountEditor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

void Type(QWidget* w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
}

TEST(CountEditor, ArrowsStayInRangeAskFirstAndReportAfter) {
    CountEditor e("edtStmNumber", "updStmNumber");
    UpDown* ud = e.Updown();
    ud->SetRange(1, 3);
    ud->SetPosition(3);
    std::vector<int> asked;
    bool allow = true;
    ud->onChangingEx = [&](int v, bool) {
        asked.push_back(v);
        return allow;
    };
    int clicks = 0;
    QObject::connect(ud, &UpDown::clicked, [&](bool) { ++clicks; });

    ud->ClickUp(); // beyond Max: not even asked
    EXPECT_EQ(ud->Position(), 3);
    ud->ClickDown();
    EXPECT_EQ(ud->Position(), 2);
    allow = false;
    ud->ClickDown(); // refused by the owner
    EXPECT_EQ(ud->Position(), 2);
    EXPECT_FALSE(ud->SetPosition(1)) << "a program change is vetoed like a click";
    EXPECT_EQ(asked, (std::vector<int>{2, 1, 1}));
    EXPECT_EQ(clicks, 1);
}

TEST(CountEditor, EditTakesDigitsAndBackspaceAndReportsEnter) {
    CountEditor e("edtTrlNumber", "updTrlNumber");
    EXPECT_EQ(e.Edit()->objectName(), QString("edtTrlNumber"));
    EXPECT_EQ(e.Updown()->objectName(), QString("updTrlNumber"));
    int enters = 0;
    QObject::connect(e.Edit(), &CountEdit::enterPressed, [&] { ++enters; });
    Type(e.Edit(), Qt::Key_1, "1");
    Type(e.Edit(), Qt::Key_A, "a");
    Type(e.Edit(), Qt::Key_Minus, "-");
    Type(e.Edit(), Qt::Key_2, "2");
    EXPECT_EQ(e.Edit()->text(), QString("12"));
    Type(e.Edit(), Qt::Key_Backspace);
    EXPECT_EQ(e.Edit()->text(), QString("1"));
    Type(e.Edit(), Qt::Key_Return, "\r");
    EXPECT_EQ(enters, 1);
}

} // namespace
