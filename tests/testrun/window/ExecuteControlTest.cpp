// Trial selection, the announcement of a pass, Stop before Play, the options and the
// close protocol of the test-run window.
#include "ExecuteFixture.h"

#include "PanelStatusBar.h"
#include "TextTable.h"
#include "WaitUntil.h"

#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <atomic>

using fake::FakeReply;

namespace {

// Types text into a control as key presses, one character each.
void Type(QWidget* control, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(control, &press);
    }
}

} // namespace

class ExecuteControlTest : public ExecuteTest {
protected:
    // A started window of `trials` trials with one answerer, S1.
    TfrmExecute* Ready(int trials) {
        MakeProject(trials, {2, 3});
        service->SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=1,ANSWER=2");
        TfrmExecute* x = Start();
        EXPECT_NE(x, nullptr);
        if (x) {
            EXPECT_TRUE(PumpUntil([&] { return x->btnExecute->isEnabled(); }, 20000));
        }
        return x;
    }
};

TEST_F(ExecuteControlTest, ExecuteAnnouncesTheChosenTrials) {
    TfrmExecute* x = Ready(5);
    ASSERT_NE(x, nullptr);
    x->edtDelay->setText(QStringLiteral("250"));
    AnswerDialog(x, [](TfrmExecDlg& d) {
        d.rdbRange->click();
        d.edtRange->setText(QStringLiteral("5-2"));
    });
    x->btnExecute->click();
    ASSERT_TRUE(Answered(x));
    ASSERT_EQ(service->Count("prepareTest"), 1u) << ShownTexts().join(" | ").toStdString();
    const fake::FakeRequest prepare = service->Last("prepareTest");
    EXPECT_EQ(prepare.FieldNames(),
              (std::vector<std::string>{"USER_ID", "USER_PWD", "TEST_RUN_SEQ", "TEST_RUN_STATUS",
                                        "TEST_DELAY_TIME", "QUESTION_LIST"}));
    EXPECT_EQ(prepare.Field("TEST_RUN_STATUS"), "1");
    EXPECT_EQ(prepare.Field("TEST_DELAY_TIME"), "250");
    // The service reads the status under this spelling.
    EXPECT_EQ(prepare.Field("QUESTION_LIST"),
              "QUESTION_NUM=2,QUSETION_STATUS=1;QUESTION_NUM=3,QUSETION_STATUS=1;"
              "QUESTION_NUM=4,QUSETION_STATUS=1;QUESTION_NUM=5,QUSETION_STATUS=1;");
    EXPECT_EQ(x->selectedTrials, (QStringList{"2", "3", "4", "5"}));
    EXPECT_EQ(x->windowState, ExecWindowReady);
    EXPECT_TRUE(x->sbtnPlay->isEnabled());
    EXPECT_TRUE(x->sbtnStop->isEnabled());
    EXPECT_FALSE(x->btnExecute->isEnabled());
    EXPECT_FALSE(x->btnEnd->isEnabled());
    EXPECT_FALSE(x->cboSchedule->isEnabled());
    EXPECT_EQ(x->StatusText(1), "Completion of experiment preparation. It starts with \"Play\".");
    EXPECT_FALSE(x->userSearchTimer->isActive());

    // Ready: the close box is refused silently.
    ui->messages.clear();
    x->close();
    EXPECT_TRUE(x->isVisible());
    EXPECT_TRUE(ShownTexts().isEmpty());

    // Stop before Play: the run ends on the service and the window is idle again.
    x->sbtnStop->click();
    ASSERT_TRUE(Answered(x));
    EXPECT_EQ(service->Last("endTest").Field("TEST_RUN_STATUS"), "9");
    EXPECT_EQ(x->windowState, ExecWindowIdle);
    EXPECT_TRUE(x->btnExecute->isEnabled());
    EXPECT_TRUE(x->cboSchedule->isEnabled());
    EXPECT_TRUE(x->btnEnd->isEnabled());
    EXPECT_FALSE(x->sbtnPlay->isEnabled());
    EXPECT_TRUE(x->userSearchTimer->isActive());
}

