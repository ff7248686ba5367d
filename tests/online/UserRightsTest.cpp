// The main window's login against a real HTTP service on 127.0.0.1 and the switch of its
// commands between full rights and the restricted mode.
#include "MainWindowFixture.h"

#include "ActionLink.h"
#include "CardUnit.h"
#include "ExecuteUnit.h"
#include "FakeService.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "PrjDownloadUnit.h"
#include "PrjInfoUnit.h"
#include "StringGrid.h"
#include "UserRights.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

class UserRightsTest : public MainWindowTest {
protected:
    void StoreLogin(const QString& url, const QString& id, const QString& password) {
        ASSERT_TRUE(
            SaveOptionSettings(root->path(), url, id, password, QStringLiteral("0"), QString(), QString()));
    }
    bool FullRights() const {
        const bool open = w->tbtnFileOpenPrj->isEnabled() && !w->tbtnFileOpenPrj->isHidden();
        const bool save = w->mnuFileSavePrj->isVisible() && w->mnuFileSaveAsPrj->isVisible();
        EXPECT_EQ(open, save) << "the switched controls disagree";
        return open;
    }
};

TEST_F(UserRightsTest, TheServiceDecides) {
    fake::FakeService service;
    StoreLogin(Q(service.BaseUrl()), QStringLiteral("admin"), QStringLiteral("s&cret"));
    struct Case {
        const char* reply;
        bool full;
    };
    const Case cases[] = {
        {"API_RESULT=0,USER_AUTH=0", true},
        {"API_RESULT=0,USER_AUTH=1", false},
        {"API_RESULT=1,USER_AUTH=0", false},
        {"API_RESULT=0,API_MESSAGE=E00031,USER_AUTH=0", true},
        {"SOMETHING=else", true},
        {"", false},
    };
    for (const Case& c : cases) {
        service.SetReply("userAuth", std::string(c.reply));
        w->SetFullUser(!c.full);
        w->AuthenticateUser();
        EXPECT_EQ(FullRights(), c.full) << c.reply;
    }
    EXPECT_TRUE(ui->messages.empty());
    const fake::FakeRequest request = service.Last("userAuth");
    EXPECT_EQ(request.FieldNames(), (std::vector<std::string>{"USER_ID", "USER_PWD"}));
    EXPECT_EQ(request.Field("USER_ID"), "admin");
    EXPECT_EQ(request.Field("USER_PWD"), "s&cret");
    EXPECT_EQ(request.path, "/W0001/userAuth");
}

