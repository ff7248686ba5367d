#pragma once

#include "MainWindowFixture.h"

#include "CountEditor.h"
#include "StringGrid.h"

#include <QAction>
#include <QDropEvent>
#include <QLocale>
#include <QMimeData>
#include <QPointer>
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

    // A point of a cell in the main window's coordinates.
    QPoint CellPoint(StringGrid* grid, int col, int row) const {
        const QPoint at = grid->visualRect(grid->model()->index(row, col)).center();
        return grid->viewport()->mapTo(w.get(), at);
    }

    // Drags data across the main window through the points of `path` (window coordinates)
    // and lets go at the last one, delivered as the window system hands a drag to a widget
    // window: the widget under the pointer that takes drops gets an enter when the pointer
    // comes onto it (a leave goes to the one before) and a move at every point, a move
    // starts out with the answer the last one got, and the drop comes only when the last
    // move was accepted. True when a drop was delivered and accepted.
    bool DragAlong(const QMimeData& data, const QList<QPoint>& path) {
        QPointer<QWidget> target;
        bool accepted = false;
        for (const QPoint& p : path) {
            QWidget* under = w->childAt(p);
            while (under && !under->acceptDrops() && !under->isWindow())
                under = under->parentWidget();
            if (under && !under->acceptDrops())
                under = nullptr;
            if (under != target) {
                if (target) {
                    QDragLeaveEvent leave;
                    QCoreApplication::sendEvent(target, &leave);
                }
                target = under;
                accepted = false;
                if (target) {
                    QDragEnterEvent enter(target->mapFrom(w.get(), p), Qt::CopyAction, &data, Qt::LeftButton,
                                          Qt::NoModifier);
                    QCoreApplication::sendEvent(target, &enter);
                    accepted = enter.isAccepted();
                }
            }
            if (!target)
                continue;
            QDragMoveEvent move(target->mapFrom(w.get(), p), Qt::CopyAction, &data, Qt::LeftButton,
                                Qt::NoModifier);
            move.setAccepted(accepted);
            QCoreApplication::sendEvent(target, &move);
            accepted = move.isAccepted();
        }
        if (!target)
            return false;
        if (!accepted) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(target, &leave);
            return false;
        }
        QDropEvent drop(QPointF(target->mapFrom(w.get(), path.last())), Qt::CopyAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    static void ClickCell(StringGrid* grid, int col, int row) {
        grid->scrollTo(grid->model()->index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, col)).center());
    }
};