// The service takes its time over the announcement of a pass: the window goes on serving
// its operator meanwhile, shows that it waits and holds Execute, Save and Close; Stop
// pressed then ends the pass once the announcement is in, in that order on the service.
TEST_F(ExecuteControlTest, TheWindowServesTheOperatorWhileTheServiceTakesItsTime) {
    TfrmExecute* x = Ready(2);
    ASSERT_NE(x, nullptr);
    std::atomic<bool> windowServed{false};
    service->SetHandler("prepareTest", [&](const fake::FakeRequest&) {
        // Answers only once the window's thread has handled an event: a window that waits
        // on the network gets a refusal after the hang bound instead.
        if (!tamvik_test::WaitUntil([&] { return windowServed.load(); }))
            return FakeReply::Text("API_RESULT=1,API_MESSAGE=E00031");
        return FakeReply::Text("API_RESULT=0,API_MESSAGE=");
    });
    AnswerDialog(x, nullptr);
    x->btnExecute->click();
    EXPECT_TRUE(x->IsWaiting());
    EXPECT_EQ(x->cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(x->StatusText(1), "Completion of experiment preparation. It starts with \"Play\".");
    EXPECT_FALSE(x->btnEnd->isEnabled());
    EXPECT_FALSE(x->btnSave->isEnabled());
    ASSERT_TRUE(x->sbtnStop->isEnabled());
    x->sbtnStop->click();
    QTimer::singleShot(0, x, [&] { windowServed = true; });
    ASSERT_TRUE(Answered(x));
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
    const std::vector<std::string> ops = Operations();
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(ops.end() - 2, ops.end()),
              (std::vector<std::string>{"prepareTest", "endTest"}));
    EXPECT_EQ(service->Last("endTest").Field("TEST_RUN_STATUS"), "9");
    EXPECT_EQ(x->windowState, ExecWindowIdle);
    EXPECT_TRUE(x->btnExecute->isEnabled());
    EXPECT_TRUE(x->btnEnd->isEnabled());
    EXPECT_FALSE(x->sbtnPlay->isEnabled());
    EXPECT_NE(x->cursor().shape(), Qt::BusyCursor);
}

TEST_F(ExecuteControlTest, TheDialogOffersTheSelectedRows) {
    TfrmExecute* x = Ready(6);
    ASSERT_NE(x, nullptr);
    for (int trial : {1, 2, 3, 5})
        x->SelectTrialRow(trial);
    QString offered;
    bool rangeChecked = false;
    AnswerDialog(
        x,
        [&](TfrmExecDlg& d) {
            offered = d.edtRange->text();
            rangeChecked = d.rdbRange->isChecked();
        },
        false);
    x->btnExecute->click();
    EXPECT_EQ(offered, "1-3,5");
    EXPECT_TRUE(rangeChecked);
    EXPECT_EQ(x->windowState, ExecWindowIdle) << "Cancel leaves the window idle";
    EXPECT_FALSE(x->userSearchTimer->isActive()) << "with the poll off";
    EXPECT_EQ(service->Count("prepareTest"), 0u);

    // Nothing selected: All.
    x->ClearRowSelection();
    bool allChecked = false;
    AnswerDialog(
        x, [&](TfrmExecDlg& d) { allChecked = d.rdbAll->isChecked(); }, false);
    x->btnExecute->click();
    EXPECT_TRUE(allChecked);
}

