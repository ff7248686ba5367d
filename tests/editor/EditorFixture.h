#pragma once

#include "MainWindowFixture.h"

#include "CountEditor.h"
#include "StringGrid.h"

#include <QAction>
#include <QLocale>
#include <QTest>
#include <QToolButton>

// A shown, active main window with a new project of the method open, English texts and
// '.' as the decimal point; helpers drive its controls as a user does.
class EditorTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        // The list's columns are sized by the shell once the window has its size; until
        // then give them room to be clicked and dropped on.
        for (int c = 1; c < w->asgdStimulus->ColCount(); ++c)
            if (w->asgdStimulus->ColWidth(c) < 40)
                w->asgdStimulus->SetColWidth(c, 120);
    }

    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        MainWindowTest::TearDown();
    }

    // A new project as the File > New items make it, with editing rights.
    void NewProject(int method) {
        QAction* const items[] = {w->actPrjTrn, w->actPrjSdm, w->actPrjPar, w->actPrjCat, w->actPrjMem};
        w->projectModified = false;
        items[method]->trigger();
        ASSERT_EQ(w->project.GetMethod(), method);
        w->SetFullUser(true);
        ui->messages.clear();
    }

    // Types text into a count's edit box over its old text and presses Enter.
    static void TypeCount(CountEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    static void ClickArrow(UpDown* upDown, bool up) {
        const QList<QToolButton*> arrows = upDown->findChildren<QToolButton*>();
        ASSERT_EQ(arrows.size(), 2);
        QTest::mouseClick(arrows.at(up ? 0 : 1), Qt::LeftButton);
    }

    // Runs the command as its menu item or shortcut would: only when it is offered.
    void Trigger(QAction* action) {
        w->UpdateActions();
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString() << " is not offered";
        action->trigger();
    }

    // Enter in an open cell editor; the view commits it on its next turn of the loop.
    static void PressEnter(QWidget* editor) {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    static void ClickCell(StringGrid* grid, int col, int row) {
        grid->scrollTo(grid->model()->index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, col)).center());
    }
};
