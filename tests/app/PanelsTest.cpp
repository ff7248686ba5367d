// The panels, tool bars, edit popup and About box of the shown main window.
#include "MainWindowFixture.h"

#include "VersionUnit.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

class PanelsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        LogInWithFullRights();
        w->resize(1000, 700);
        w->show();
        ASSERT_TRUE(PumpUntil([this] { return w->isVisible(); }));
        Find<QAction>("actPrjSdm")->trigger();
    }
    bool Shown(const char* name) const { return !Find<QWidget>(name)->isHidden(); }

    // Drags the splitter's handle by `by` pixels, as far as the panels let it go.
    static void DragHandle(QSplitter* splitter, int by) {
        QSplitterHandle* handle = splitter->handle(1);
        const QPoint from = handle->rect().center();
        const QPoint to = from + (splitter->orientation() == Qt::Horizontal ? QPoint(by, 0) : QPoint(0, by));
        const auto send = [handle](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            QMouseEvent event(type, at, handle->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QCoreApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }

    // The resize the window system sends when it resizes `widget` to `size`. The offscreen
    // platform ignores geometry requests for a maximised window and QWidget::resize ends the
    // maximised state, so the event is delivered without the geometry change: the panels
    // then show what the resize rules made of them alone.
    static void WindowSystemResize(QWidget* widget, QSize size) {
        QResizeEvent event(size, widget->size());
        QCoreApplication::sendEvent(widget, &event);
    }

    // Shows the window maximised or not, with the left panel widened and the stimulus panel
    // raised through their splitters; not so far that the other panels collapse.
    void ShowWithLargeLeftPanels(bool maximised) {
        if (maximised)
            w->showMaximized();
        else
            w->showNormal();
        ASSERT_TRUE(PumpUntil([&] { return w->isMaximized() == maximised; }));
        ASSERT_TRUE(DrainPosted());
        const int leftWidth = w->pnlLeft->width();
        const int stimulusHeight = w->pnlStimulus->height();
        DragHandle(w->sptHor, 100);
        DragHandle(w->sptVer, 100);
        ASSERT_TRUE(DrainPosted());
        ASSERT_GT(w->pnlLeft->width(), leftWidth);
        ASSERT_GT(w->pnlStimulus->height(), stimulusHeight);
    }
};

TEST_F(PanelsTest, HidingEveryPanelIsRefusedAndTheScheduleComesBackAtItsWidth) {
    const int scheduleWidth = w->pnlSchedule->width();
    Find<QAction>("mnuViewSdl")->trigger();
    EXPECT_FALSE(Shown("pnlSchedule"));
    EXPECT_FALSE(Find<QAction>("mnuViewSdl")->isChecked());

    w->sbtnStmClose->click(); // the parameter panel alone is left
    EXPECT_FALSE(Shown("pnlStimulus"));
    EXPECT_TRUE(Shown("pnlParameter"));
    EXPECT_TRUE(ui->messages.empty());

    Find<QAction>("mnuViewExec")->trigger();
    EXPECT_EQ(ShownTexts(),
              QStringList{QStringLiteral("It is not possible to make everything non indicatory.")});
    EXPECT_TRUE(Shown("pnlParameter")) << "the last panel stays";
    EXPECT_TRUE(Shown("pnlLeft"));
    EXPECT_TRUE(Find<QAction>("mnuViewExec")->isChecked());

    Find<QAction>("mnuViewSdl")->trigger();
    EXPECT_TRUE(PumpUntil([&] { return Shown("pnlSchedule"); }));
    EXPECT_NEAR(w->pnlSchedule->width(), scheduleWidth, 2 * w->sptHor->handleWidth() + 2);

    // With the schedule shown, closing the last left panel hides the left side.
    w->sbtnPrmClose->click();
    EXPECT_FALSE(Shown("pnlLeft"));
    EXPECT_EQ(ui->messages.size(), 1u);
    Find<QAction>("mnuViewStm")->trigger();
    EXPECT_TRUE(Shown("pnlLeft"));
    EXPECT_TRUE(Shown("pnlStimulus"));
    EXPECT_FALSE(Shown("pnlParameter"));
}

TEST_F(PanelsTest, ToolBarsHideAndShowFromTheViewMenu) {
    for (auto [item, bar] :
         {std::pair{"mnuViewTlbStd", "tlbMain"}, std::pair{"mnuViewStmNum", "pnlStmNumber"},
          std::pair{"mnuViewSdlPrm", "pnlSdlPrm"}}) {
        Find<QAction>(item)->trigger();
        EXPECT_FALSE(Shown(bar)) << bar;
        Find<QAction>(item)->trigger();
        EXPECT_TRUE(Shown(bar)) << bar;
    }
}

TEST_F(PanelsTest, TheEditPopupCutsAndPastesInTheFocusedEdit) {
    QPlainTextEdit* memo = w->memExplain;
    memo->setFocus();
    memo->setPlainText(QStringLiteral("Listen twice."));
    memo->selectAll();
    QMenu* popup = Find<QMenu>("popEdtMenu");
    popup->findChild<QAction*>(QStringLiteral("popEdtCut"))->trigger();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    popup->findChild<QAction*>(QStringLiteral("popEdtPaste"))->trigger();
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Listen twice."));
}

TEST_F(PanelsTest, AboutShowsTheVersion) {
    QString shown;
    QTimer::singleShot(0, w.get(), [&] {
        shown = w->frmVersion->lblVersion->text();
        w->frmVersion->accept();
    });
    Find<QAction>("mnuVersion")->trigger();
    EXPECT_EQ(shown, QStringLiteral("Host Application, [ver. " TAMVIK_VERSION "]"));
}

TEST_F(PanelsTest, WhileMaximisedTheLeftPanelsGiveWayToASmallerWindow) {
    ASSERT_NO_FATAL_FAILURE(ShowWithLargeLeftPanels(true));
    const int handle = w->sptHor->handleWidth();

    const int narrower = w->pnlLeft->width() - 100;
    WindowSystemResize(w.get(), QSize(narrower, w->height()));
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->pnlLeft->width(), narrower - handle - 4);
    EXPECT_EQ(w->pnlSchedule->width(), w->sptHor->width() - w->pnlLeft->width() - handle);

    const int lower = w->pnlStimulus->height() - 100;
    WindowSystemResize(w->pnlLeft, QSize(w->pnlLeft->width(), lower));
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->pnlStimulus->height(), lower - w->sptVer->handleWidth() - 4);
    EXPECT_EQ(w->pnlParameter->height(),
              w->sptVer->height() - w->pnlStimulus->height() - w->sptVer->handleWidth());
    EXPECT_TRUE(w->isMaximized());

    // Sizes the panels already fit are no reason to move the splitters.
    const QList<int> across = w->sptHor->sizes();
    const QList<int> down = w->sptVer->sizes();
    WindowSystemResize(w.get(), QSize(w->pnlLeft->width(), w->height()));
    WindowSystemResize(w->pnlLeft, QSize(w->pnlLeft->width(), w->pnlStimulus->height()));
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->sptHor->sizes(), across);
    EXPECT_EQ(w->sptVer->sizes(), down);
}

TEST_F(PanelsTest, AWindowThatIsNotMaximisedKeepsItsPanelSizes) {
    ASSERT_NO_FATAL_FAILURE(ShowWithLargeLeftPanels(false));
    const int leftWidth = w->pnlLeft->width();
    const int stimulusHeight = w->pnlStimulus->height();

    WindowSystemResize(w.get(), QSize(leftWidth - 100, w->height()));
    WindowSystemResize(w->pnlLeft, QSize(leftWidth, stimulusHeight - 100));
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->pnlLeft->width(), leftWidth);
    EXPECT_EQ(w->pnlStimulus->height(), stimulusHeight);
}