TEST_F(ExecuteControlTest, BadChoicesGiveTheFormMessage) {
    TfrmExecute* x = Ready(10);
    ASSERT_NE(x, nullptr);
    const struct {
        const char* what;
        std::function<void(TfrmExecDlg&)> choose;
    } cases[] = {
        {"range beyond the trials",
         [](TfrmExecDlg& d) {
             d.rdbRange->click();
             d.edtRange->setText(QStringLiteral("12"));
         }},
        {"random count 0",
         [](TfrmExecDlg& d) {
             d.rdbRandom->click();
             d.edtRandomRange->setText(QStringLiteral("0"));
         }},
        {"random count too large for a number",
         [](TfrmExecDlg& d) {
             d.rdbRandom->click();
             d.edtRandomRange->setText(QStringLiteral("99999999999999999999"));
         }},
    };
    const std::vector<int> order = [&] {
        std::vector<int> o;
        for (const CTrial& t : w->project.GetSchedule(0)->trials)
            o.push_back(t.correctAnswer);
        return o;
    }();
    for (const auto& c : cases) {
        ui->messages.clear();
        AnswerDialog(x, c.choose);
        x->btnExecute->click();
        EXPECT_EQ(ShownTexts(), QStringList{"The prescribed form is illegitimate."}) << c.what;
        EXPECT_EQ(service->Count("prepareTest"), 0u) << c.what;
        EXPECT_EQ(service->Count("startTest"), 1u) << c.what << ": no new registration";
    }
}

TEST_F(ExecuteControlTest, RandomAsksToKeepResultsFirstAndRestoresAfterARefusal) {
    TfrmExecute* x = Ready(4);
    ASSERT_NE(x, nullptr);
    x->resultsUnsaved = true;
    x->asgdResponse->SetCell(1, 2, QStringLiteral("2"));
    // Keep the results? Cancel: nothing is shuffled or cleared.
    ui->answers = {UiServices::Answer::Cancel};
    AnswerDialog(x, [](TfrmExecDlg& d) {
        d.rdbRandom->click();
        d.edtRandomRange->setText(QStringLiteral("2"));
    });
    x->btnExecute->click();
    EXPECT_EQ(ShownTexts(), QStringList{"Is the experimental result kept?"});
    EXPECT_EQ(Cell(x, 1, 2), "2");
    EXPECT_EQ(service->Count("startTest"), 1u);

    // No: the rows are rebuilt from the shuffled schedule and a new run is registered; the
    // service refuses the announcement, so the window is idle again.
    ui->messages.clear();
    ui->answers = {UiServices::Answer::No};
    service->SetReply("prepareTest", "API_RESULT=1,API_MESSAGE=E00031");
    AnswerDialog(x, [](TfrmExecDlg& d) {
        d.rdbRandom->click();
        d.edtRandomRange->setText(QStringLiteral("2"));
    });
    x->btnExecute->click();
    ASSERT_TRUE(Answered(x));
    EXPECT_EQ(service->Count("startTest"), 2u);
    EXPECT_EQ(Cell(x, 1, 2), "") << "answers of the old order are gone";
    const CSchedule* s = w->project.GetSchedule(0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Cell(x, x->asgdResponse->ColCount() - 1, i + 2),
                  QString::number(s->trials[size_t(i)].correctAnswer));
    EXPECT_EQ(x->selectedTrials, (QStringList{"1", "2"}));
    EXPECT_EQ(ShownTexts().back(),
              "Could not be verified. Please double check \"Password\" and \"Administrator ID\".");
    EXPECT_EQ(x->windowState, ExecWindowIdle);
    EXPECT_TRUE(x->btnExecute->isEnabled());
    EXPECT_TRUE(x->btnEnd->isEnabled());
    EXPECT_TRUE(x->cboSchedule->isEnabled());
    EXPECT_FALSE(x->sbtnPlay->isEnabled());
}

