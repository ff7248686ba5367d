// The main window's frame: menus, actions, the tool bar, the status bar and the panel
// containers that the editors fill.
#include "ActionLink.h"
#include "FormParts.h"
#include "MainUnit.h"
#include "PanelStatusBar.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Texts come with the window's relabel pass.
QAction* MakeAction(QObject* parent, const char* name) {
    auto* action = new QAction(parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// A menu item of its own name that stands for an action.
QAction* MakeItem(QMenu* menu, const char* name, QAction* action) {
    auto* item = new QAction(menu);
    item->setObjectName(QString::fromLatin1(name));
    LinkToAction(item, action);
    menu->addAction(item);
    return item;
}

QMenu* MakeMenu(QWidget* parent, const char* name) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

// A panel frame with its title bar (title, panel button, close button) as the first item
// of its vertical layout.
QFrame* MakePanel(QWidget* parent, const char* name, const char* titleName, QWidget*& title,
                  const char* buttonName, QToolButton*& button, const char* closeName, QToolButton*& close) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    title = new QWidget(panel);
    title->setObjectName(QString::fromLatin1(titleName));
    title->setAutoFillBackground(true);
    auto* titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(2, 0, 2, 0);
    button = new QToolButton(title);
    button->setObjectName(QString::fromLatin1(buttonName));
    button->setAutoRaise(true);
    titleLayout->addWidget(button);
    titleLayout->addStretch();
    close = new QToolButton(title);
    close->setObjectName(QString::fromLatin1(closeName));
    close->setAutoRaise(true);
    close->setText(QStringLiteral("×"));
    titleLayout->addWidget(close);
    layout->addWidget(title);
    return panel;
}

} // namespace

