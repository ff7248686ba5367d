// New, Open, Save, Save As and Project information in the main window.
#include "MainWindowFixture.h"

#include "CountEditor.h"
#include "FakeService.h"
#include "IniFile.h"
#include "Messages.h"
#include "OptionIni.h"
#include "PanelStatusBar.h"
#include "PrjInfoUnit.h"
#include "StringGrid.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

struct Fixture {
    int method = 1;
    QString title = QStringLiteral("Fixture");
    QStringList schedules{QStringLiteral("Morning"), QStringLiteral("Evening")};
    int stimuli = 3;
    int trials = 4;
};

// A project written by the model itself.
void WriteProject(const QString& path, const Fixture& f) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(f.method);
    p.GetGeneral()->title = f.title;
    p.GetGeneral()->user = QStringLiteral("Operator");
    p.GetGeneral()->comment = QStringLiteral("Note");
    ASSERT_TRUE(p.SetStimulusCount(f.stimuli));
    for (const QString& name : f.schedules) {
        CSchedule* s = p.AddSchedule(nullptr);
        s->name = name;
        s->SetTrialCount(f.trials);
        s->SetStimulusCount(f.method == 2 ? 2 : 1);
    }
    p.SetFileName(path);
    ASSERT_TRUE(p.Save());
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class MainProjectTest : public MainWindowTest {
protected:
    PanelStatusBar* Status() const { return w->stbInformation; }
    QStringList TabNames() const {
        QStringList names;
        for (int i = 0; i < w->tabSchedule->count(); ++i)
            names << w->tabSchedule->tabText(i);
        return names;
    }
    // The state a failed command must leave untouched.
    struct Snapshot {
        QString caption, fileName, panel1;
        int method;
        QStringList tabs;
        bool modified;
    };
    Snapshot Take() const {
        return {w->windowTitle(), w->project.GetFileName(), Status()->PanelText(1), w->project.GetMethod(),
                TabNames(),       w->projectModified};
    }
    void ExpectUnchanged(const Snapshot& before) const {
        const Snapshot now = Take();
        EXPECT_EQ(now.caption, before.caption);
        EXPECT_EQ(now.fileName, before.fileName);
        EXPECT_EQ(now.panel1, before.panel1);
        EXPECT_EQ(now.method, before.method);
        EXPECT_EQ(now.tabs, before.tabs);
        EXPECT_EQ(now.modified, before.modified);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "cursor restored";
        EXPECT_FALSE(Status()->SimplePanel()) << "status panels restored";
    }
};

