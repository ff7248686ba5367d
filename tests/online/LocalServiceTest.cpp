// The stand-in service as a program (what `run.sh --local-service` starts): it writes its
// account into the settings folder, and the main window gets full rights from it. Its
// simulated subjects and its library carry a first test from a new project to exported
// totals, through the windows.
#include "AlsaTestHome.h"
#include "LibraryFixture.h"

#include "Cexectable.h"
#include "CountEditor.h"
#include "Cproject.h"
#include "ExecDlgUnit.h"
#include "ExecuteUnit.h"
#include "GridInput.h"
#include "LocalLibrary.h"
#include "OptionIni.h"
#include "PrjDownloadUnit.h"
#include "PrjInfoUnit.h"
#include "PrjUploadUnit.h"
#include "ReplyRecord.h"
#include "ResultUnit.h"
#include "RstDlgUnit.h"
#include "ServiceClient.h"
#include "ServiceForm.h"
#include "SimulatedSubjects.h"
#include "WavWriter.h"

#include <QComboBox>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <csignal>

class LocalServiceTest : public MainWindowTest {
protected:
    void TearDown() override {
        if (service.state() != QProcess::NotRunning) {
            service.terminate();
            EXPECT_TRUE(service.waitForFinished(30000)) << "the service ends on SIGTERM";
            EXPECT_EQ(service.exitCode(), 0);
        }
        MainWindowTest::TearDown();
    }
    // Starts the program with the test's settings folder and waits until Option.ini names
    // it (the window may have written the file already).
    void Start(const QStringList& arguments) {
        service.setProgram(QStringLiteral(FAKESERVICE_PROGRAM));
        service.setArguments(arguments);
        service.start();
        ASSERT_TRUE(service.waitForStarted(30000));
        ASSERT_TRUE(PumpUntil(
            [] {
                QString folder, url, id, password;
                LoadOptionSettings(folder, url, id, password, true);
                return !url.isEmpty();
            },
            30000))
            << service.readAllStandardError().toStdString();
    }
    QProcess service;
};

TEST_F(LocalServiceTest, ItsAccountGivesFullRights) {
    Start({"--write-settings", root->file("projects")});
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, true);
    EXPECT_EQ(folder, root->file("projects") + QLatin1Char('/'));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(url.startsWith(QLatin1String("http://127.0.0.1:")));
    EXPECT_EQ(id, QStringLiteral("operator"));

    w->show();
    EXPECT_TRUE(PumpUntil([&] { return w->tbtnFileOpenPrj->isVisible(); }));
    EXPECT_TRUE(w->tbtnFileOpenPrj->isEnabled());
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(LocalServiceTest, AnotherPasswordIsRefused) {
    Start({"--write-settings", root->file("projects"), "--password", "secret"});
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, true);
    ASSERT_TRUE(SaveOptionSettings(folder, url, id, QStringLiteral("wrong"), QStringLiteral("0"), QString(),
                                   QString()));
    w->show();
    ASSERT_TRUE(DrainPosted());
    EXPECT_TRUE(w->tbtnFileOpenPrj->isHidden());
    EXPECT_TRUE(ui->messages.empty()) << "a refused login is no connection failure";
}

// --- the stand-in's subjects and library, as the program runs them ---------------------

namespace {

// One form post to the service, as the windows send it.
QString Post(const std::string& url, const QStringList& lines) {
    tamvik::ServiceClient client;
    QString reply;
    EXPECT_TRUE(PostServiceForm(client, QString::fromStdString(url), lines, reply).ok()) << url;
    return reply;
}

QStringList RunLists() {
    return {"TEST_RUN_LIST=QUESTION_NUM=1,QUESTION_STATUS=0,REPEAT_NUM=1,START_WAIT_TIME=0,LIMIT_TIME=1,"
            "CORRECT_QUES_ID=2,SHOW_TIME=1;",
            "TEST_RUN_STIM_LIST=STIMULUS_ID=1,QUESTION_NUM=1,SOUND_NUM=1,SOUND_LONG=0.05,STOP_TIME=0;"};
}

} // namespace

