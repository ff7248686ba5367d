// The panels, tool bars, edit popup and About box of the shown main window.
#include "MainWindowFixture.h"

#include "VersionUnit.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
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