TEST_F(MainProjectTest, NewProjectOfEachMethod) {
    struct Case {
        const char* action;
        int method;
        const char* status;
        int presentations;
        int minPresentations, maxPresentations;
    };
    const Case cases[] = {
        {"actPrjTrn", 0, "Experiment:Technical Listening Training", 1, 1, 99},
        {"actPrjSdm", 1, "Experiment:Semantic Differential", 1, 1, 99},
        {"actPrjPar", 2, "Experiment:Pair Comparison", 2, 2, 2},
        {"actPrjCat", 3, "Experiment:Category Judgement", 1, 1, 99},
        {"actPrjMem", 4, "Experiment:Magnitude Estimation", 1, 1, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        Find<QAction>(c.action)->trigger();
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Tamvik - New Project 1"));
        EXPECT_EQ(w->project.GetMethod(), c.method);
        EXPECT_TRUE(w->project.GetFileName().isEmpty());
        EXPECT_EQ(Status()->PanelText(0), QString::fromUtf8(c.status));
        EXPECT_EQ(Status()->PanelText(1), QStringLiteral("Title:"));
        EXPECT_EQ(Status()->PanelText(2), QStringLiteral("User:"));
        EXPECT_EQ(Status()->PanelText(3), QStringLiteral("Comments:"));
        EXPECT_EQ(TabNames(), QStringList{QStringLiteral("Schedule1")});
        ASSERT_EQ(w->project.GetScheduleCount(), 1);
        EXPECT_EQ(w->project.GetSchedule(0)->name, QStringLiteral("Schedule1"));
        EXPECT_EQ(w->project.GetSchedule(0)->GetTrialCount(), 10);
        EXPECT_EQ(w->project.GetSchedule(0)->GetStimulusCount(), c.presentations);
        EXPECT_EQ(w->project.GetStimuli()->GetCount(), 10);
        EXPECT_EQ(w->asgdStimulus->RowCount() - w->asgdStimulus->FixedRows(), 10);
        EXPECT_EQ(w->updStmNumber->Position(), 10);
        EXPECT_EQ(w->updTrlNumber->Position(), 10);
        EXPECT_EQ(w->updPrsNumber->Position(), c.presentations);
        EXPECT_EQ(w->updPrsNumber->Min(), c.minPresentations);
        EXPECT_EQ(w->updPrsNumber->Max(), c.maxPresentations);
        EXPECT_EQ(w->project.GetTerminalInfo()->GetTerminalCount(), w->terminalCount);
        EXPECT_FALSE(w->projectModified);
        EXPECT_TRUE(w->actFileSaveAsPrj->isEnabled());
        EXPECT_TRUE(w->pnlStimulus->isEnabled());
        EXPECT_TRUE(w->updStmNumber->isEnabled());
        EXPECT_EQ(w->pgeParameter->isTabVisible(w->pgeParameter->indexOf(w->shtPrmButton)), c.method != 4);
        EXPECT_EQ(w->pgeParameter->currentWidget(), w->shtPrmExplain);
        w->UpdateActions();
        EXPECT_TRUE(Find<QAction>(c.action)->isChecked());
        // Only the training layout has the correct-button column.
        bool correctColumn = false;
        for (int col = 0; col < w->asgdSchedule->ColCount(); ++col)
            correctColumn |= w->asgdSchedule->Cell(col, 0) == QStringLiteral("Correct\r\nbutton");
        EXPECT_EQ(correctColumn, c.method == 0);
    }
}

TEST_F(MainProjectTest, NewAfterYesAndACancelledSaveAsKeepsTheProject) {
    Find<QAction>("actPrjSdm")->trigger();
    w->projectModified = true;
    const Snapshot before = Take();
    ui->answers = {UiServices::Answer::Yes};
    Find<QAction>("actPrjPar")->trigger();
    ExpectUnchanged(before);
    EXPECT_EQ(ui->fileDialogCaptions.size(), 1) << "Save As was asked";
}

TEST_F(MainProjectTest, OpenShowsTheProjectFile) {
    const QString path = root->file(QStringLiteral("fixture.tmv"));
    WriteProject(path, Fixture{});
    ui->fileNames = {path};
    Find<QAction>("actFileOpenPrj")->trigger();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tamvik - ") + path);
    EXPECT_EQ(w->project.GetFileName(), path);
    EXPECT_EQ(Status()->PanelText(0), QStringLiteral("Experiment:Semantic Differential"));
    EXPECT_EQ(Status()->PanelText(1), QStringLiteral("Title:Fixture"));
    EXPECT_EQ(Status()->PanelText(2), QStringLiteral("User:Operator"));
    EXPECT_EQ(Status()->PanelText(3), QStringLiteral("Comments:Note"));
    EXPECT_EQ(TabNames(), (QStringList{QStringLiteral("Morning"), QStringLiteral("Evening")}));
    EXPECT_EQ(w->tabSchedule->currentIndex(), 0);
    EXPECT_EQ(w->updStmNumber->Position(), 3);
    EXPECT_EQ(w->updTrlNumber->Position(), 4);
    EXPECT_EQ(w->asgdStimulus->RowCount() - w->asgdStimulus->FixedRows(), 3);
    EXPECT_FALSE(w->projectModified);
    EXPECT_TRUE(w->actFilePrjInfo->isEnabled());
    EXPECT_FALSE(w->actExecResult->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(Status()->SimplePanel());
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(MainProjectTest, PairedComparisonLoadFixesPresentationsAtTwo) {
    const QString path = root->file(QStringLiteral("pair.tmv"));
    Fixture f;
    f.method = 2;
    WriteProject(path, f);
    ASSERT_TRUE(w->LoadProject(path));
    EXPECT_EQ(w->updPrsNumber->Min(), 2);
    EXPECT_EQ(w->updPrsNumber->Max(), 2);
    EXPECT_EQ(w->updPrsNumber->Position(), 2);
}

TEST_F(MainProjectTest, AFailedOpenLeavesTheOpenProjectAsItWas) {
    const QString good = root->file(QStringLiteral("good.tmv"));
    WriteProject(good, Fixture{});
    const QByteArray bytes = ReadAll(good);
    struct Case {
        const char* what;
        QByteArray content;
        bool create;
        const char* cause; // what the message names below its text
    };
    const Case cases[] = {
        {"garbage", QByteArray("this is not an archive at all"), true, "not a project archive"},
        {"empty file", QByteArray(), true, "not a project archive"},
        {"truncated archive", bytes.left(bytes.size() / 2), true, "the archive is damaged"},
        {"missing file", QByteArray(), false, "No such file or directory"},
    };
    ASSERT_TRUE(w->LoadProject(good));
    w->projectModified = true;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = root->file(QStringLiteral("bad%1.tmv").arg(n++));
        if (c.create) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        const Snapshot before = Take();
        ui->messages.clear();
        ui->answers = {UiServices::Answer::No}; // the unsaved changes are not saved first
        ui->fileNames = {path};
        Find<QAction>("actFileOpenPrj")->trigger();
        ASSERT_EQ(ui->messages.size(), 2u);
        EXPECT_EQ(ui->messages.back().text, QStringLiteral("It failed in reading the project.\n") + path +
                                                QStringLiteral(": ") + QString::fromUtf8(c.cause));
        ExpectUnchanged(before);
        EXPECT_EQ(w->project.GetGeneral()->title, QStringLiteral("Fixture"));
    }
}

TEST_F(MainProjectTest, AReaderExceptionEndsTheOpenLikeAnyFailure) {
    // A sound archive whose general entry names no method: the reader throws.
    const QString good = root->file(QStringLiteral("good.tmv"));
    WriteProject(good, Fixture{});
    const QString folder = root->file(QStringLiteral("unpacked"));
    CTmvFile archive;
    ASSERT_TRUE(archive.Unpack(good, folder));
    tamvik::IniFile general;
    ASSERT_TRUE(general.LoadFromFile(folder + QStringLiteral("/GENERAL.INI")));
    general.WriteString(QStringLiteral("PROJECT"), QStringLiteral("METHOD"), QStringLiteral("NONE"));
    ASSERT_TRUE(general.SaveToFile(folder + QStringLiteral("/GENERAL.INI")));
    const QString bad = root->file(QStringLiteral("no method.tmv"));
    ASSERT_TRUE(archive.SetExtensions({QStringLiteral("INI"), QStringLiteral("WAV"), QStringLiteral("TXT")}));
    ASSERT_TRUE(archive.Pack(folder, bad, false));
    {
        CProject probe;
        probe.SetFileName(bad);
        EXPECT_THROW(probe.Open(), std::exception) << "the fixture must make the reader throw";
    }

    ASSERT_TRUE(w->LoadProject(good));
    const Snapshot before = Take();
    EXPECT_FALSE(w->LoadProject(bad));
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("It failed in reading the project.\n") + bad +
                                        QStringLiteral(": invalid method!!")});
    ExpectUnchanged(before);
}

