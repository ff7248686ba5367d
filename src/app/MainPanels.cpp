// The main window's panels, tool bars and focus: showing and hiding the three panels,
// the title bars' buttons and colours, the edit popup shared by the edit boxes, and the
// About box.
#include "MainUnit.h"

#include "ActionLink.h"
#include "Cexectable.h"
#include "CountEditor.h"
#include "EarlyResizeFilter.h"
#include "ResultUnit.h"
#include "StringGrid.h"
#include "VersionUnit.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QResizeEvent>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace {

// The control a title bar remembers, to give the focus back to it.
const char* const kRemembered = "Tag";

QWidget* Remembered(QWidget* title) {
    return qobject_cast<QWidget*>(title->property(kRemembered).value<QObject*>());
}

void Remember(QWidget* title, QWidget* control) {
    if (!Remembered(title))
        title->setProperty(kRemembered, QVariant::fromValue<QObject*>(control));
}

void PaintTitle(QWidget* title, bool active) {
    QPalette palette = title->palette();
    const QPalette& app = QApplication::palette();
    palette.setColor(QPalette::Window, active ? app.color(QPalette::Highlight) : app.color(QPalette::Button));
    // The caption button's hover and pressed looks take the title's colour, so its text
    // stays readable on them.
    palette.setColor(QPalette::Button, active ? app.color(QPalette::Highlight) : app.color(QPalette::Button));
    palette.setColor(QPalette::WindowText,
                     active ? app.color(QPalette::HighlightedText) : app.color(QPalette::WindowText));
    palette.setColor(QPalette::ButtonText,
                     active ? app.color(QPalette::HighlightedText) : app.color(QPalette::ButtonText));
    title->setPalette(palette);
}

bool Within(const QWidget* widget, const QWidget* panel) {
    return widget && (widget == panel || panel->isAncestorOf(widget));
}

// Gives the splitter's first panel `first` pixels and the second panel the rest of the
// splitter as it is now: sizes adding up to another extent would be scaled by the splitter,
// and the first panel would not get its size.
void SetFirstPanelSize(QSplitter* splitter, int first) {
    const int extent = splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
    splitter->setSizes({first, std::max(0, extent - first - splitter->handleWidth())});
}

} // namespace

void TfrmMain::CreatePanelCommands() {
    const auto make = [this](const char* name) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        action->setChecked(true);
        addAction(action);
        return action;
    };
    actViewStm = make("actViewStm");
    actViewExec = make("actViewExec");
    actViewTlb = make("actViewTlb");
    actViewStmNum = make("actViewStmNum");
    actViewSdlPrm = make("actViewSdlPrm");

    // View menu: the three panels, the tool bars, the play controls, the language.
    QAction* first = mnuView->actions().value(0);
    const auto item = [this, first](const char* name, QAction* command, QMenu* menu) {
        auto* view = new QAction(menu);
        view->setObjectName(QString::fromLatin1(name));
        LinkToAction(view, command);
        if (menu == mnuView)
            mnuView->insertAction(first, view);
        else
            menu->addAction(view);
    };
    item("mnuViewStm", actViewStm, mnuView);
    item("mnuViewExec", actViewExec, mnuView);
    mnuViewTlb = new QMenu(mnuView);
    mnuViewTlb->setObjectName(QStringLiteral("mnuViewTlb"));
    item("mnuViewTlbStd", actViewTlb, mnuViewTlb);
    item("mnuViewStmNum", actViewStmNum, mnuViewTlb);
    item("mnuViewSdlPrm", actViewSdlPrm, mnuViewTlb);
    mnuView->insertMenu(mnuViewLanguage->menuAction(), mnuViewTlb);

    // The edit popup of the edit boxes.
    popEdtMenu = new QMenu(this);
    popEdtMenu->setObjectName(QStringLiteral("popEdtMenu"));
    for (const char* name : {"popEdtUndo", "popEdtCut", "popEdtCopy", "popEdtPaste"}) {
        QAction* action = popEdtMenu->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
    }
}

