// The test start from the main window, the registration and the answerer poll.
#include "ExecuteFixture.h"

#include "PanelStatusBar.h"
#include "TextFits.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QToolButton>
#include <map>

using fake::FakeReply;

TEST_F(ExecuteTest, StartRegistersTheRunAndPollsForAnswerers) {
    MakeProject(1);
    TfrmExecute* x = Start();
    ASSERT_NE(x, nullptr) << ShownTexts().join(" | ").toStdString();
    EXPECT_TRUE(x->isVisible());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
    ASSERT_TRUE(PumpUntil([&] { return service->Count("returnTestResult") >= 2; }, 20000))
        << "the poll runs once a second";
    const std::vector<std::string> ops = Operations();
    ASSERT_GE(ops.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(ops.begin(), ops.begin() + 6),
              (std::vector<std::string>{"getTmvInfo", "userAuth", "getTmvInfo", "startTest",
                                        "returnTestResult", "returnTestResult"}));
    const auto polls = service->Requests("returnTestResult");
    EXPECT_GE(polls[1].arrival - polls[0].arrival, std::chrono::milliseconds(800));

    EXPECT_EQ(service->Requests("getTmvInfo")[0].Field("TMV_NAME"),
              root->file("tests/a<b.tmv").toStdString());
    const fake::FakeRequest start = service->Last("startTest");
    const std::vector<std::pair<std::string, std::string>> expected{
        {"USER_ID", "admin"},
        {"USER_PWD", "secret"},
        {"OP_KBN", "1"},
        {"PROJECT_SEQ", "1"},
        {"TEST_RUN_STATUS", "0"},
        {"SHOW_LAMP", "1"},
        {"JUDGMENT_LAMP", "0"},
        {"CORRECT_LAMP", "1"},
        {"NEAR_MISS_LAMP", "0"},
        {"AUTOMATIC_REPEAT", "0"},
        {"TEST_RUN_LIST", "QUESTION_NUM=1,QUESTION_STATUS=0,BREAK_DATETIME=,PAUSE_TIME=,FINISH_DATETIME=,"
                          "REPEAT_NUM=1,START_WAIT_TIME=1.0,LIMIT_TIME=3.0,CORRECT_QUES_ID=2,SHOW_TIME=7;"},
        {"TEST_RUN_STIM_LIST", "STIMULUS_ID=3,QUESTION_NUM=1,SOUND_NUM=1,SOUND_LONG=1.50,STOP_TIME=1.0;"
                               "STIMULUS_ID=5,QUESTION_NUM=1,SOUND_NUM=2,SOUND_LONG=2.25,STOP_TIME=0;"},
    };
    EXPECT_EQ(start.fields, expected);
    EXPECT_EQ(ExecTestRunSeq, QStringLiteral("1"));
    EXPECT_EQ(service->Last("returnTestResult").FieldNames(),
              (std::vector<std::string>{"USER_ID", "USER_PWD", "TEST_RUN_SEQ"}));

    // The window as shown: the grid before any answerer, the states, the main window locked.
    EXPECT_EQ(x->asgdResponse->ColCount(), 4);
    EXPECT_EQ(x->asgdResponse->RowCount(), 4);
    EXPECT_EQ(Cell(x, 1, 0), "Terminal1");
    EXPECT_EQ(Cell(x, 0, 1), "SubjectID");
    EXPECT_EQ(Cell(x, 0, 2), "Trial1");
    EXPECT_EQ(Cell(x, 2, 1), "Correct %");
    EXPECT_EQ(Cell(x, 3, 1), "Correct");
    EXPECT_EQ(Cell(x, 3, 2), "2");
    EXPECT_EQ(Cell(x, 0, 3), "Correct %");
    EXPECT_TRUE(x->asgdResponse->ColWidth(1) == 0 || x->asgdResponse->IsHiddenColumn(1));
    EXPECT_EQ(x->StatusText(0), "Connected Terminal:0");
    EXPECT_EQ(x->StatusText(1), "Waiting for the connection of the terminal...");
    EXPECT_EQ(x->windowState, ExecWaitingAnswerers);
    EXPECT_EQ(x->cboSchedule->count(), 1);
    EXPECT_FALSE(x->btnExecute->isEnabled()) << "enabled when an answerer connects";
    EXPECT_FALSE(x->actExecCtrlPlay->isEnabled());
    EXPECT_FALSE(x->sbtnPlay->isEnabled());
    EXPECT_FALSE(w->actExecShow->isEnabled());
    EXPECT_FALSE(w->actFileOpenPrj->isEnabled());
}

