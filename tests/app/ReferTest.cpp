// File > Refer: the import dialog lists another project's items, and the commands take the
// chosen one into the open project.
#include "MainWindowFixture.h"

#include "CountEditor.h"
#include "ModalScript.h"
#include "PanelStatusBar.h"
#include "ReferUnit.h"
#include "StringGrid.h"
#include "TextFits.h"
#include "WavWriter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

namespace {

CSchedule* AddSchedule(CProject& p, const QString& name, int trials, int positions) {
    CSchedule* s = p.AddSchedule(nullptr);
    s->name = name;
    s->SetTrialCount(trials);
    s->SetStimulusCount(positions);
    for (int t = 0; t < trials; ++t)
        for (int k = 0; k < positions; ++k)
            s->trials[static_cast<size_t>(t)].stimuli[static_cast<size_t>(k)] = t + k + 1;
    return s;
}

// Another project: SD with two schedules, instruction "other instruction", and one stored
// result run with the schedule "Pilot" (5 trials of 2) and with 7 divisions.
void WriteSource(const QString& path) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(1);
    p.GetGeneral()->title = QStringLiteral("Source");
    ASSERT_TRUE(p.SetStimulusCount(2));
    AddSchedule(p, QStringLiteral("Morning"), 3, 1);
    AddSchedule(p, QStringLiteral("Evening"), 4, 1);
    p.GetExperimentParameter()->GetSD()->divisions = 5;
    p.GetExperimentParameter()->GetSD()->scales = {{QStringLiteral("dark"), QStringLiteral("bright")}};
    p.GetInstruction()->lines = QStringList{QStringLiteral("other instruction")};
    CQuestionnaireResults* set = p.AddQuestionnaireResults();
    set->time = 45001.0;
    set->GetQuestionnaire()->name = QStringLiteral("Asked then");
    set->GetQuestionnaire()->SetTermCount(2);
    p.GetQuestionnaire()->SetTermCount(4);
    CResponse* r = p.AddResponse();
    r->date = 45000.5;
    r->schedule.name = QStringLiteral("Pilot");
    r->schedule.SetTrialCount(5);
    r->schedule.SetStimulusCount(2);
    r->experimentParameter.SetMethod(1);
    r->experimentParameter.GetSD()->divisions = 7;
    CTerminalResponse answers;
    answers.id = 1;
    answers.answers.assign(5, QStringLiteral("1"));
    r->terminalResponses = {answers};
    p.SetFileName(path);
    ASSERT_TRUE(p.Save());
}

// Clicks a cell of a shown grid where a user would: on whatever widget shows it.
void ClickCell(StringGrid* grid, int col, int row) {
    // Whatever the user would hit there: the grid, or a strip laid over its fixed cells.
    const QPoint centre = grid->visualRect(grid->model()->index(row, col)).center();
    QWidget* window = grid->window();
    const QPoint inWindow = grid->viewport()->mapTo(window, centre);
    QWidget* target = window->childAt(inWindow);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window, inWindow));
}

QStringList Column(StringGrid* grid, int col) {
    QStringList texts;
    for (int row = grid->FixedRows(); row < grid->RowCount(); ++row)
        texts << grid->Cell(col, row);
    return texts;
}

} // namespace

class ReferTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        source = root->file(QStringLiteral("source.tmv"));
        WriteSource(source);
        // The open project: SD, one schedule.
        Find<QAction>("actPrjSdm")->trigger();
        w->projectModified = false;
    }
    TfrmRefer* dialog() const { return w->frmRefer; }
    QStringList Tabs() const {
        QStringList names;
        for (int i = 0; i < w->tabSchedule->count(); ++i)
            names << w->tabSchedule->tabText(i);
        return names;
    }
    // Browses to path in the shown dialog.
    void Browse(const QString& path) {
        ui->fileNames.push_back(path);
        QTest::mouseClick(dialog()->btnBrowse, Qt::LeftButton);
    }
    QString source;
};