TEST_F(MainProjectTest, OpenAfterYesAndACancelledSaveAsDoesNotOpen) {
    const QString path = root->file(QStringLiteral("fixture.tmv"));
    WriteProject(path, Fixture{});
    Find<QAction>("actPrjTrn")->trigger();
    w->projectModified = true;
    const Snapshot before = Take();
    ui->answers = {UiServices::Answer::Yes};
    ui->fileNames = {QString(), path}; // Save As cancelled; the open dialog would get path
    w->actFileOpenPrjExecute();
    ExpectUnchanged(before);
    EXPECT_EQ(ui->fileDialogCaptions.size(), 1) << "no open dialog after the unsaved project";
}

TEST_F(MainProjectTest, SaveWithoutATitleWritesNothingButKeepsTheChosenName) {
    Find<QAction>("actPrjSdm")->trigger();
    const QString chosen = root->file(QStringLiteral("untitled"));
    ui->fileNames = {chosen};
    EXPECT_FALSE(w->actFileSavePrjExecute());
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Please input a title.")});
    EXPECT_FALSE(QFileInfo::exists(chosen + QStringLiteral(".tmv")));
    EXPECT_EQ(w->project.GetFileName(), chosen + QStringLiteral(".tmv"));
    EXPECT_TRUE(w->project.GetGeneral()->updateDates.empty());

    // The next Save does not ask for a name again.
    w->project.GetGeneral()->title = QStringLiteral("Now titled");
    w->projectModified = true;
    EXPECT_TRUE(w->actFileSavePrjExecute());
    EXPECT_EQ(ui->fileDialogCaptions.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(chosen + QStringLiteral(".tmv")));
    EXPECT_FALSE(w->projectModified);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tamvik - ") + chosen + QStringLiteral(".tmv"));
    EXPECT_EQ(w->project.GetGeneral()->updateDates.size(), 1u);
}