TEST_F(ExecuteTest, AnswerersGetColumnsNewestFirst) {
    MakeProject(2, {2, 3});
    service->SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=1,ANSWER=2");
    TfrmExecute* x = Start();
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Cell(x, 1, 1) == "S1"; }, 20000));
    EXPECT_TRUE(x->btnExecute->isEnabled());
    EXPECT_TRUE(x->edtDelay->isEnabled());
    service->SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=1,ANSWER=2\n"
                                          "ANSWERER_ID=0,QUESTION_NUM=1,ANSWER=1\n"
                                          "ANSWERER_ID=S2,QUESTION_NUM=1,ANSWER=3\n"
                                          "ANSWERER_ID=S1,QUESTION_NUM=2,ANSWER=3");
    ASSERT_TRUE(PumpUntil([&] { return Cell(x, 1, 1) == "S2"; }, 20000));
    const size_t polls = service->Count("returnTestResult");
    ASSERT_TRUE(PumpUntil([&] { return service->Count("returnTestResult") > polls + 1; }, 20000));
    EXPECT_EQ(x->asgdResponse->ColCount(), 6) << "one column each; none for ANSWERER_ID 0";
    EXPECT_EQ(Cell(x, 1, 0), "Terminal2");
    EXPECT_EQ(Cell(x, 2, 0), "Terminal1");
    EXPECT_EQ(Cell(x, 2, 1), "S1");
    EXPECT_EQ(Cell(x, 3, 0), "Terminal1") << "the placeholder column";
    EXPECT_EQ(Cell(x, 3, 1), "");
    EXPECT_EQ(x->StatusText(0), "Connected Terminal:2");
    EXPECT_EQ(Cell(x, 1, 2), "") << "the poll writes no answer";
}

TEST_F(ExecuteTest, ARegistrationWithoutRunNumberFails) {
    MakeProject(1);
    ExecTestRunSeq = QStringLiteral("77"); // of an earlier window
    for (const char* reply : {"API_RESULT=2,EXEC_SEQ=5", "API_RESULT=0,EXEC_SEQ="}) {
        service->ClearRequests();
        ui->messages.clear();
        service->SetReply("startTest", reply);
        TfrmExecute* x = Start();
        ASSERT_NE(x, nullptr) << reply;
        ASSERT_TRUE(Answered(x)) << reply;
        EXPECT_EQ(ExecTestRunSeq, QString()) << reply;
        EXPECT_EQ(ShownTexts(), QStringList{"Internal error occurred."}) << reply;
        EXPECT_TRUE(StaysFalse([&] { return service->Count("returnTestResult") > 0; }, 1500))
            << "nothing reports to the old run";
        // Close: nothing unsaved; the main window takes the window back.
        x->btnEnd->click();
        ASSERT_TRUE(PumpUntil([&] { return w->frmExecute == nullptr; })) << reply;
        EXPECT_TRUE(w->actExecShow->isEnabled());
    }
}