TEST_F(ReferTest, AScheduleFromAnotherProjectChosenAfterASort) {
    const QStringList tabsBefore = Tabs();
    ui->answers.push_back(UiServices::Answer::Ok); // "Is reading executed?"
    WhileModal(dialog(), [&] {
        EXPECT_EQ(dialog()->windowTitle(), QStringLiteral("Reference setting of schedule"));
        EXPECT_EQ(dialog()->lblRefer->text(), QStringLiteral("Reference possible schedule"));
        EXPECT_FALSE(dialog()->btnOK->isEnabled());
        StringGrid* list = dialog()->asgdReferList;
        EXPECT_EQ(list->Cell(1, 0), QStringLiteral("Schedule name"));
        EXPECT_EQ(list->ColCount(), 6);

        Browse(source);
        EXPECT_TRUE(dialog()->btnOK->isEnabled());
        EXPECT_EQ(dialog()->edtDataFile->text(), source);
        EXPECT_EQ(Column(list, 0), (QStringList{"Schedule1", "Schedule2", "Schedule3"}));
        EXPECT_EQ(Column(list, 1), (QStringList{"Morning", "Evening", "Pilot"}));
        EXPECT_EQ(Column(list, 2), (QStringList{"3", "4", "5"}));
        EXPECT_EQ(Column(list, 5), (QStringList{"Present setting", "Present setting", "Past result (1)"}));
        for (int col = 0; col < list->ColCount(); ++col)
            EXPECT_GT(list->ColWidth(col), 22) << "column " << col << " sized to its texts";

        // Sorted by name, descending on the second click: Pilot, Morning, Evening.
        ClickCell(list, 1, 0);
        ClickCell(list, 1, 0);
        EXPECT_EQ(Column(list, 1), (QStringList{"Pilot", "Morning", "Evening"}));
        ClickCell(list, 1, 2); // Morning, listed first
        EXPECT_EQ(dialog()->SelectedItem(), 0);
        QTest::mouseClick(dialog()->btnOK, Qt::LeftButton);
    });
    Find<QAction>("actFileReferSdl")->trigger();

    EXPECT_EQ(ShownTexts(), QStringList{"Is reading executed?"});
    EXPECT_EQ(Tabs(), tabsBefore + QStringList{"Morning"});
    EXPECT_EQ(w->tabSchedule->currentIndex(), w->tabSchedule->count() - 1);
    ASSERT_EQ(w->project.GetScheduleCount(), tabsBefore.size() + 1);
    const CSchedule* added = w->project.GetSchedule(w->project.GetScheduleCount() - 1);
    EXPECT_EQ(added->GetTrialCount(), 3);
    EXPECT_EQ(added->trials[2].stimuli, std::vector<int>{3});
    EXPECT_EQ(w->updTrlNumber->Position(), 3);
    EXPECT_EQ(w->asgdSchedule->RowCount(), w->asgdSchedule->FixedRows() + 3);
    EXPECT_TRUE(w->projectModified);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ReferTest, TheScheduleAStoredResultRanWith) {
    ui->answers.push_back(UiServices::Answer::Ok);
    WhileModal(dialog(), [&] {
        Browse(source);
        ClickCell(dialog()->asgdReferList, 0, 3);
        QTest::mouseClick(dialog()->btnOK, Qt::LeftButton);
    });
    Find<QAction>("actFileReferSdl")->trigger();
    EXPECT_EQ(Tabs().last(), QStringLiteral("Pilot"));
    EXPECT_EQ(w->updPrsNumber->Position(), 2);
    EXPECT_EQ(w->updTrlNumber->Position(), 5);
}