void TfrmMain::ConnectPanelCommands() {
    for (StringGrid* grid : {asgdStimulus, asgdSchedule, asgdTrnBtn, asgdSdmExpress, asgdParBtn,
                             asgdCatCategory, asgdQuestion}) {
        if (grid && !grid->getAlignment)
            grid->getAlignment = [grid](int col, int row) { return AllGridsGetAlignment(grid, col, row); };
    }
    for (StringGrid* grid : {asgdSchedule, asgdTrnBtn, asgdSdmExpress, asgdParBtn, asgdCatCategory}) {
        if (grid)
            connect(grid, &StringGrid::cellDoubleClicked, this,
                    [this, grid](int col, int row) { AllGridsDblClickCell(grid, col, row); });
    }
    // The resize rules of a maximised window compare the new size with the panels' sizes
    // before the layouts shrink the panels.
    resizeForesight = new EarlyResizeFilter(this, {this, pnlLeft}, [this](QWidget* resized, QSize size) {
        if (resized == this)
            FormCanResize(size.width());
        else
            pnlLeftCanResize(size.height());
    });
    connect(actViewStm, &QAction::triggered, this, &TfrmMain::actViewStmExecute);
    connect(actViewExec, &QAction::triggered, this, &TfrmMain::actViewExecExecute);
    connect(actViewSdl, &QAction::triggered, this, &TfrmMain::actViewSdlExecute);
    connect(actViewTlb, &QAction::triggered, this, [this] { tlbMain->setVisible(tlbMain->isHidden()); });
    for (auto [action, name] :
         {std::pair{actViewStmNum, "pnlStmNumber"}, std::pair{actViewSdlPrm, "pnlSdlPrm"}}) {
        QWidget* bar = findChild<QWidget*>(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [bar] {
            if (bar)
                bar->setVisible(bar->isHidden());
        });
    }
    connect(mnuView, &QMenu::aboutToShow, this, &TfrmMain::mnuViewClick);
    connect(mnuVersion, &QAction::triggered, this, &TfrmMain::mnuVersionClick);

    connect(sbtnStmClose, &QToolButton::clicked, this, [this] { ClosePanel(actViewStm); });
    connect(sbtnPrmClose, &QToolButton::clicked, this, [this] { ClosePanel(actViewExec); });
    connect(sbtnSdlClose, &QToolButton::clicked, this, [this] { ClosePanel(actViewSdl); });
    for (auto [button, menu] : {std::pair{sbtnStimulus, popStmMenu}, std::pair{sbtnParameter, popPrmMenu},
                                std::pair{sbtnSchedule, popSdlAllMenu}}) {
        connect(button, &QToolButton::clicked, this,
                [button = button, menu = menu] { menu->popup(button->mapToGlobal(QPoint(0, 0))); });
    }
    for (QWidget* title : {pnlStmTitle, pnlPrmTitle, pnlSdlTitle})
        title->installEventFilter(this);
    connect(sptVer, &QSplitter::splitterMoved, this, [this] { stimulusPanelHeight = pnlStimulus->height(); });
    connect(qApp, &QApplication::focusChanged, this, &TfrmMain::FocusChanged);

    // The edit popup works on the window's focused edit box.
    const auto onEdit = [this](auto line, auto memo) {
        return [this, line, memo] {
            QWidget* focus = focusWidget();
            if (auto* edit = qobject_cast<QLineEdit*>(focus))
                (edit->*line)();
            else if (auto* text = qobject_cast<QPlainTextEdit*>(focus))
                (text->*memo)();
        };
    };
    const auto popItem = [this](const char* name) {
        return popEdtMenu->findChild<QAction*>(QString::fromLatin1(name));
    };
    connect(popItem("popEdtUndo"), &QAction::triggered, this,
            onEdit(&QLineEdit::undo, &QPlainTextEdit::undo));
    connect(popItem("popEdtCut"), &QAction::triggered, this, onEdit(&QLineEdit::cut, &QPlainTextEdit::cut));
    connect(popItem("popEdtCopy"), &QAction::triggered, this,
            onEdit(&QLineEdit::copy, &QPlainTextEdit::copy));
    connect(popItem("popEdtPaste"), &QAction::triggered, this,
            onEdit(&QLineEdit::paste, &QPlainTextEdit::paste));
    for (QWidget* edit : {static_cast<QWidget*>(memExplain), static_cast<QWidget*>(edtTrnBtnNum),
                          static_cast<QWidget*>(edtSdmScale), static_cast<QWidget*>(edtSdmExpressNum),
                          static_cast<QWidget*>(edtCatCategoryNum), static_cast<QWidget*>(edtQstNum),
                          static_cast<QWidget*>(edtStmNumber), static_cast<QWidget*>(edtTrlNumber),
                          static_cast<QWidget*>(edtPrsNumber), static_cast<QWidget*>(edtTabName)}) {
        if (!edit)
            continue;
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint& at) {
            edit->setFocus();
            popEdtMenu->popup(edit->mapToGlobal(at));
        });
    }
}