TEST_F(ExecuteTest, StartsThatCannotRunLeaveTheMainWindowUnlocked) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::vector<std::string> requests;
    };
    const Case cases[] = {
        {"blank title", [this] { w->project.GetGeneral()->title = QStringLiteral("  "); }, {}},
        {"unknown project",
         [this] { service->QueueReply("getTmvInfo", FakeReply::Text("API_RESULT=0")); },
         {"getTmvInfo"}},
        {"stimulus without file",
         [this] { QFile::remove(w->project.GetWorkFolder() + (*w->project.GetStimuli())[4].fileName); },
         {"getTmvInfo"}},
        {"lookup fails at the end",
         [this] {
             service->QueueReply("getTmvInfo", FakeReply::Text("API_MESSAGE=E00030,TMV_SEQ=1"));
             service->QueueReply("getTmvInfo", FakeReply::Text("API_RESULT=0"));
         },
         {"getTmvInfo", "userAuth", "getTmvInfo", "userAuth"}},
    };
    for (const Case& c : cases) {
        MakeProject(1);
        service->ClearRequests();
        ui->messages.clear();
        c.arrange();
        EXPECT_EQ(Start(), nullptr) << c.what;
        EXPECT_EQ(ShownTexts(), QStringList{"There is no project which it can execute."}) << c.what;
        EXPECT_EQ(Operations(), c.requests) << c.what;
        EXPECT_TRUE(w->actExecShow->isEnabled()) << c.what;
        EXPECT_TRUE(w->actFileOpenPrj->isEnabled()) << c.what;
        EXPECT_EQ(w->frmExecute, nullptr) << c.what;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(w->findChildren<TfrmExecute*>().empty()) << c.what;
    }
    // No connection: nothing is shown and nothing starts.
    MakeProject(1);
    ui->messages.clear();
    service->Stop();
    EXPECT_EQ(Start(), nullptr);
    EXPECT_TRUE(ShownTexts().isEmpty());
}

TEST_F(ExecuteTest, RestrictedUserLosesTheOptions) {
    MakeProject(1);
    service->SetReply("userAuth", "API_RESULT=0,USER_AUTH=1");
    TfrmExecute* x = Start();
    ASSERT_NE(x, nullptr);
    EXPECT_FALSE(x->sbtnOption->isVisible());
    EXPECT_FALSE(x->popOptionCheck->isEnabled());
    EXPECT_FALSE(x->popOptionFeedBack->isVisible());
}

// Everything the test start locks in the main window is as it was once the test-run
// window has closed: menus, their commands and the tool buttons that show them.
TEST_F(ExecuteTest, ClosingTheTestRunWindowUnlocksWhatTheStartLocked) {
    MakeProject(1);
    // Saved first: the save command then shows what a saved project has.
    ASSERT_TRUE(QDir().mkpath(root->file("tests")));
    w->UpdateActions();
    w->actFileSavePrj->trigger();
    ASSERT_FALSE(w->projectModified) << ShownTexts().join(" | ").toStdString();
    // Shown, as the program has it: the log-in has set the rights.
    w->show();
    ASSERT_TRUE(
        PumpUntil([&] { return service->Count("userAuth") >= 1 && !w->actFileSavePrj->isEnabled(); }));
    const auto snapshot = [this] {
        std::map<QString, bool> enabled;
        for (QMenu* m : w->findChildren<QMenu*>())
            enabled[m->objectName()] = m->isEnabled() && m->menuAction()->isEnabled();
        for (QToolButton* b : w->findChildren<QToolButton*>())
            enabled[b->objectName()] = b->isEnabled();
        for (QAction* a : w->findChildren<QAction*>())
            enabled[a->objectName()] = a->isEnabled();
        enabled.erase(QString());
        return enabled;
    };
    const auto before = snapshot();
    ASSERT_TRUE(before.at("mnuFileNewPrj") && before.at("tbtnFileNewPrj"));
    ASSERT_TRUE(before.at("mnuFilePrint") && before.at("tbtnFilePrint"));
    TfrmExecute* x = Start();
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(Answered(x));
    EXPECT_FALSE(Find<QMenu>("mnuFileNewPrj")->menuAction()->isEnabled());
    EXPECT_FALSE(Find<QToolButton>("tbtnFilePrint")->isEnabled());
    x->btnEnd->click();
    ASSERT_TRUE(PumpUntil([&] { return w->frmExecute == nullptr; }));
    QStringList changed;
    for (const auto& [name, on] : snapshot())
        if (before.count(name) && before.at(name) != on)
            changed << name + (on ? " on" : " off");
    EXPECT_TRUE(changed.isEmpty()) << changed.join(", ").toStdString();
}