TEST_F(ReferTest, ParametersOfAResultWithTheCurrentInstruction) {
    ui->answers.push_back(UiServices::Answer::Ok);
    WhileModal(dialog(), [&] {
        Browse(source);
        StringGrid* list = dialog()->asgdReferList;
        EXPECT_EQ(Column(list, 0), (QStringList{"Experiment parameter1", "Experiment parameter2"}));
        EXPECT_EQ(Column(list, 1), (QStringList{"Semantic Differential", "Semantic Differential"}));
        EXPECT_EQ(Column(list, 2), (QStringList{"5", "7"}));
        EXPECT_EQ(Column(list, 3), (QStringList{"1", "0"}));
        EXPECT_GT(list->ColWidth(2), 0) << "SD shows its divisions";
        ClickCell(list, 0, 2);
        QTest::mouseClick(dialog()->btnOK, Qt::LeftButton);
    });
    Find<QAction>("actFileReferPrm")->trigger();
    EXPECT_EQ(w->project.GetExperimentParameter()->GetSD()->divisions, 7);
    EXPECT_EQ(w->project.GetInstruction()->lines, QStringList{"other instruction"});
    EXPECT_TRUE(w->projectModified);
}

TEST_F(ReferTest, ParametersOfAnotherMethodAreRefused) {
    Find<QAction>("actPrjTrn")->trigger();
    w->projectModified = false;
    const CExperimentParameter before = *w->project.GetExperimentParameter();
    ui->answers.push_back(UiServices::Answer::Ok);
    WhileModal(dialog(), [&] {
        Browse(source);
        QTest::mouseClick(dialog()->btnOK, Qt::LeftButton);
    });
    Find<QAction>("actFileReferPrm")->trigger();
    EXPECT_EQ(ShownTexts(), (QStringList{"Is reading executed?", "Type of experiment differs."}));
    EXPECT_TRUE(*w->project.GetExperimentParameter() == before);
    EXPECT_FALSE(w->projectModified);
}