TEST_F(UserRightsTest, ConnectionFailureRestrictsAndSaysWhy) {
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(fake::FakeService::RefusingPort());
    StoreLogin(url, "admin", "pw");
    w->SetFullUser(true);
    w->AuthenticateUser();
    EXPECT_FALSE(FullRights());
    ASSERT_EQ(ui->messages.size(), 1u);
    // The table's text, then the address and libcurl's cause on a line of their own.
    const QStringList lines = ui->messages[0].text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << ui->messages[0].text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Unable to connect the server, please double check the URL."));
    EXPECT_TRUE(lines[1].startsWith(url + QStringLiteral("W0001/userAuth: "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("onnect"))) << lines[1].toStdString();
    EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
    EXPECT_TRUE(w->stbInformation->currentMessage().isEmpty()) << "no login to tell of";
}

TEST_F(UserRightsTest, AnHttpErrorCountsAsAFailedConnectionAndNamesTheStatus) {
    fake::FakeService service;
    service.SetReply("userAuth", fake::FakeReply::Status(503, "API_RESULT=0,USER_AUTH=0"));
    StoreLogin(Q(service.BaseUrl()), "admin", "pw");
    w->AuthenticateUser();
    EXPECT_FALSE(FullRights());
    EXPECT_EQ(ShownTexts(), QStringList{"Unable to connect the server, please double check the URL.\n" +
                                        Q(service.OperationUrl("userAuth")) + ": HTTP status 503"});
}

// The login runs as the window is shown; the status bar tells the user it worked, once per
// account (it runs again after every audition).
TEST_F(UserRightsTest, ASuccessfulLoginSaysSoInTheStatusBar) {
    fake::FakeService service;
    service.SetReply("userAuth", std::string("API_RESULT=0,USER_AUTH=0"));
    StoreLogin(Q(service.BaseUrl()), QStringLiteral("admin"), QStringLiteral("pw"));
    w->show();
    ASSERT_TRUE(PumpUntil([&] { return service.Count("userAuth") == 1; }));
    EXPECT_TRUE(FullRights());
    const QString told = QStringLiteral("Logged in to %1 as admin.").arg(Q(service.BaseUrl()));
    EXPECT_EQ(w->stbInformation->currentMessage(), told);
    w->stbInformation->clearMessage();
    w->AuthenticateUser();
    EXPECT_TRUE(w->stbInformation->currentMessage().isEmpty()) << "told again for the same account";

    // Refused credentials are no login; the next accepted one is told again.
    service.SetReply("userAuth", std::string("API_RESULT=1"));
    w->AuthenticateUser();
    EXPECT_TRUE(w->stbInformation->currentMessage().isEmpty());
    service.SetReply("userAuth", std::string("API_RESULT=0,USER_AUTH=1"));
    w->AuthenticateUser();
    EXPECT_FALSE(FullRights());
    EXPECT_EQ(w->stbInformation->currentMessage(), told) << "a restricted account has logged in too";
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(UserRightsTest, WithoutCredentialsRestrictedWithoutARequest) {
    fake::FakeService service;
    service.SetReply("userAuth", std::string("API_RESULT=0,USER_AUTH=0"));
    const QString url = Q(service.BaseUrl());
    for (auto [id, password] :
         {std::pair{"", "pw"}, std::pair{"admin", ""}, std::pair{"0", "pw"}, std::pair{"admin", "0"}}) {
        StoreLogin(url, QString::fromLatin1(id), QString::fromLatin1(password));
        w->SetFullUser(true);
        w->AuthenticateUser();
        EXPECT_FALSE(FullRights()) << id << "/" << password;
    }
    EXPECT_EQ(service.Count("userAuth"), 0u);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(UserRightsTest, TheSwitchCoversTheWindowAndItsDialogs) {
    w->NewProject(0);
    const char* const switched[] = {"tbtnFileNewPrj", "tbtnFileOpenPrj", "tbtnFileSavePrj", "tbtnFilePrint",
                                    "tbtnResult",     "pnlStmNumber",    "pnlSdlPrm"};
    const char* const items[] = {"mnuFileOpenPrj", "mnuFileSavePrj", "mnuFileSaveAsPrj", "categoryManage",
                                 "projectUpload",  "mnuExecResult",  "popStmListClear",  "popStmListInsRow",
                                 "popSdlAllNew",   "popSdlDelete_a"};
    for (bool full : {false, true}) {
        w->SetFullUser(full);
        for (const char* name : switched)
            EXPECT_EQ(!Find<QWidget>(name)->isHidden(), full) << name;
        for (const char* name : items) {
            auto* item = Find<QAction>(name);
            EXPECT_EQ(item->isVisible(), full) << name;
            // The rights hold the command; its own state (something to save, results to
            // show) is the command's business.
            EXPECT_EQ(IsCommandHeld(CommandOf(item), CommandHold::Rights), !full) << name;
            if (!full) {
                EXPECT_FALSE(item->isEnabled()) << name;
            }
        }
        for (const char* menu :
             {"mnuFileNewPrj", "mnuFileRefer", "mnuFileExport", "mnuSchedule", "popSdlList"})
            EXPECT_EQ(Find<QMenu>(menu)->menuAction()->isVisible(), full) << menu;
        EXPECT_EQ(w->frmPrjInfo->edtPrjTitle->isEnabled(), full);
        EXPECT_EQ(w->frmPrjDownload->popupDelete->isVisible(), full);
        EXPECT_EQ(w->frmCard->changeAllowed, full);
        EXPECT_EQ(w->frmCard->btnChange->isHidden(), !full);
        EXPECT_EQ(w->memExplain->isEnabled(), full);
        EXPECT_EQ(w->asgdTrnBtn->isEnabled(), full);
        EXPECT_EQ(w->asgdStimulus->Editing(), full);
        // Rearranging by dialog stays hidden either way.
        EXPECT_FALSE(Find<QAction>("popSdlListSortTrl")->isVisible());
        EXPECT_FALSE(Find<QAction>("popSdlListSortPrs")->isVisible());
        EXPECT_TRUE(Find<QAction>("popSdlListSortTrlRdm")->isVisible());
    }
}

// Every row of the rights table names a control of its window: a row that matches nothing
// leaves that control as it was, open to a restricted user.
TEST_F(UserRightsTest, EveryNameOfTheRightsTableResolves) {
    QList<QObject*> windows{w.get()};
    windows << w->frmPrjInfo << w->frmPrjDownload << w->frmCard << w->frmExecute;
    for (const RightsRow& row : RightsTable()) {
        QObject* window = nullptr;
        for (QObject* candidate : windows)
            if (candidate && qstrcmp(candidate->metaObject()->className(), row.window) == 0)
                window = candidate;
        if (!window)
            ADD_FAILURE() << "no window " << row.window << " for " << row.control;
        else if (!FindRightsControl(window, row))
            ADD_FAILURE() << row.window << " has no control " << row.control;
    }
    for (bool full : {false, true})
        EXPECT_EQ(ApplyRights(RightsSet::Main, windows, full), QStringList{}) << "full " << full;
}

// A restricted user's right click on the schedule offers neither Insert nor Delete; with full
// rights both are there.
TEST_F(UserRightsTest, TheSchedulePopupFollowsTheRights) {
    fake::FakeService service;
    StoreLogin(Q(service.BaseUrl()), QStringLiteral("admin"), QStringLiteral("pw"));
    service.SetReply("userAuth", std::string("API_RESULT=0,USER_AUTH=0"));
    w->show();
    Find<QAction>("actPrjTrn")->trigger();
    auto* popup = Find<QMenu>("popSdlListMenu");
    const auto rightClick = [&] {
        StringGrid* grid = w->asgdSchedule;
        const QPoint at =
            grid->visualRect(grid->model()->index(grid->FixedRows(), grid->FixedCols())).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(grid->viewport(), &event);
        EXPECT_TRUE(PumpUntil([&] { return popup->isVisible(); })) << "the popup opens";
    };
    for (const char* auth : {"1", "0"}) {
        const bool full = std::string(auth) == "0";
        service.SetReply("userAuth", "API_RESULT=0,USER_AUTH=" + std::string(auth));
        w->AuthenticateUser();
        ASSERT_EQ(FullRights(), full);
        rightClick();
        for (const char* name : {"popSdlListIns", "popSdlListDel"}) {
            QAction* item = Find<QMenu>(name)->menuAction();
            EXPECT_TRUE(popup->actions().contains(item)) << name;
            EXPECT_EQ(item->isVisible(), full) << name << " full " << full;
            EXPECT_EQ(item->isEnabled(), full) << name << " full " << full;
        }
        popup->close();
    }
}

// The rights never set a menu item or tool button apart from its command.
TEST_F(UserRightsTest, ViewsFollowTheirCommands) {
    w->NewProject(0);
    for (bool full : {false, true, false}) {
        w->SetFullUser(full);
        for (QObject* view : w->findChildren<QObject*>()) {
            QAction* command = CommandOf(view);
            if (!command || command == view || qobject_cast<QMenu*>(view))
                continue;
            // A menu item hidden on its own (the grid popup's rearranging items) is disabled
            // with it, as Qt does with hidden actions; its command stays offered elsewhere.
            if (auto* item = qobject_cast<QAction*>(view); item && !item->isVisible() && command->isVisible())
                continue;
            const bool enabled = qobject_cast<QAction*>(view) ? static_cast<QAction*>(view)->isEnabled()
                                                              : static_cast<QWidget*>(view)->isEnabled();
            EXPECT_EQ(enabled, command->isEnabled()) << view->objectName().toStdString() << " full " << full;
        }
    }
}