// Another schedule chosen between passes: the main window shows it, the service gets its
// lists under a new registration, and the next pass runs its trials.
TEST_F(ExecuteControlTest, AnotherScheduleIsShownRegisteredAndRun) {
    MakeProject(2, {2, 3});
    SetWaits(0.0, 0.0, 0.1);
    w->UpdateActions();
    ASSERT_TRUE(w->actSdlCopyNew->isEnabled());
    w->actSdlCopyNew->trigger();
    ASSERT_EQ(w->project.GetScheduleCount(), 2);
    ASSERT_TRUE(w->SetScheduleSize(1, 3, 2));
    for (CTrial& t : w->project.GetSchedule(1)->trials)
        t = w->project.GetSchedule(0)->trials[0];
    w->OnExecuteMessage(1, 0); // the run starts on the first schedule
    service->SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=1,ANSWER=2\n"
                                          "ANSWERER_ID=S1,QUESTION_NUM=2,ANSWER=2\n"
                                          "ANSWERER_ID=S1,QUESTION_NUM=3,ANSWER=2");
    TfrmExecute* x = Start();
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return x->btnExecute->isEnabled(); }, 20000));
    ASSERT_EQ(x->cboSchedule->count(), 2);
    ASSERT_EQ(service->Count("startTest"), 1u);
    const std::string first = service->Last("startTest").Field("TEST_RUN_LIST");

    // The operator picks the second schedule with the keyboard.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(x->cboSchedule, &down);
    ASSERT_EQ(x->cboSchedule->currentIndex(), 1);
    EXPECT_TRUE(PumpUntil([&] { return w->tabSchedule->currentIndex() == 1; })) << "the main window follows";
    ASSERT_TRUE(Answered(x));
    EXPECT_EQ(w->asgdSchedule->RowCount() - w->asgdSchedule->FixedRows(), 3);
    ASSERT_EQ(service->Count("startTest"), 2u) << ShownTexts().join(" | ").toStdString();
    EXPECT_NE(service->Last("startTest").Field("TEST_RUN_LIST"), first);
    EXPECT_EQ(x->asgdResponse->RowCount(), 2 + 3 + 1) << "three trials and the percentages";

    AnswerDialog(x, nullptr);
    x->btnExecute->click();
    ASSERT_TRUE(Answered(x));
    ASSERT_EQ(x->windowState, ExecWindowReady) << ShownTexts().join(" | ").toStdString();
    EXPECT_EQ(x->selectedTrials, (QStringList{"1", "2", "3"}));
    x->sbtnPlay->click();
    ASSERT_TRUE(PumpUntil(
        [&] {
            return x->windowState == ExecWindowIdle && w->execTable->state() != ExecTrialStimulus &&
                   service->Count("endTest") >= 1;
        },
        60000))
        << ShownTexts().join(" | ").toStdString();
    std::vector<std::string> reported;
    for (const auto& r : service->Requests("enforcementTest"))
        reported.push_back(r.Field("QUESTION_NUM"));
    EXPECT_NE(std::find(reported.begin(), reported.end(), "3"), reported.end()) << "the third trial ran";
}

TEST_F(ExecuteControlTest, StopWithTheServiceUnreachableStopsLocally) {
    TfrmExecute* x = Ready(2);
    ASSERT_NE(x, nullptr);
    AnswerDialog(x, nullptr);
    x->btnExecute->click();
    ASSERT_TRUE(Answered(x));
    ASSERT_EQ(x->windowState, ExecWindowReady);
    service->Stop();
    ui->messages.clear();
    x->sbtnStop->click();
    ASSERT_TRUE(Answered(x));
    EXPECT_EQ(ShownTexts(), QStringList{"Internal error occurred."});
    EXPECT_EQ(x->windowState, ExecWindowIdle);
    EXPECT_TRUE(x->btnEnd->isEnabled());
}