TEST_F(LocalServiceTest, ASubjectAddedWhileItRunsJoinsTheOpenRun) {
    Start({"--write-settings", root->file("projects"), "--subjects", "1"});
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, false);
    const std::string base = url.toStdString();
    const ReplyRecord started =
        ParseKeyValueText(Post(base + "startTest", QStringList{"USER_ID=operator"} + RunLists()));
    const QString seq = ReplyValue(started, "EXEC_SEQ");
    ASSERT_FALSE(seq.isEmpty());
    const auto answerers = [&] {
        ReplyRecordList records;
        ParseRecordListText(Post(base + "returnTestResult", {"TEST_RUN_SEQ=" + seq}), records);
        QStringList ids;
        for (const auto& [n, record] : records)
            ids << ReplyValue(record, "ANSWERER_ID");
        return ids;
    };
    ASSERT_TRUE(PumpUntil([&] { return answerers() == QStringList{"S01"}; }, 20000));
    ::kill(pid_t(service.processId()), SIGUSR1);
    EXPECT_TRUE(PumpUntil([&] { return answerers() == QStringList({"S01", "S02"}); }, 20000));
}

// The stand-in's library and two subjects on the test's service, with short delays.
class LocalServiceRunTest : public LibraryTest {
protected:
    void BeforeWindow() override { alsa = std::make_unique<AlsaTestHome>(); }

    void SetUp() override {
        LibraryTest::SetUp();
        localLibrary = std::make_unique<fake::LocalLibrary>(*service, root->file("service"));
        subjects = std::make_unique<fake::SimulatedSubjects>(
            *service, 2, [this](int seq) { return localLibrary->StyleOf(seq); },
            [this](fake::SavedRun run) { localLibrary->Keep(std::move(run)); },
            fake::SimulatedSubjects::Timing{std::chrono::milliseconds(50), std::chrono::milliseconds(40)});
    }

    void TearDown() override {
        if (w && w->frmExecute) {
            w->execTable->Stop();
            PumpUntil([this] {
                return w->execTable->state() == ExecIdle || w->execTable->state() == ExecScheduleEnded;
            });
            delete w->frmExecute;
            w->frmExecute = nullptr;
        }
        w.reset();
        service->Stop(); // no handler runs past the library and the subjects
        subjects.reset();
        localLibrary.reset();
        LibraryTest::TearDown();
        alsa.reset();
    }

    QString Wav(const QString& name) {
        const QString path = root->file(name);
        std::vector<uint8_t> data(2205 * 2, 0);
        for (size_t i = 0; i < data.size(); i += 2)
            data[i] = 0x40;
        EXPECT_TRUE(WriteWav(path, WavLayout::pcm(1, 44100, 16), data));
        return path;
    }

    static void TypeCount(CountEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // Clicks the cell, types text (the first key opens the editor) and presses Enter.
    static void TypeCell(StringGrid* grid, int col, int row, const QString& text) {
        grid->scrollTo(grid->model()->index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, col)).center());
        QTest::keyClicks(nullptr, text);
        if (QApplication::focusWidget() != grid) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCoreApplication::processEvents();
        }
    }

    // Runs script in the upload dialog that the Upload command makes and shows.
    void Upload(const std::function<void(TfrmPrjUpload*)>& script) {
        bool ran = false;
        QTimer::singleShot(0, w.get(), [&] {
            ran = true;
            TfrmPrjUpload* d = w->frmPrjUpload;
            ASSERT_TRUE(d && d->isVisible());
            script(d);
            if (d->isVisible()) {
                ADD_FAILURE() << "the upload dialog stayed open: " << ShownTexts().join(" | ").toStdString();
                d->reject();
            }
        });
        Find<QAction>("projectUpload")->trigger();
        EXPECT_TRUE(ran);
    }

    std::unique_ptr<AlsaTestHome> alsa;
    std::unique_ptr<fake::LocalLibrary> localLibrary;
    std::unique_ptr<fake::SimulatedSubjects> subjects;
};