// Every way a command can end early leaves the open project, its tabs, the cursor and the
// status bar as they were.
TEST_F(ReferTest, AFailedImportChangesNothing) {
    const QString broken = root->file(QStringLiteral("broken.tmv"));
    struct Case {
        const char* what;
        std::function<void()> afterListing; // between the listing and OK
        UiServices::Answer confirm;
        QStringList shown;
    };
    const Case cases[] = {
        {"file gone", [&] { QFile::remove(broken); }, UiServices::Answer::Ok, {"File not found."}},
        {"confirmation cancelled", [] {}, UiServices::Answer::Cancel, {"Is reading executed?"}},
        {"file damaged",
         [&] {
             QFile f(broken);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("TMV but not an archive");
         },
         UiServices::Answer::Ok,
         {"Is reading executed?", "It failed in reading the project."}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(QFile::copy(source, broken));
        ui->messages.clear();
        ui->answers.push_back(c.confirm);
        const QStringList tabs = Tabs();
        const int schedules = w->project.GetScheduleCount();
        WhileModal(dialog(), [&] {
            Browse(broken);
            c.afterListing();
            QTest::mouseClick(dialog()->btnOK, Qt::LeftButton);
        });
        Find<QAction>("actFileReferSdl")->trigger();
        EXPECT_EQ(ShownTexts(), c.shown) << c.what;
        EXPECT_EQ(Tabs(), tabs) << c.what;
        EXPECT_EQ(w->project.GetScheduleCount(), schedules) << c.what;
        EXPECT_FALSE(w->projectModified) << c.what;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.what;
        EXPECT_FALSE(w->stbInformation->SimplePanel()) << c.what;
        QFile::remove(broken);
        ui->answers.clear();
    }
}

TEST_F(ReferTest, AFailedBrowseKeepsTheEarlierListing) {
    const QString damaged = root->file(QStringLiteral("damaged.tmv"));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a project");
    }
    WhileModal(dialog(), [&] {
        Browse(source);
        Browse(damaged);
        EXPECT_EQ(ShownTexts(),
                  QStringList{"It failed in reading the project.\n" + damaged + ": not a project archive"});
        EXPECT_EQ(dialog()->edtDataFile->text(), source);
        EXPECT_EQ(Column(dialog()->asgdReferList, 0), (QStringList{"Questionnaire1", "Questionnaire2"}));
        EXPECT_TRUE(dialog()->btnOK->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        QTest::mouseClick(dialog()->btnCancel, Qt::LeftButton);
    });
    Find<QAction>("actFileReferQst")->trigger();
    EXPECT_FALSE(w->projectModified);
}

TEST_F(ReferTest, TheStimulusListReplacesTheOpenOne) {
    // Three stimuli with WAV files of their own.
    const QString other = root->file(QStringLiteral("three.tmv"));
    {
        CProject p;
        ASSERT_TRUE(p.New());
        p.SetMethod(1);
        ASSERT_TRUE(p.SetStimulusCount(3));
        for (int i = 0; i < 3; ++i) {
            const QString wav = root->file(QStringLiteral("tone%1.wav").arg(i));
            ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(1, 44100, 16), PatternBytes(200, i + 1)));
            ASSERT_FALSE(p.SetStimulusFile(i, wav, false).isEmpty());
        }
        p.SetFileName(other);
        ASSERT_TRUE(p.Save());
    }
    ASSERT_GT(w->project.GetStimuli()->GetCount(), 3) << "a new project has more stimuli";
    ui->answers.push_back(UiServices::Answer::Ok);
    WhileModal(dialog(), [&] {
        Browse(other);
        EXPECT_EQ(Column(dialog()->asgdReferList, 1), QStringList{"3"});
        QTest::mouseClick(dialog()->btnOK, Qt::LeftButton);
    });
    Find<QAction>("actFileReferStm")->trigger();
    const CStimuli* stimuli = w->project.GetStimuli();
    ASSERT_EQ(stimuli->GetCount(), 3);
    EXPECT_EQ(w->updStmNumber->Position(), 3);
    EXPECT_EQ(w->asgdStimulus->RowCount(), w->asgdStimulus->FixedRows() + 3);
    const QDir work(w->project.GetWorkFolder());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QFileInfo::exists(work.filePath((*stimuli)[i].fileName))) << "copy of stimulus " << i;
    EXPECT_TRUE(w->projectModified);
}

TEST_F(ReferTest, TheQuestionnaireAStoredSetAnswered) {
    ui->answers.push_back(UiServices::Answer::Ok);
    WhileModal(dialog(), [&] {
        Browse(source);
        StringGrid* list = dialog()->asgdReferList;
        EXPECT_EQ(Column(list, 0), (QStringList{"Questionnaire1", "Questionnaire2"}));
        EXPECT_EQ(Column(list, 1), (QStringList{"4", "2"}));
        ClickCell(list, 0, 2);
        QTest::mouseClick(dialog()->btnOK, Qt::LeftButton);
    });
    Find<QAction>("actFileReferQst")->trigger();
    EXPECT_EQ(w->project.GetQuestionnaire()->name, QStringLiteral("Asked then"));
    EXPECT_EQ(w->project.GetQuestionnaire()->GetTermCount(), 2);
    EXPECT_EQ(w->updQstNum->Position(), 2);
}

TEST_F(ReferTest, TheDialogSpeaksTheActiveLanguage) {
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    WhileModal(dialog(), [&] {
        EXPECT_EQ(dialog()->windowTitle(), QStringLiteral("スケジュールの参照設定"));
        EXPECT_EQ(dialog()->lblFile->text(), QStringLiteral("参照元プロジェクトファイル"));
        EXPECT_EQ(dialog()->btnCancel->text(), QStringLiteral("キャンセル"));
        EXPECT_EQ(dialog()->asgdReferList->Cell(1, 0), QStringLiteral("スケジュール名"));
        QTest::mouseClick(dialog()->btnCancel, Qt::LeftButton);
    });
    Find<QAction>("actFileReferSdl")->trigger();
    EXPECT_TRUE(ui->messages.empty());
}