TEST_F(MainProjectTest, SaveAsWritesTheFileAndRemembersItsFolder) {
    Find<QAction>("actPrjCat")->trigger();
    w->projectModified = true;
    const QString path = root->file(QStringLiteral("saved as.tmv"));
    ui->fileNames = {path};
    EXPECT_TRUE(w->actFileSaveAsPrjExecute()) << "no title needed";
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(w->projectModified);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tamvik - ") + path);
    EXPECT_EQ(w->project.GetGeneral()->updateDates.size(), 1u);
    QString folder;
    ReadOtherSetting(QStringLiteral("FileSaveAsPath"), folder);
    EXPECT_EQ(folder, root->path() + QLatin1Char('/'));

    // What was written opens again.
    TfrmMain other;
    EXPECT_TRUE(other.LoadProject(path));
    EXPECT_EQ(other.project.GetMethod(), 3);
}

TEST_F(MainProjectTest, AFailedSaveSaysWhyAndKeepsNoSaveDate) {
    // A folder that is a regular file stops every writer, root included.
    const QString plainFile = root->file(QStringLiteral("plain file"));
    {
        QFile f(plainFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    struct Case {
        const char* what;
        QString path;
        const char* cause;
    };
    const Case cases[] = {
        {"missing folder", root->file(QStringLiteral("no/such/folder/x.tmv")), "No such file or directory"},
        {"folder is a file", plainFile + QStringLiteral("/x.tmv"), "Not a directory"},
    };
    Find<QAction>("actPrjSdm")->trigger();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w->projectModified = true;
        ui->messages.clear();
        ui->fileNames = {c.path};
        Find<QAction>("actFileSaveAsPrj")->trigger();
        EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("It failed in writing the project.\n") + c.path +
                                            QStringLiteral(": ") + QString::fromUtf8(c.cause)});
        EXPECT_TRUE(w->project.GetGeneral()->updateDates.empty());
        EXPECT_TRUE(w->projectModified);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(Status()->SimplePanel());
    }
}