TEST_F(ExecuteControlTest, FeedbackSecondsAreAskedAndChecked) {
    TfrmExecute* x = Ready(1);
    ASSERT_NE(x, nullptr);
    const struct {
        const char* input;
        double seconds;
        const char* message;
    } cases[] = {
        {"10", 10.0, nullptr},
        {"0.1", 0.1, nullptr},
        {"10.01", 0.1, "range"},
        {"0.09", 0.1, "range"},
        {"x", 0.1, "Please input numerical value."},
    };
    for (const auto& c : cases) {
        ui->messages.clear();
        ui->inputs = {QString::fromLatin1(c.input)};
        x->popOptionFeedBack->trigger();
        EXPECT_DOUBLE_EQ(w->execTable->feedbackSeconds(), c.seconds) << c.input;
        if (!c.message) {
            EXPECT_TRUE(ShownTexts().isEmpty()) << c.input;
        } else if (std::string(c.message) == "range") {
            // The warning repeats the prompt, which names the range.
            EXPECT_EQ(ShownTexts(), QStringList{"Please input a number of seconds from 0.1 to 10.0."})
                << c.input;
        } else {
            EXPECT_EQ(ShownTexts(), QStringList{c.message}) << c.input;
        }
    }
    // The same range in the other language.
    ui->messages.clear();
    ui->inputs = {QStringLiteral("11")};
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    x->popOptionFeedBack->trigger();
    TextTable::Instance().setLanguage(TextTable::Language::English);
    EXPECT_EQ(ShownTexts(), QStringList{QString::fromUtf8("秒数を0.1から10.0の範囲で入力してください。")});
    // Options follow the sequencer: the marks and the indicator images.
    x->popOptionCheck->trigger();
    EXPECT_TRUE(w->execTable->checkRepetition());
    EXPECT_FALSE(x->imgCheck->isHidden());
    x->popOptionWait->trigger();
    EXPECT_TRUE(w->execTable->waitResponses());
    EXPECT_FALSE(x->imgWait->isHidden());
    x->popOptionCheck->trigger();
    EXPECT_FALSE(w->execTable->checkRepetition());
    EXPECT_TRUE(x->imgCheck->isHidden());
    // The delay takes digits and a point only.
    x->edtDelay->clear();
    Type(x->edtDelay, QStringLiteral("1a-,2.5"));
    EXPECT_EQ(x->edtDelay->text(), "12.5");
}

TEST_F(ExecuteControlTest, CloseSavesOnYesAndEndsTheRun) {
    TfrmExecute* x = Ready(1);
    ASSERT_NE(x, nullptr);
    x->resultsUnsaved = true;
    x->edtDelay->setText(QStringLiteral("40"));
    ui->answers = {UiServices::Answer::Yes};
    service->ClearRequests();
    x->btnEnd->click();
    ASSERT_TRUE(PumpUntil([&] { return w->frmExecute == nullptr; }));
    const fake::FakeRequest save = service->Last("saveTestResult");
    EXPECT_EQ(save.FieldNames(), (std::vector<std::string>{"USER_ID", "USER_PWD"}));
    const fake::FakeRequest end = service->Last("endTest");
    EXPECT_EQ(end.FieldNames(),
              (std::vector<std::string>{"USER_ID", "USER_PWD", "TEST_RUN_SEQ", "TEST_RUN_STATUS"}));
    EXPECT_EQ(end.Field("TEST_RUN_STATUS"), "10");
    EXPECT_TRUE(w->projectModified) << "WM_EXECUTE_EVENT -1 with lParam 1";
    EXPECT_EQ(w->delayTimes, 40);
    EXPECT_TRUE(w->actExecShow->isEnabled());
}

TEST_F(ExecuteControlTest, CloseKeepsTheWindowWhenResultsAreNotSaved) {
    TfrmExecute* x = Ready(1);
    ASSERT_NE(x, nullptr);
    x->resultsUnsaved = true;
    w->projectModified = false;
    w->delayTimes = 7;
    const struct {
        const char* what;
        const char* reply;
        const char* message;
    } refusals[] = {
        {"internal error", "API_RESULT=1,API_MESSAGE=E00001", "Internal error occurred."},
        {"another refusal", "API_RESULT=1,API_MESSAGE=E00099", "Internal error occurred."},
        {"authentication", "API_RESULT=1,API_MESSAGE=E00031",
         "Could not be verified. Please double check \"Password\" and \"Administrator ID\"."},
    };
    for (const auto& r : refusals) {
        ui->messages.clear();
        ui->answers = {UiServices::Answer::Yes};
        service->SetReply("saveTestResult", r.reply);
        x->btnEnd->click();
        ASSERT_TRUE(Answered(x)) << r.what;
        ASSERT_EQ(w->frmExecute, x) << r.what;
        EXPECT_TRUE(x->isVisible()) << r.what;
        EXPECT_TRUE(x->resultsUnsaved) << r.what;
        EXPECT_EQ(ShownTexts().back(), r.message) << r.what;
        EXPECT_EQ(service->Count("endTest"), 0u) << r.what;
    }
    // Cancel keeps it too; No closes without saving, with a delay that is no integer.
    ui->answers = {UiServices::Answer::Cancel};
    x->btnEnd->click();
    EXPECT_TRUE(x->isVisible());
    const size_t saves = service->Count("saveTestResult");
    x->edtDelay->setText(QStringLiteral("2.5"));
    ui->answers = {UiServices::Answer::No};
    x->btnEnd->click();
    ASSERT_TRUE(PumpUntil([&] { return w->frmExecute == nullptr; }));
    EXPECT_EQ(service->Count("saveTestResult"), saves);
    EXPECT_FALSE(w->projectModified) << "lParam 0";
    EXPECT_EQ(w->delayTimes, 7) << "the previous delay stays";
}