void TfrmMain::UpdatePanelCommands() {
    const bool left = !pnlLeft->isHidden();
    const auto mark = [](QAction* action, bool on) { action->setChecked(on); };
    mark(actViewStm, !pnlStimulus->isHidden() && left);
    mark(actViewExec, !pnlParameter->isHidden() && left);
    mark(actViewSdl, !pnlSchedule->isHidden());
    mark(actViewTlb, !tlbMain->isHidden());
    if (QWidget* bar = findChild<QWidget*>(QStringLiteral("pnlStmNumber")))
        mark(actViewStmNum, !bar->isHidden());
    if (QWidget* bar = findChild<QWidget*>(QStringLiteral("pnlSdlPrm")))
        mark(actViewSdlPrm, !bar->isHidden());
}

bool TfrmMain::SetPanelLayout(int code) {
    if (code < 0 || code > 3)
        return false;
    if (code == 3) {
        if (pnlSchedule->isHidden()) {
            ShowMessage("IDS_323", UiServices::Kind::Warning);
            UpdatePanelCommands();
            return false;
        }
        showStimulusPanel = showParameterPanel = false;
        pnlLeft->hide();
        UpdatePanelCommands();
        return true;
    }
    showStimulusPanel = code != 2;
    showParameterPanel = code != 1;
    pnlLeft->show();
    pnlStimulus->setVisible(showStimulusPanel);
    pnlParameter->setVisible(showParameterPanel);
    if (code == 0 && stimulusPanelHeight > 0) {
        const int total = sptVer->height();
        sptVer->setSizes(
            {stimulusPanelHeight, std::max(0, total - stimulusPanelHeight - sptVer->handleWidth())});
    }
    UpdatePanelCommands();
    return true;
}

void TfrmMain::actViewStmExecute() {
    const bool stimulus = !pnlStimulus->isHidden() && !pnlLeft->isHidden();
    const bool parameter = !pnlParameter->isHidden() && !pnlLeft->isHidden();
    SetPanelLayout(stimulus ? (parameter ? 2 : 3) : (parameter ? 0 : 1));
}

void TfrmMain::actViewExecExecute() {
    const bool stimulus = !pnlStimulus->isHidden() && !pnlLeft->isHidden();
    const bool parameter = !pnlParameter->isHidden() && !pnlLeft->isHidden();
    SetPanelLayout(parameter ? (stimulus ? 1 : 3) : (stimulus ? 0 : 2));
}