void TfrmMain::CreateForm() {
    setWindowTitle(QStringLiteral("Tamvik"));
    resize(1024, 720);

    // Actions.
    actPrjTrn = MakeAction(this, "actPrjTrn");
    actPrjSdm = MakeAction(this, "actPrjSdm");
    actPrjPar = MakeAction(this, "actPrjPar");
    actPrjCat = MakeAction(this, "actPrjCat");
    actPrjMem = MakeAction(this, "actPrjMem");
    actPrjAdj = MakeAction(this, "actPrjAdj");
    actPrjLmt = MakeAction(this, "actPrjLmt");
    actPrjPst = MakeAction(this, "actPrjPst");
    for (QAction* a : {actPrjTrn, actPrjSdm, actPrjPar, actPrjCat, actPrjMem})
        a->setCheckable(true);
    for (QAction* a : {actPrjAdj, actPrjLmt, actPrjPst})
        a->setVisible(false);
    actFileOpenPrj = MakeAction(this, "actFileOpenPrj");
    actFileSavePrj = MakeAction(this, "actFileSavePrj");
    actFileSaveAsPrj = MakeAction(this, "actFileSaveAsPrj");
    actFilePrjInfo = MakeAction(this, "actFilePrjInfo");
    actFilePrintStm = MakeAction(this, "actFilePrintStm");
    actFilePrintSdl = MakeAction(this, "actFilePrintSdl");
    actFileExportStm = MakeAction(this, "actFileExportStm");
    actFileExportPrm = MakeAction(this, "actFileExportPrm");
    actFileExportSdl = MakeAction(this, "actFileExportSdl");
    actFileExportQst = MakeAction(this, "actFileExportQst");
    actFileReferStm = MakeAction(this, "actFileReferStm");
    actFileReferPrm = MakeAction(this, "actFileReferPrm");
    actFileReferSdl = MakeAction(this, "actFileReferSdl");
    actFileReferQst = MakeAction(this, "actFileReferQst");
    actExecShow = MakeAction(this, "actExecShow");
    actExecQst = MakeAction(this, "actExecQst");
    actExecResult = MakeAction(this, "actExecResult");
    actExecCtrlPlay = MakeAction(this, "actExecCtrlPlay");
    actExecCtrlPlay->setShortcut(Qt::Key_F5);
    actExecCtrlSuspend = MakeAction(this, "actExecCtrlSuspend");
    actExecCtrlSuspend->setShortcut(Qt::Key_F6);
    actExecCtrlStop = MakeAction(this, "actExecCtrlStop");
    actExecCtrlStop->setShortcut(Qt::Key_F7);
    actExecCtrlCancelRepeat = MakeAction(this, "actExecCtrlCancelRepeat");
    actExecCtrlCancelRepeat->setShortcut(Qt::Key_F8);
    actExecCtrlCancelRepeat->setCheckable(true);
    actViewSdl = MakeAction(this, "actViewSdl");
    actViewSdl->setCheckable(true);
    actViewSdl->setChecked(true);
    actViewPlayCtrl = MakeAction(this, "actViewPlayCtrl");
    actViewPlayCtrl->setCheckable(true);
    actViewPlayCtrl->setChecked(true);
    actOptSetting = MakeAction(this, "actOptSetting");
    actASIOSetting = MakeAction(this, "actASIOSetting");
    actStmListClear = MakeAction(this, "actStmListClear");
    actStmListDelRow = MakeAction(this, "actStmListDelRow");
    actStmListInsRow = MakeAction(this, "actStmListInsRow");
    actStmListListen = MakeAction(this, "actStmListListen");
    actStmListSelectAll = MakeAction(this, "actStmListSelectAll");
    actStmListShowCard = MakeAction(this, "actStmListShowCard");
    actSdlAllNew = MakeAction(this, "actSdlAllNew");
    actSdlCopyNew = MakeAction(this, "actSdlCopyNew");
    actSdlDelete = MakeAction(this, "actSdlDelete");
    actSdlRename = MakeAction(this, "actSdlRename");
    actSdlListListen = MakeAction(this, "actSdlListListen");
    actSdlListSortPrs = MakeAction(this, "actSdlListSortPrs");
    actSdlListSortTrl = MakeAction(this, "actSdlListSortTrl");
    actSdlListSortTrlRdm = MakeAction(this, "actSdlListSortTrlRdm");
    actQstDelRow = MakeAction(this, "actQstDelRow");
    actQstInsRow = MakeAction(this, "actQstInsRow");
    for (QAction* a : findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        addAction(a); // shortcuts work without a menu

    // Menus.
    mnuMain = new QMenuBar(this);
    mnuMain->setObjectName(QStringLiteral("mnuMain"));
    setMenuBar(mnuMain);

    mnuFile = MakeMenu(this, "mnuFile");
    mnuFileNewPrj = MakeMenu(mnuFile, "mnuFileNewPrj");
    mnuFileNewPrj->addActions(
        {actPrjTrn, actPrjSdm, actPrjPar, actPrjCat, actPrjMem, actPrjAdj, actPrjLmt, actPrjPst});
    mnuFile->addMenu(mnuFileNewPrj);
    mnuFileOpenPrj = MakeItem(mnuFile, "mnuFileOpenPrj", actFileOpenPrj);
    mnuFileSavePrj = MakeItem(mnuFile, "mnuFileSavePrj", actFileSavePrj);
    mnuFileSaveAsPrj = MakeItem(mnuFile, "mnuFileSaveAsPrj", actFileSaveAsPrj);
    mnuFile->addSeparator();
    mnuFilePrjInfo = MakeItem(mnuFile, "mnuFilePrjInfo", actFilePrjInfo);
    mnuFile->addSeparator();
    mnuFileRefer = MakeMenu(mnuFile, "mnuFileRefer");
    MakeItem(mnuFileRefer, "mnuFileReferStm", actFileReferStm);
    MakeItem(mnuFileRefer, "mnuFileReferPrm", actFileReferPrm);
    MakeItem(mnuFileRefer, "mnuFileReferSdl", actFileReferSdl);
    // The questionnaire import is not offered in the menu.
    MakeItem(mnuFileRefer, "mnuFileReferQst", actFileReferQst)->setVisible(false);
    mnuFile->addMenu(mnuFileRefer);
    mnuFileExport = MakeMenu(mnuFile, "mnuFileExport");
    mnuFileExport->addActions({actFileExportStm, actFileExportPrm, actFileExportSdl});
    mnuFileExportQst = MakeItem(mnuFileExport, "mnuFileExportQst", actFileExportQst);
    mnuFileExportQst->setVisible(false);
    mnuFile->addMenu(mnuFileExport);
    mnuFilePrint = MakeMenu(mnuFile, "mnuFilePrint");
    mnuFilePrint->addActions({actFilePrintStm, actFilePrintSdl});
    mnuFile->addMenu(mnuFilePrint);
    mnuFilePrintSetting = mnuFile->addAction(QString());
    mnuFilePrintSetting->setObjectName(QStringLiteral("mnuFilePrintSetting"));
    mnuFile->addSeparator();
    categoryManage = mnuFile->addAction(QString());
    categoryManage->setObjectName(QStringLiteral("categoryManage"));
    projectUpload = mnuFile->addAction(QString());
    projectUpload->setObjectName(QStringLiteral("projectUpload"));
    projectDownload = mnuFile->addAction(QString());
    projectDownload->setObjectName(QStringLiteral("projectDownload"));
    mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(QString());
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    mnuMain->addMenu(mnuFile);

    mnuEdit = MakeMenu(this, "mnuEdit");
    mnuStimulus = MakeMenu(mnuEdit, "mnuStimulus");
    mnuSchedule = MakeMenu(mnuEdit, "mnuSchedule");
    mnuEdit->addMenu(mnuStimulus);
    mnuEdit->addMenu(mnuSchedule);
    mnuMain->addMenu(mnuEdit);

    mnuView = MakeMenu(this, "mnuView");
    mnuViewSdl = MakeItem(mnuView, "mnuViewSdl", actViewSdl);
    mnuViewPlayCtrl = MakeItem(mnuView, "mnuViewPlayCtrl", actViewPlayCtrl);
    mnuViewLanguage = MakeMenu(mnuView, "mnuViewLanguage");
    for (int tag = 1; tag <= 2; ++tag) {
        QAction* item = mnuViewLanguage->addAction(QString());
        item->setObjectName(tag == 1 ? QStringLiteral("mnuViewLanguageJapanese")
                                     : QStringLiteral("mnuViewLanguageEnglish"));
        item->setCheckable(true);
        item->setData(tag);
    }
    mnuView->addMenu(mnuViewLanguage);
    mnuMain->addMenu(mnuView);

    mnuExec = MakeMenu(this, "mnuExec");
    mnuExec->addActions({actExecShow, actExecQst});
    mnuExecResult = MakeItem(mnuExec, "mnuExecResult", actExecResult);
    mnuMain->addMenu(mnuExec);

    mnuOption = MakeMenu(this, "mnuOption");
    mnuOption->addActions({actOptSetting, actASIOSetting});
    mnuMain->addMenu(mnuOption);

    mnuHelp = MakeMenu(this, "mnuHelp");
    mnuVersion = mnuHelp->addAction(QString());
    mnuVersion->setObjectName(QStringLiteral("mnuVersion"));
    mnuMain->addMenu(mnuHelp);

    // The frame: tool bar above the splitters.
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlClient"));
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    setCentralWidget(central);

    tlbMain = new QWidget(central);
    tlbMain->setObjectName(QStringLiteral("tlbMain"));
    auto* toolLayout = new QHBoxLayout(tlbMain);
    toolLayout->setContentsMargins(2, 2, 2, 2);
    tbtnFileNewPrj = MakeTextToolButton(tlbMain, "tbtnFileNewPrj");
    tbtnFileNewPrj->setMenu(mnuFileNewPrj);
    tbtnFileNewPrj->setPopupMode(QToolButton::MenuButtonPopup);
    tbtnFileOpenPrj = MakeTextToolButton(tlbMain, "tbtnFileOpenPrj");
    LinkToAction(tbtnFileOpenPrj, actFileOpenPrj);
    tbtnFileSavePrj = MakeTextToolButton(tlbMain, "tbtnFileSavePrj");
    LinkToAction(tbtnFileSavePrj, actFileSavePrj);
    tbtnFilePrint = MakeTextToolButton(tlbMain, "tbtnFilePrint");
    tbtnFilePrint->setMenu(mnuFilePrint);
    tbtnFilePrint->setPopupMode(QToolButton::InstantPopup);
    tbtnResult = MakeTextToolButton(tlbMain, "tbtnResult");
    LinkToAction(tbtnResult, actExecResult);
    proDownloadTbn = MakeTextToolButton(tlbMain, "proDownloadTbn");
    toolLayout->addStretch();
    centralLayout->addWidget(tlbMain);

    sptHor = new QSplitter(Qt::Horizontal, central);
    sptHor->setObjectName(QStringLiteral("sptHor"));
    centralLayout->addWidget(sptHor, 1);
    pnlLeft = new QWidget(sptHor);
    pnlLeft->setObjectName(QStringLiteral("pnlLeft"));
    auto* leftLayout = new QVBoxLayout(pnlLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    sptVer = new QSplitter(Qt::Vertical, pnlLeft);
    sptVer->setObjectName(QStringLiteral("sptVer"));
    leftLayout->addWidget(sptVer);
    pnlStimulus = MakePanel(sptVer, "pnlStimulus", "pnlStmTitle", pnlStmTitle, "sbtnStimulus", sbtnStimulus,
                            "sbtnStmClose", sbtnStmClose);
    pnlParameter = MakePanel(sptVer, "pnlParameter", "pnlPrmTitle", pnlPrmTitle, "sbtnParameter",
                             sbtnParameter, "sbtnPrmClose", sbtnPrmClose);
    sptVer->addWidget(pnlStimulus);
    sptVer->addWidget(pnlParameter);
    pnlSchedule = MakePanel(sptHor, "pnlSchedule", "pnlSdlTitle", pnlSdlTitle, "sbtnSchedule", sbtnSchedule,
                            "sbtnSdlClose", sbtnSdlClose);
    sptHor->addWidget(pnlLeft);
    sptHor->addWidget(pnlSchedule);

    stbInformation = new PanelStatusBar(4, this);
    stbInformation->setObjectName(QStringLiteral("stbInformation"));
    setStatusBar(stbInformation);

    // Buttons with a click handler or a menu of their own still show their command's state.
    FollowAction(tbtnFileNewPrj, mnuFileNewPrj->menuAction());
    FollowAction(tbtnFilePrint, mnuFilePrint->menuAction());
    FollowAction(proDownloadTbn, projectDownload);

    projectCommands = {actExecShow,      actFilePrjInfo,   actSdlListListen, actFileSaveAsPrj,
                       actFilePrintStm,  actFilePrintSdl,  actFileExportStm, actFileExportPrm,
                       actFileExportSdl, actFileExportQst, actFileReferStm,  actFileReferPrm,
                       actFileReferSdl,  actFileReferQst,  projectUpload};
    idleCommands = {actFileOpenPrj,
                    actFileSavePrj,
                    actFileSaveAsPrj,
                    actFilePrjInfo,
                    projectDownload,
                    projectUpload,
                    categoryManage,
                    mnuFilePrintSetting,
                    mnuVersion,
                    mnuFileExit,
                    actFilePrintStm,
                    actFilePrintSdl,
                    actFileExportStm,
                    actFileExportPrm,
                    actFileExportSdl,
                    actFileExportQst,
                    actFileReferStm,
                    actFileReferPrm,
                    actFileReferSdl,
                    actFileReferQst,
                    actSdlListListen,
                    actASIOSetting,
                    actExecShow,
                    actExecQst,
                    actExecResult,
                    actOptSetting,
                    mnuStimulus->menuAction(),
                    mnuSchedule->menuAction(),
                    mnuFileNewPrj->menuAction(),
                    mnuFilePrint->menuAction()};
}