TEST_F(ExecuteControlTest, RangeEditTakesSeparatorsOnlyBetweenNumbers) {
    TfrmExecute* x = Ready(3);
    ASSERT_NE(x, nullptr);
    QLineEdit* range = x->execDlg->edtRange;
    const struct {
        const char* before;
        int caret;
        const char* typed;
        const char* after;
    } cases[] = {
        {"", 0, "-", ""},      {"", 0, "1", "1"},     {"1", 1, "-", "1-"},    {"1,", 2, "-", "1,"},
        {"1,", 2, "2", "1,2"}, {"12", 0, ",", "12"},  {"1-2", 1, ",", "1-2"}, {"1", 1, "a", "1"},
        {"1", 1, " ", "1"},    {"12", 1, ",", "1,2"},
    };
    for (const auto& c : cases) {
        range->setText(QString::fromLatin1(c.before));
        range->setCursorPosition(c.caret);
        Type(range, QString::fromLatin1(c.typed));
        EXPECT_EQ(range->text(), QString::fromLatin1(c.after)) << c.before << " + " << c.typed;
    }
    range->setText(QStringLiteral("1-"));
    range->setCursorPosition(2);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(range, &backspace);
    EXPECT_EQ(range->text(), "1") << "backspace always works";
}

TEST_F(ExecuteControlTest, TextsFollowTheLanguage) {
    TfrmExecute* x = Ready(1);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->windowTitle(), "Experiment");
    EXPECT_EQ(x->btnExecute->text(), "Execute");
    EXPECT_EQ(x->sbtnPlay->text(), "Play");
    ASSERT_TRUE(PumpUntil([&] { return Cell(x, 1, 1) == "S1"; }, 20000));
    // The answer grid's headings: answerer, subject, trial, the correct answers.
    const int cols = x->asgdResponse->ColCount();
    const int last = x->asgdResponse->RowCount() - 1;
    const auto headings = [&] {
        return QStringList{Cell(x, 1, 0),    Cell(x, 0, 1),        Cell(x, 0, 2),
                           Cell(x, 0, last), Cell(x, cols - 2, 1), Cell(x, cols - 1, 1)};
    };
    EXPECT_EQ(headings(),
              (QStringList{"Terminal1", "SubjectID", "Trial1", "Correct %", "Correct %", "Correct"}));
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    EXPECT_EQ(x->windowTitle(), QString::fromUtf8("実行"));
    EXPECT_EQ(x->btnEnd->text(), QString::fromUtf8("閉じる"));
    EXPECT_EQ(x->sbtnStop->text(), QString::fromUtf8("終了"));
    EXPECT_EQ(x->execDlg->rdbRange->text(), QString::fromUtf8("試行指定"));
    EXPECT_EQ(x->StatusText(0), QString::fromUtf8("接続端末台数:1"));
    EXPECT_EQ(x->StatusText(1), "") << "an answerer has joined: no wait is shown, in either language";
    EXPECT_EQ(headings(), (QStringList{QString::fromUtf8("端末1"), QString::fromUtf8("被験者ID"),
                                       QString::fromUtf8("試行1"), QString::fromUtf8("正答率"),
                                       QString::fromUtf8("正答率"), QString::fromUtf8("正答ボタン")}));
    EXPECT_EQ(Cell(x, 1, 1), "S1") << "the answers stay";
    TextTable::Instance().setLanguage(TextTable::Language::English);
    EXPECT_EQ(headings()[0], "Terminal1");
}