// The Refer menu offers the stimulus list, the parameters and a schedule; the questionnaire
// import stays a command without a menu item.
TEST_F(ReferTest, TheReferMenuOffersThreeImports) {
    w->show();
    QMenu* refer = w->mnuFileRefer;
    QStringList offered;
    for (QAction* item : refer->actions())
        if (item->isVisible())
            offered << item->text();
    EXPECT_EQ(offered.join(QLatin1Char('|')).toStdString(),
              "&Stimulus list ...|Experiment &parameter ...|Sche&dule ...");
    EXPECT_TRUE(w->actFileReferQst->isEnabled()) << "the command itself stays";
}

// The parameter list shows its "No. of scales" column for SD parameters only: before
// browsing those of the open project, afterwards those of the listed one, whatever an
// earlier listing showed.
TEST_F(ReferTest, TheScalesColumnFollowsTheMethodOfWhatTheListShows) {
    const QString training = root->file(QStringLiteral("training.tmv"));
    {
        CProject p;
        ASSERT_TRUE(p.New());
        p.SetMethod(0);
        p.SetFileName(training);
        ASSERT_TRUE(p.Save());
    }
    struct Case {
        const char* what;
        const char* openMethod; // the New Project command
        QString listed;         // browsed to in the dialog; none when empty
        bool shownBefore, shownAfter;
    };
    const Case cases[] = {
        {"SD open, first showing", "actPrjSdm", training, true, false},
        {"SD open after a training listing", "actPrjSdm", source, true, true},
        {"training open", "actPrjTrn", source, false, true},
        {"training open, training listed", "actPrjTrn", training, false, false},
        {"SD open after a training listing, nothing browsed", "actPrjSdm", QString(), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui->answers.push_back(UiServices::Answer::No); // "Save changes?" of the project left
        Find<QAction>(c.openMethod)->trigger();
        ui->answers.clear();
        WhileModal(dialog(), [&] {
            StringGrid* list = dialog()->asgdReferList;
            EXPECT_EQ(list->Cell(2, 0), QStringLiteral("No. of scales"));
            EXPECT_EQ(list->ColWidth(2) > 0, c.shownBefore) << "before browsing";
            if (!c.listed.isEmpty()) {
                Browse(c.listed);
                EXPECT_EQ(list->ColWidth(2) > 0, c.shownAfter) << "after browsing";
            }
            QTest::mouseClick(dialog()->btnCancel, Qt::LeftButton);
        });
        Find<QAction>("actFileReferPrm")->trigger();
    }
}

// Each kind of list, in either language, shows all its columns at once, the status
// column last, with every text whole: the dialog grows for a list its usual width cuts.
TEST_F(ReferTest, EveryListedColumnIsInViewWithItsTextsWhole) {
    w->show();
    for (const auto language : {TextTable::Language::English, TextTable::Language::Japanese}) {
        TextTable::Instance().setLanguage(language);
        for (const char* command :
             {"actFileReferStm", "actFileReferSdl", "actFileReferPrm", "actFileReferQst"}) {
            SCOPED_TRACE(command);
            WhileModal(dialog(), [&] {
                EXPECT_GE(dialog()->width(), 457) << "never below its usual width";
                Browse(source);
                ASSERT_TRUE(DrainPosted());
                StringGrid* list = dialog()->asgdReferList;
                const int last = list->ColCount() - 1;
                EXPECT_LE(list->columnViewportPosition(last) + list->ColWidth(last),
                          list->viewport()->width())
                    << list->Cell(last, 0).toStdString() << " beyond the edge";
                const QStringList cut = TextsThatDoNotFit(dialog());
                EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
                dialog()->reject();
            });
            Find<QAction>(command)->trigger();
        }
    }
}