// What a new user does first: a new project, two stimuli, a schedule, a test run that
// simulated subjects answer, the results saved on the service, the project uploaded and
// downloaded again with the results inside, their totals and an export.
TEST_F(LocalServiceRunTest, AFirstTestFromANewProjectToExportedTotals) {
    w->show();
    ASSERT_TRUE(PumpUntil([&] { return w->tbtnFileOpenPrj->isVisible(); })) << "full rights";
    Find<QAction>("actPrjTrn")->trigger();
    TfrmPrjInfo* info = w->frmPrjInfo;
    QTimer::singleShot(0, info, [info] {
        info->edtPrjTitle->setText(QStringLiteral("First test"));
        info->btnOK->click();
    });
    Find<QAction>("actFilePrjInfo")->trigger();

    ASSERT_TRUE(grid_input::DropFiles(w->asgdStimulus, {Wav("low.wav"), Wav("high.wav")}, 1, 1));
    ASSERT_EQ(w->asgdStimulus->Cell(1, 2), QStringLiteral("high.wav"))
        << ShownTexts().join(" | ").toStdString();
    TypeCount(w->edtStmNumber, QStringLiteral("2"));
    TypeCount(w->edtTrlNumber, QStringLiteral("3"));
    const char* const stimulus[] = {"1", "2", "1"};
    const char* const correct[] = {"1", "2", "1"};
    for (int trial = 1; trial <= 3; ++trial) {
        TypeCell(w->asgdSchedule, 2, trial, QStringLiteral("0"));
        TypeCell(w->asgdSchedule, 3, trial, QString::fromLatin1(stimulus[trial - 1]));
        TypeCell(w->asgdSchedule, 4, trial, QStringLiteral("0.5"));
        TypeCell(w->asgdSchedule, 5, trial, QString::fromLatin1(correct[trial - 1]));
    }
    // Two answer buttons with their captions.
    QTabBar* pages = w->pgeParameter->tabBar();
    QTest::mouseClick(pages, Qt::LeftButton, {},
                      pages->tabRect(w->pgeParameter->indexOf(w->shtPrmButton)).center());
    TypeCount(w->edtTrnBtnNum, QStringLiteral("2"));
    TypeCell(w->asgdTrnBtn, 1, 1, QStringLiteral("Low"));
    TypeCell(w->asgdTrnBtn, 1, 2, QStringLiteral("High"));
    const QString path = root->file("mine/first.tmv");
    QDir().mkpath(root->file("mine"));
    ui->fileNames = {path};
    Find<QAction>("actFileSaveAsPrj")->trigger();
    ASSERT_TRUE(QFileInfo::exists(path)) << ShownTexts().join(" | ").toStdString();

    // The test run: both subjects join, then answer every trial while it plays.
    Find<QAction>("actExecShow")->trigger();
    TfrmExecute* x = w->frmExecute;
    ASSERT_NE(x, nullptr) << ShownTexts().join(" | ").toStdString();
    StringGrid* answers = x->asgdResponse;
    ASSERT_TRUE(
        PumpUntil([&] { return answers->Cell(1, 1) == "S02" && answers->Cell(2, 1) == "S01"; }, 10000));
    QTimer::singleShot(0, x, [x] { x->execDlg->btnOK->click(); });
    x->btnExecute->click();
    // Play is offered once the service has taken the pass.
    ASSERT_TRUE(PumpUntil([&] { return x->sbtnPlay->isEnabled() && !x->IsWaiting(); }, 10000));
    x->sbtnPlay->click();
    const auto answered = [&] {
        for (int col = 1; col <= 2; ++col)
            for (int row = 2; row <= 4; ++row)
                if (answers->Cell(col, row).isEmpty())
                    return false;
        return x->windowState == ExecWindowIdle && x->btnSave->isEnabled();
    };
    ASSERT_TRUE(PumpUntil(answered, 30000)) << ShownTexts().join(" | ").toStdString();
    // S01 misses trial 3 and S02 trial 2: each is right two times in three.
    EXPECT_EQ(answers->Cell(2, 4), QStringLiteral("2"));
    EXPECT_EQ(answers->Cell(1, 3), QStringLiteral("1"));
    EXPECT_EQ(answers->Cell(1, 5), QStringLiteral("66.67"));
    EXPECT_EQ(answers->Cell(2, 5), QStringLiteral("66.67"));
    ui->answers.push_back(UiServices::Answer::Yes);
    x->btnSave->click();
    ASSERT_TRUE(PumpUntil([&] { return !x->IsWaiting(); }, 10000));
    EXPECT_EQ(localLibrary->SavedRunCount(), 1u);
    x->btnEnd->click();
    ASSERT_TRUE(PumpUntil([&] { return w->frmExecute == nullptr; }))
        << ShownTexts().join(" | ").toStdString();

    // Upload into a category of the library, then download it: the results come with it.
    ui->messages.clear();
    Upload([&](TfrmPrjUpload* d) {
        d->CategoryComboBox->setFocus();
        QTest::keyClicks(d->CategoryComboBox, QStringLiteral("L"));
        QTest::keyClicks(d->ContentComboBox, QStringLiteral("T"));
        QTest::mouseClick(d->OkBtn, Qt::LeftButton);
    });
    ASSERT_EQ(ShownTexts().value(1), QStringLiteral("The upload of the project file is completed."))
        << ShownTexts().join(" | ").toStdString();
    const QString downloaded = library + QStringLiteral("Listening/first.tmv");
    TfrmPrjDownload* download = w->frmPrjDownload;
    Command("projectDownload", download, [&] {
        StringGrid* grid = download->ProjectListGrid;
        ASSERT_EQ(grid->RowCount(), 2);
        EXPECT_EQ(grid->Cell(2, 1), QStringLiteral("First test"));
        DoubleClick(grid, 2, 1);
    });
    ASSERT_EQ(w->project.GetFileName(), downloaded) << ShownTexts().join(" | ").toStdString();

    // The result viewer on the run's answers: totals and their export.
    QAction* results = Find<QAction>("actExecResult");
    ASSERT_TRUE(results->isEnabled());
    results->trigger();
    TfrmResult* r = w->frmResult;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(r));
    ASSERT_EQ(r->asgdRstList->RowCount(), 2) << "one result";
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nS01"));
    EXPECT_EQ(r->asgdRstData->Cell(1, 3), QStringLiteral("2")) << "S01 missed trial 3";
    r->asgdRstList->setFocus();
    grid_input::ClickCell(r->asgdRstList, 1, 1);
    bool totalled = false;
    QTimer::singleShot(0, r, [&] {
        QTRY_VERIFY(r->optionsDialog->isVisible());
        r->optionsDialog->btnOK->click();
        totalled = true;
    });
    ASSERT_TRUE(r->actTotalRst->isEnabled());
    QTest::mouseClick(r->tbtnTotalRst, Qt::LeftButton);
    ASSERT_TRUE(totalled);
    StringGrid* totals = r->asgdTtlData;
    QStringList shown;
    for (int row = 0; row < totals->RowCount(); ++row)
        for (int col = 0; col < totals->ColCount(); ++col)
            shown << totals->Cell(col, row);
    EXPECT_TRUE(shown.contains(QStringLiteral("66.67"))) << shown.join(" ").toStdString();
    const QString csv = root->file("totals.csv");
    ui->fileNames = {root->file("totals")};
    ui->fileTypes = {1};
    ASSERT_TRUE(r->actExportRstTotal->isEnabled());
    r->actExportRstTotal->trigger();
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly)) << ShownTexts().join(" | ").toStdString();
    const QByteArray bytes = exported.readAll();
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_TRUE(text.contains(QStringLiteral("66.67"))) << text.toStdString();
    r->close();

    // Uploaded again and synchronised, the project still holds the run once.
    ui->messages.clear();
    Upload([&](TfrmPrjUpload* d) {
        EXPECT_EQ(d->uwagakiComboBox->currentText(), QStringLiteral("first.tmv"))
            << "its own upload, overwritten";
        QTest::mouseClick(d->OkBtn, Qt::LeftButton);
    });
    Command("projectDownload", download, [&] {
        QTest::mouseClick(download->AllsyncBtn, Qt::LeftButton);
        download->reject();
    });
    EXPECT_EQ(ShownTexts().value(ShownTexts().size() - 1),
              QStringLiteral("The download of the project file is completed."));
    CProject synchronised;
    synchronised.SetFileName(downloaded);
    ASSERT_TRUE(synchronised.Open());
    EXPECT_EQ(synchronised.GetResponseCount(), 1);
}

