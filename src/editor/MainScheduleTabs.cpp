// The schedule tabs: a click on another tab stores the grid into the schedule being left
// and shows the chosen one; while something plays, a tab is being renamed or a cell of the
// grid does not read the tabs do not change.
#include "Cexectable.h"
#include "CountEditor.h"
#include "MainUnit.h"
#include "StringGrid.h"
#include "WindowFilter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabBar>

namespace {

// Asks before the tab bar changes its tab: the tab bar itself has no such question.
class TabChangeGuard : public WindowFilter {
public:
    TabChangeGuard(TfrmMain& w, QTabBar* tabs) : WindowFilter(w, tabs), m_tabs(tabs) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_tabs)
            return false;
        switch (event->type()) {
        case QEvent::Wheel:
            return !m_w.tabScheduleChanging();
        case QEvent::KeyPress: {
            switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Home:
            case Qt::Key_End:
                return !m_w.tabScheduleChanging();
            default:
                return false;
            }
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            const int index = m_tabs->tabAt(mouse->position().toPoint());
            if (index < 0 || index == m_tabs->currentIndex())
                return false;
            return !m_w.tabScheduleChanging();
        }
        default:
            return false;
        }
    }

private:
    QTabBar* m_tabs;
};

} // namespace

bool TfrmMain::tabScheduleChanging() {
    const bool renaming = edtTabName->property("Tag").toInt() == 1;
    if (execTable->state() != ExecIdle || frmExecute != nullptr || renaming)
        return false;
    // The tab is not left while a cell of it does not read: its edits would be lost.
    return StoreShownSchedule();
}

void TfrmMain::tabScheduleChange() {
    const int tab = tabSchedule->currentIndex();
    if (tab < 0 || tab >= project.GetScheduleCount())
        return;
    CSchedule* schedule = project.GetSchedule(tab);
    asgdSchedule->UnHideColumnsAll();
    const int columnsBefore = asgdSchedule->ColCount();
    const bool modified = projectModified;
    ResizeScheduleGrid(updPrsNumber->Position(), updTrlNumber->Position(), schedule->GetStimulusCount(),
                       schedule->GetTrialCount());
    if (selfTraining && asgdSchedule->ColCount() != columnsBefore)
        asgdSchedule->HideColumn(asgdSchedule->ColCount() - 1);
    updPrsNumber->SetPosition(schedule->GetStimulusCount());
    updTrlNumber->SetPosition(schedule->GetTrialCount());
    ShowSchedule(tab);
    HideAnswerColumns();
    // Showing another schedule is no change of the project.
    projectModified = modified;
    scheduleUndoAvailable = false;
}

void TfrmMain::ConnectScheduleTabs() {
    new TabChangeGuard(*this, tabSchedule);
    connect(tabSchedule, &QTabBar::currentChanged, this, [this] { tabScheduleChange(); });
}