// Answers of a pass that the service then fails to keep stay in the window with their run,
// whether the operator chose another schedule or a random pass and said Yes to keeping
// them: as when the window closes.
TEST_F(ExecuteControlTest, AnswersTheServiceDidNotKeepStayWithTheirRun) {
    MakeProject(2, {2, 3});
    SetWaits(0.0, 0.0, 0.1);
    w->execTable->setFeedbackSeconds(0.2); // the answers are fetched at the feedback
    w->UpdateActions();
    w->actSdlCopyNew->trigger();
    ASSERT_EQ(w->project.GetScheduleCount(), 2);
    w->OnExecuteMessage(1, 0); // the run starts on the first schedule
    service->SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=1,ANSWER=3");
    TfrmExecute* x = Start();
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return x->btnExecute->isEnabled(); }, 20000));
    AnswerDialog(x, [](TfrmExecDlg& d) {
        d.rdbRange->click();
        d.edtRange->setText(QStringLiteral("1"));
    });
    x->btnExecute->click();
    ASSERT_TRUE(Answered(x));
    ASSERT_EQ(x->windowState, ExecWindowReady) << ShownTexts().join(" | ").toStdString();
    x->sbtnPlay->click();
    ASSERT_TRUE(PumpUntil([&] { return x->windowState == ExecWindowIdle && x->btnSave->isEnabled(); }, 60000))
        << ShownTexts().join(" | ").toStdString();
    ASSERT_EQ(Cell(x, 1, 2), "3");
    const QString run = ExecTestRunSeq;
    const std::vector<int> order{w->project.GetSchedule(0)->trials[0].correctAnswer,
                                 w->project.GetSchedule(0)->trials[1].correctAnswer};

    const QString keep = QStringLiteral("Is the experimental result kept?");
    struct Path {
        const char* what;
        std::function<void()> take;
    };
    const Path paths[] = {
        {"another schedule",
         [x] {
             QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
             QCoreApplication::sendEvent(x->cboSchedule, &down);
         }},
        {"random pass",
         [this, x] {
             AnswerDialog(x, [](TfrmExecDlg& d) {
                 d.rdbRandom->click();
                 d.edtRandomRange->setText(QStringLiteral("1"));
             });
             x->btnExecute->click();
         }},
    };
    const struct {
        const char* what;
        std::function<void()> fail;
    } failures[] = {
        {"refused", [this] { service->SetReply("saveTestResult", "API_RESULT=1,API_MESSAGE=E00099"); }},
        {"service down", [this] { service->Stop(); }},
    };
    for (const auto& failure : failures) {
        failure.fail();
        for (const Path& path : paths) {
            const std::string what = std::string(failure.what) + ", " + path.what;
            ui->messages.clear();
            ui->answers = {UiServices::Answer::Yes, UiServices::Answer::Yes};
            const size_t starts = service->Count("startTest");
            path.take();
            ASSERT_TRUE(Answered(x)) << what;
            ASSERT_TRUE(DrainPosted());
            EXPECT_EQ(ShownTexts(), (QStringList{keep, keep, "Internal error occurred."})) << what;
            EXPECT_EQ(Cell(x, 1, 2), "3") << what;
            EXPECT_EQ(x->cboSchedule->currentIndex(), 0) << what;
            EXPECT_EQ(w->tabSchedule->currentIndex(), 0) << what;
            EXPECT_EQ(service->Count("startTest"), starts) << what << ": no new run";
            EXPECT_EQ(ExecTestRunSeq, run) << what;
            EXPECT_EQ(w->project.GetSchedule(0)->trials[0].correctAnswer, order[0])
                << what << ": not shuffled";
            EXPECT_EQ(w->project.GetSchedule(0)->trials[1].correctAnswer, order[1]) << what;
            EXPECT_TRUE(x->btnSave->isEnabled()) << what << ": still to be kept";
        }
    }
}
