// The main window's login and the switch of its commands between full rights and the
// restricted mode.
#include "CardUnit.h"
#include "CountEditor.h"
#include "MainUnit.h"
#include "OptionIni.h"
#include "PrjDownloadUnit.h"
#include "PrjInfoUnit.h"
#include "ReplyRecord.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "StringGrid.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

bool NoCredential(const QString& value) {
    return value.isEmpty() || value == QLatin1String("0");
}

// A command (a menu, an action or a view of one) is switched through its action: the
// rights hold it without touching the state its own handlers give it. Menus go through
// their menu item too: showing the menu widget would pop it up.
void SetState(QObject* control, bool enabled, bool visible, bool setVisible) {
    if (QAction* command = CommandOf(control)) {
        HoldCommand(command, CommandHold::Rights, !enabled);
        if (setVisible)
            command->setVisible(visible);
    } else if (auto* widget = qobject_cast<QWidget*>(control)) {
        widget->setEnabled(enabled);
        if (setVisible)
            widget->setVisible(visible);
    }
}

} // namespace

void TfrmMain::ConnectOnlineActions() {
    connect(actExecResult, &QAction::triggered, this, &TfrmMain::actExecResultExecute);
}

void TfrmMain::AuthenticateUser() {
    QString folder, url, userId, password;
    LoadOptionSettings(folder, url, userId, password, false);
    // A port that is not a number leaves the client without a proxy.
    ApplyProxySettings(*IdHTTP1);
    if (NoCredential(userId) || NoCredential(password)) {
        SetFullUser(false);
        return;
    }
    IdHTTP1->SetConnectTimeout(30000);
    IdHTTP1->SetReadTimeout(30000);
    const QStringList lines{FormLine(QStringLiteral("USER_ID"), userId),
                            FormLine(QStringLiteral("USER_PWD"), password)};
    QString reply;
    if (!PostServiceForm(*IdHTTP1, url + QStringLiteral("userAuth"), lines, reply).ok()) {
        SetFullUser(false);
        ShowMessage("IDS_546", UiServices::Kind::Error);
        return;
    }
    SetFullUser(ReplyTestE(reply, ParseKeyValueText(reply)));
}

void TfrmMain::SetFullUser(bool full) {
    // Controls switched by name, in this order; those a later window brings are skipped
    // until it exists.
    static const char* const enabledAndVisible[] = {
        "tbtnFileNewPrj",
        "mnuFileNewPrj",
        "tbtnFileOpenPrj",
        "mnuFileOpenPrj",
        "tbtnFileSavePrj",
        "mnuFileSavePrj",
        "mnuFileSaveAsPrj",
        nullptr,
        "categoryManage",
        "projectUpload",
        nullptr,
        "mnuFileRefer",
        "mnuFileExport",
        "mnuFilePrintSetting",
        "tbtnFilePrint",
        "mnuFilePrint",
        "mnuSchedule",
        "mnuExecResult",
        "tbtnResult",
        "mnuViewStmNum",
        "pnlStmNumber",
        "mnuViewSdlPrm",
        "pnlSdlPrm",
        "popStmListUndo",
        "popStmListCut",
        "popStmListCopy",
        "popStmListPaste",
        "popStmListClear",
        "popStmListBatch",
        "popStmListInsRow",
        "popStmListDelRow",
        "popStmListSelectAll",
        "popStmListExportWav",
        "popSdlListUndo",
        "popSdlListCut",
        "popSdlListCopy",
        "popSdlListPaste",
        "popSdlListClear",
        "popSdlListBatch",
        "popSdlListInsert",
        "popSdlListDelete",
        nullptr,
        "popSdlTab",
        "popSdlAllNew",
        "popSdlCopyNew",
        "popSdlRename",
        "popSdlDelete",
        "popSdlAllNew_a",
        "popSdlCopyNew_a",
        "popSdlRename_a",
        "popSdlDelete_a",
        "popSdlList",
    };
    popSdlListMenu->setProperty("AutoPopup", true);
    int group = 0;
    for (const char* name : enabledAndVisible) {
        if (name == nullptr) {
            // The places where the table switches something other than the window's own.
            if (group == 0 && frmPrjInfo) {
                for (QLineEdit* edit :
                     {frmPrjInfo->edtPrjTitle, frmPrjInfo->edtPrjUser, frmPrjInfo->edtPrjComment})
                    edit->setEnabled(full);
            } else if (group == 1 && frmPrjDownload && frmPrjDownload->popupDelete) {
                SetState(frmPrjDownload->popupDelete, full, full, true);
            } else if (group == 2) {
                // Rearranging by dialog is not offered, whatever the rights.
                for (const char* hidden : {"popSdlListSortTrl", "popSdlListSortPrs"})
                    SetState(findChild<QAction*>(QString::fromLatin1(hidden)), false, false, true);
            }
            ++group;
            continue;
        }
        if (QObject* control = findChild<QObject*>(QString::fromLatin1(name)))
            SetState(control, full, full, true);
    }
    for (QWidget* w : {static_cast<QWidget*>(memExplain), static_cast<QWidget*>(edtTrnBtnNum),
                       static_cast<QWidget*>(updTrnBtnNum), static_cast<QWidget*>(asgdTrnBtn)})
        w->setEnabled(full);
    if (frmCard) {
        SetState(frmCard->btnChange, full, full, true);
        frmCard->edtDataFile->setVisible(full);
        SetState(frmCard->sbtnExportWav, full, full, true);
        frmCard->edtComment->setEnabled(full);
        frmCard->changeAllowed = full;
    }
    // Comments are edited in place only with full rights.
    asgdStimulus->SetEditing(full);
}