// The answerer poll goes on through an outage of the service (failed replies, refused
// connections), shows it in the status bar while it lasts, and picks up the answerers
// once the service is back.
TEST_F(ExecuteTest, ThePollOutlastsAnOutageAndShowsIt) {
    MakeProject(1);
    for (int i = 0; i < 2; ++i)
        service->QueueReply("returnTestResult", FakeReply::Status(500, "down"));
    TfrmExecute* x = Start();
    ASSERT_NE(x, nullptr);
    const QString waiting = QStringLiteral("Waiting for the connection of the terminal...");
    const auto outage = [x] { return x->StatusText(1).startsWith("Internal error occurred. "); };
    ASSERT_TRUE(PumpUntil(outage, 20000));
    EXPECT_TRUE(x->StatusText(1).contains("500")) << x->StatusText(1).toStdString();
    EXPECT_TRUE(PumpUntil([&] { return x->StatusText(1) == waiting; }, 20000)) << "the service answers again";
    EXPECT_GE(service->Count("returnTestResult"), 3u);

    // The service goes away altogether and comes back on its address with an answerer.
    const int port = service->Port();
    service->Stop();
    ASSERT_TRUE(PumpUntil(outage, 20000));
    EXPECT_FALSE(x->btnExecute->isEnabled());
    service = std::make_unique<fake::FakeService>(port);
    service->SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=1,ANSWER=2");
    ASSERT_TRUE(PumpUntil([&] { return Cell(x, 1, 1) == "S1"; }, 20000));
    EXPECT_TRUE(x->btnExecute->isEnabled());
    EXPECT_EQ(x->StatusText(1), "") << "neither the outage nor a wait for answerers once one joined";
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
    EXPECT_TRUE(x->userSearchTimer->isActive());
}

// Headings, the status bar and the status line as two answerers have joined, in either
// language: every text shown whole, and none that says the window still waits for them.
TEST_F(ExecuteTest, AnswererColumnsAndStatusBarShowTheirTextsWhole) {
    MakeProject(10);
    w->show();
    for (const char* language : {"mnuViewLanguageEnglish", "mnuViewLanguageJapanese"}) {
        SCOPED_TRACE(language);
        Find<QAction>(language)->trigger();
        service->SetReply("returnTestResult", "");
        TfrmExecute* x = Start();
        ASSERT_NE(x, nullptr);
        // The registration's reply comes in on its own time; then the window waits for answerers.
        ASSERT_TRUE(PumpUntil([&] { return !x->IsWaiting() && !x->StatusText(1).isEmpty(); }, 10000))
            << "waiting for answerers";
        const std::string waiting = x->StatusText(1).toStdString();
        ASSERT_TRUE(DrainPosted()) << "the window laid out";
        EXPECT_TRUE(TextsThatDoNotFit(x).isEmpty()) << TextsThatDoNotFit(x).join(" | ").toStdString();
        service->SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=1,ANSWER=2\n"
                                              "ANSWERER_ID=subject2,QUESTION_NUM=1,ANSWER=3");
        ASSERT_TRUE(PumpUntil([&] { return Cell(x, 2, 1) == "S1"; }, 20000));
        EXPECT_EQ(Cell(x, 1, 0), x->Ids("IDS_3") + "2");
        EXPECT_NE(x->StatusText(1).toStdString(), waiting) << "two answerers have joined";
        ASSERT_TRUE(DrainPosted());
        const QStringList cut = TextsThatDoNotFit(x);
        EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
        x->btnEnd->click();
        ASSERT_TRUE(PumpUntil([&] { return w->frmExecute == nullptr; }));
    }
}