// Open, Save and Save As start where the user keeps projects, never in the folder the
// program happened to be started from.
TEST_F(MainProjectTest, FileDialogsStartInTheProjectFolderOrTheLastOneUsed) {
    const QString library = root->file(QStringLiteral("library"));
    ASSERT_TRUE(QDir().mkpath(library));
    const QString home = QDir::homePath() + QLatin1Char('/');
    ASSERT_TRUE(home.startsWith(root->path())) << "the fixture's home";
    Find<QAction>("actPrjSdm")->trigger();

    // Without a project folder in the options: the home folder.
    Find<QAction>("actFileOpenPrj")->trigger();
    ASSERT_EQ(ui->fileDialogStarts.size(), 1);
    EXPECT_EQ(ui->fileDialogStarts.last(), home);

    ASSERT_TRUE(SaveOptionSettings(library, QString(), QString(), QString(), QStringLiteral("0"), QString(),
                                   QString()));
    Find<QAction>("actFileOpenPrj")->trigger();
    EXPECT_EQ(ui->fileDialogStarts.last(), library + QLatin1Char('/')) << "Open";
    Find<QAction>("actFileSaveAsPrj")->trigger();
    EXPECT_EQ(ui->fileDialogStarts.last(), library + QLatin1Char('/')) << "Save As";
    w->project.GetGeneral()->title = QStringLiteral("t");
    w->actFileSavePrjExecute();
    EXPECT_EQ(ui->fileDialogStarts.last(), library + QStringLiteral("/New Project 1")) << "Save";

    // A project opened from elsewhere: Open starts in its folder.
    const QString elsewhere = root->file(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    WriteProject(elsewhere + QStringLiteral("/p.tmv"), Fixture{});
    ui->fileNames = {elsewhere + QStringLiteral("/p.tmv")};
    Find<QAction>("actFileOpenPrj")->trigger();
    ASSERT_EQ(w->project.GetFileName(), elsewhere + QStringLiteral("/p.tmv"));
    Find<QAction>("actFileOpenPrj")->trigger();
    EXPECT_EQ(ui->fileDialogStarts.last(), elsewhere + QLatin1Char('/'));
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join(QLatin1Char('|')).toStdString();
}

TEST_F(MainProjectTest, ProjectInformationEditsTitleUserAndComment) {
    Find<QAction>("actPrjSdm")->trigger();
    TfrmPrjInfo* info = w->frmPrjInfo;
    // No save yet: the Modified field is off.
    QTimer::singleShot(0, info, [&] {
        EXPECT_FALSE(info->edtPrjUpdate->isEnabled());
        EXPECT_FALSE(info->lblPrjUpdate->isEnabled());
        EXPECT_FALSE(info->edtPrjCreate->text().isEmpty());
        info->btnOK->click(); // unchanged texts
    });
    w->actFilePrjInfoExecute();
    EXPECT_FALSE(w->projectModified);

    QTimer::singleShot(0, info, [&] {
        info->edtPrjTitle->setText(QStringLiteral("Listening"));
        info->edtPrjComment->setText(QStringLiteral("Room 2"));
        info->btnOK->click();
    });
    w->actFilePrjInfoExecute();
    EXPECT_TRUE(w->projectModified);
    EXPECT_EQ(w->project.GetGeneral()->title, QStringLiteral("Listening"));
    EXPECT_EQ(w->project.GetGeneral()->comment, QStringLiteral("Room 2"));
    EXPECT_EQ(Status()->PanelText(1), QStringLiteral("Title:Listening"));
    EXPECT_EQ(Status()->PanelText(3), QStringLiteral("Comments:Room 2"));

    w->projectModified = false;
    QTimer::singleShot(0, info, [&] {
        info->edtPrjUser->setText(QStringLiteral("changed"));
        info->btnCancel->click();
    });
    w->actFilePrjInfoExecute();
    EXPECT_FALSE(w->projectModified);
    EXPECT_TRUE(w->project.GetGeneral()->user.isEmpty());
}

TEST_F(MainProjectTest, RestrictedUsersOpenOnlyProjectsTheServiceKnows) {
    fake::FakeService service;
    ASSERT_TRUE(SaveOptionSettings(QString(), QString::fromStdString(service.BaseUrl()),
                                   QStringLiteral("user"), QStringLiteral("secret"), QStringLiteral("0"),
                                   QString(), QString()));
    const QString base = root->file(QStringLiteral("base.tmv"));
    WriteProject(base, Fixture{});
    struct Case {
        const char* what;
        QString title;
        std::string reply;
        bool opens;
        size_t requests;
        const char* cause; // below the message's text, after the file
    };
    const Case cases[] = {
        {"known", QStringLiteral("a+b"), "API_RESULT=1", true, 1, ""},
        {"known by message", QStringLiteral("t"), "API_RESULT=0,API_MESSAGE=E00030", true, 1, ""},
        {"unknown", QStringLiteral("t"), "API_RESULT=0,API_MESSAGE=E00099", false, 1,
         "the library service does not know this project"},
        {"no message", QStringLiteral("t"), "API_RESULT=0", false, 1,
         "the library service does not know this project"},
        {"blank title", QStringLiteral(" \t "), "API_RESULT=1", false, 0,
         "the project has no title, by which the library knows it"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w->tbtnFileOpenPrj->setEnabled(true);
        ASSERT_TRUE(w->LoadProject(base));
        w->tbtnFileOpenPrj->setEnabled(false);
        Fixture f;
        f.title = c.title;
        const QString path = root->file(QStringLiteral("p+%1.tmv").arg(n++));
        WriteProject(path, f);
        service.ClearRequests();
        service.SetReply("getTmvInfo", c.reply);
        ui->messages.clear();
        const Snapshot before = Take();
        EXPECT_EQ(w->LoadProject(path), c.opens);
        ASSERT_EQ(service.Count("getTmvInfo"), c.requests);
        if (c.requests) {
            const fake::FakeRequest r = service.Last("getTmvInfo");
            EXPECT_EQ(r.FieldNames(),
                      (std::vector<std::string>{"USER_ID", "USER_PWD", "TMV_TITLE", "TMV_SIZE", "TMV_NAME"}));
            EXPECT_EQ(r.Field("USER_ID"), "user");
            EXPECT_EQ(r.Field("TMV_TITLE"), QString(c.title).replace('+', '<').toStdString());
            EXPECT_EQ(r.Field("TMV_NAME"), QString(path).replace('+', '<').toStdString());
            EXPECT_EQ(r.Field("TMV_SIZE"), std::to_string(QFileInfo(path).size()));
        }
        if (c.opens) {
            EXPECT_EQ(w->project.GetFileName(), path);
            EXPECT_TRUE(ui->messages.empty());
        } else {
            ExpectUnchanged(before);
            EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("It failed in reading the project.\n") + path +
                                                QStringLiteral(": ") + QString::fromUtf8(c.cause)});
        }
    }
}

TEST_F(MainProjectTest, TestRunWindowChoosingAScheduleShowsItWithoutMarkingTheProject) {
    const QString path = root->file(QStringLiteral("three.tmv"));
    Fixture f;
    f.schedules << QStringLiteral("Night");
    WriteProject(path, f);
    ASSERT_TRUE(w->LoadProject(path));
    w->project.GetSchedule(2)->SetTrialCount(6);
    ASSERT_EQ(PostMessage(w->handle(), WM_EXECUTE_EVENT, 1, 2), 1);
    QCoreApplication::processEvents();
    w->UpdateActions();
    EXPECT_EQ(w->tabSchedule->currentIndex(), 2);
    EXPECT_EQ(w->updTrlNumber->Position(), 6);
    EXPECT_EQ(w->asgdSchedule->RowCount() - w->asgdSchedule->FixedRows(), 6);
    EXPECT_FALSE(w->projectModified);
    EXPECT_FALSE(w->mnuFileSavePrj->isEnabled());
    EXPECT_FALSE(w->tbtnFileSavePrj->isEnabled());
}