void TfrmMain::actViewSdlExecute() {
    if (!pnlSchedule->isHidden()) {
        if (pnlLeft->isHidden()) {
            ShowMessage("IDS_323", UiServices::Kind::Warning);
            UpdatePanelCommands();
            return;
        }
        showSchedulePanel = false;
        actViewSdl->setProperty("Tag", pnlSchedule->width());
        pnlSchedule->hide();
    } else {
        showSchedulePanel = true;
        pnlSchedule->show();
        const int width = actViewSdl->property("Tag").toInt();
        const int total = sptHor->width() - sptHor->handleWidth();
        if (width > 0 && width < total)
            sptHor->setSizes({total - width, width});
    }
    UpdatePanelCommands();
}

void TfrmMain::ClosePanel(QAction* view) {
    UpdatePanelCommands();
    view->trigger();
}

void TfrmMain::mnuViewClick() {
    UpdatePanelCommands();
    mnuViewLanguage->setEnabled(frmExecute == nullptr && !(frmResult.Built() && frmResult->isVisible()));
}

void TfrmMain::mnuVersionClick() {
    frmVersion->exec();
}

bool TfrmMain::RestoreFocus(QWidget* title) {
    QWidget* control = Remembered(title);
    if (!control)
        return false;
    title->setProperty(kRemembered, QVariant());
    control->setFocus();
    return true;
}

void TfrmMain::FocusChanged(QWidget* old, QWidget* now) {
    if (now && now->window() == this && !qobject_cast<QMenuBar*>(now))
        activeControl = now;
    if (old == asgdStimulus)
        Remember(pnlStmTitle, old);
    else if (old == asgdSchedule || old == tabSchedule)
        Remember(pnlSdlTitle, old);
    else if (old && Within(old, pnlParameter))
        Remember(pnlPrmTitle, old);
    PaintTitle(pnlStmTitle, Within(now, pnlStimulus));
    PaintTitle(pnlPrmTitle, Within(now, pnlParameter));
    PaintTitle(pnlSdlTitle, Within(now, pnlSchedule));
}

void TfrmMain::FormCanResize(int newWidth) {
    if (!isMaximized() || pnlLeft->isHidden() || newWidth >= pnlLeft->width())
        return;
    // The splitter has its new width once the layouts have passed the resize on.
    const int left = std::max(0, newWidth - sptHor->handleWidth() - 4);
    QMetaObject::invokeMethod(this, [this, left] { SetFirstPanelSize(sptHor, left); }, Qt::QueuedConnection);
}

void TfrmMain::pnlLeftCanResize(int newHeight) {
    if (!isMaximized() || pnlStimulus->isHidden() || newHeight >= pnlStimulus->height())
        return;
    const int stimulus = std::max(0, newHeight - sptVer->handleWidth() - 4);
    QMetaObject::invokeMethod(this, [this, stimulus] { SetFirstPanelSize(sptVer, stimulus); },
                              Qt::QueuedConnection);
}

Qt::Alignment TfrmMain::AllGridsGetAlignment(const StringGrid* grid, int col, int row) {
    if (col < grid->FixedCols() || row < grid->FixedRows())
        return Qt::AlignCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

void TfrmMain::AllGridsDblClickCell(StringGrid* grid, int col, int row) {
    if (col < grid->FixedCols() || row < grid->FixedRows() || grid->Editing())
        return;
    if (execTable->state() != ExecIdle || frmExecute || !tbtnFileOpenPrj->isEnabled())
        return;
    // On now, the grid opens its editor for this double click; off again once it closes.
    grid->SetEditing(true);
    connect(
        grid->itemDelegate(), &QAbstractItemDelegate::closeEditor, grid, [grid] { grid->SetEditing(false); },
        Qt::SingleShotConnection);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == pnlStmTitle) {
            if (!RestoreFocus(pnlStmTitle) && !asgdStimulus->isHidden())
                asgdStimulus->setFocus();
        } else if (watched == pnlSdlTitle) {
            if (!RestoreFocus(pnlSdlTitle) && asgdSchedule->isEnabled() && !asgdSchedule->isHidden())
                asgdSchedule->setFocus();
        } else if (watched == pnlPrmTitle) {
            pgeParameter->setFocus();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