// Each subject answers in the form the project's method asks for, read from the project
// file the run names; training subjects are now and then wrong.
TEST_F(LocalServiceRunTest, SubjectsAnswerInTheFormOfTheMethod) {
    struct Case {
        int method;
        const char* pattern;
    };
    const Case cases[] = {
        {0, "^[1-3]$"}, {1, "^(-?[0-3]){2}$"}, {2, "^[12]$"}, {3, "^[1-4]$"}, {4, "^[0-9]+(\\.5)?$"},
    };
    const std::string base = service->OperationUrl("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        const QString path = root->file(QStringLiteral("method%1.tmv").arg(c.method));
        {
            CProject p;
            ASSERT_TRUE(p.New());
            p.SetMethod(c.method);
            CExperimentParameter& e = *p.GetExperimentParameter();
            if (CExpTraining* t = e.GetTraining())
                t->buttonLabels = {"a", "b", "c"};
            if (CExpSD* sd = e.GetSD())
                sd->scales = {{"warm", "cold"}, {"soft", "hard"}};
            if (CExpCategory* pair = e.GetPair())
                pair->buttonLabels = {"first", "second"};
            if (CExpCategory* category = e.GetCategory())
                category->buttonLabels = {"1", "2", "3", "4"};
            p.SetFileName(path);
            ASSERT_TRUE(p.Save());
        }
        const QStringList login{"USER_ID=user", "USER_PWD=secret"};
        const QString project = ReplyValue(
            ParseKeyValueText(Post(base + "getTmvInfo", login + QStringList{"TMV_NAME=" + path})), "TMV_SEQ");
        QString list = "TEST_RUN_LIST=", stimuli = "TEST_RUN_STIM_LIST=", pass = "QUESTION_LIST=";
        for (int n = 1; n <= 4; ++n) {
            list += QStringLiteral(
                        "QUESTION_NUM=%1,QUESTION_STATUS=0,REPEAT_NUM=1,START_WAIT_TIME=0,LIMIT_TIME=1,"
                        "CORRECT_QUES_ID=%2,SHOW_TIME=1;")
                        .arg(n)
                        .arg(n % 3 + 1);
            stimuli +=
                QStringLiteral("STIMULUS_ID=1,QUESTION_NUM=%1,SOUND_NUM=1,SOUND_LONG=0.05,STOP_TIME=0;")
                    .arg(n);
            pass += QStringLiteral("QUESTION_NUM=%1,QUSETION_STATUS=1;").arg(n);
        }
        const QString run =
            ReplyValue(ParseKeyValueText(Post(base + "startTest",
                                              login + QStringList{"PROJECT_SEQ=" + project, list, stimuli})),
                       "EXEC_SEQ");
        const QStringList seq{"TEST_RUN_SEQ=" + run};
        ReplyRecordList records;
        ASSERT_TRUE(PumpUntil([&] {
            ParseRecordListText(Post(base + "returnTestResult", login + seq), records);
            return records.size() == 2;
        })) << "both subjects joined";
        Post(base + "prepareTest", login + seq + QStringList{pass});
        for (int n = 1; n <= 4; ++n)
            Post(base + "enforcementTest", login + seq +
                                               QStringList{QStringLiteral("QUESTION_NUM=%1").arg(n),
                                                           "QUESTION_STATUS=2", "RUN_ROUND_NUM=1"});
        ASSERT_TRUE(PumpUntil([&] {
            ParseRecordListText(Post(base + "returnTestResult", login + seq), records);
            return records.size() == 8;
        }));
        int wrong = 0;
        for (const auto& [index, record] : records) {
            const QString answer = ReplyValue(record, "ANSWER");
            EXPECT_TRUE(QRegularExpression(c.pattern).match(answer).hasMatch()) << answer.toStdString();
            wrong += answer != QString::number(ReplyValue(record, "QUESTION_NUM").toInt() % 3 + 1);
        }
        if (c.method == 0) {
            EXPECT_EQ(wrong, 2) << "each subject misses one trial in four";
        }
    }
}
