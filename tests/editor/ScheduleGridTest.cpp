// The schedule grid: layout and headers, the exchange with the project's schedules, the
// check of a range of trials and the orders of a random run.
#include "MainWindowFixture.h"

#include "AlsaTestHome.h"
#include "Cexectable.h"
#include "CountEditor.h"
#include "ScheduleOrder.h"
#include "StringGrid.h"
#include "TextFits.h"
#include "WavWriter.h"

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QTabBar>
#include <algorithm>
#include <tuple>

namespace {

const QString CRLF = QStringLiteral("\r\n");

QStringList HeaderRow(const StringGrid* grid) {
    QStringList headers;
    for (int c = 0; c < grid->ColCount(); ++c)
        headers << grid->Cell(c, 0);
    return headers;
}

std::vector<CTrial> TrialsWithAnswers(const std::vector<int>& answers) {
    std::vector<CTrial> trials;
    int id = 0;
    for (int answer : answers) {
        CTrial trial;
        trial.correctAnswer = answer;
        trial.repeatCount = ++id; // tells the trials apart
        trials.push_back(trial);
    }
    return trials;
}

std::vector<int> Answers(const std::vector<CTrial>& trials) {
    std::vector<int> answers;
    for (const CTrial& t : trials)
        answers.push_back(t.correctAnswer);
    return answers;
}

} // namespace

class ScheduleGridTest : public MainWindowTest {
protected:
    // Auditions play to ALSA's "default", which this configuration makes a silent file.
    void BeforeWindow() override { alsa = std::make_unique<AlsaTestHome>(); }
    std::unique_ptr<AlsaTestHome> alsa;

    // A new project of the method with n presentations in its first schedule.
    void NewWithPresentations(int method, int presentations) {
        w->NewProject(method);
        const int before = w->project.GetSchedule(0)->GetStimulusCount();
        ASSERT_TRUE(w->StoreScheduleGrid(0));
        w->ResizeScheduleGrid(before, 10, presentations, 10);
        ASSERT_TRUE(w->SetScheduleSize(0, 10, presentations));
        ASSERT_TRUE(w->ShowSchedule(0));
        w->deviceFormats = {{44100, 2}}; // the output plays the test stimuli
    }
    StringGrid* grid() const { return w->asgdSchedule; }
};

TEST_F(ScheduleGridTest, TrainingLayoutWithThreePresentations) {
    NewWithPresentations(0, 3);
    EXPECT_EQ(HeaderRow(grid()), (QStringList{QString(), "No. of repeat" + CRLF + "[times]",
                                              "Start time" + CRLF + "[sec]", "Stimulus1" + CRLF + "[ID]",
                                              "Interval1" + CRLF + "[sec]", "Stimulus2" + CRLF + "[ID]",
                                              "Interval2" + CRLF + "[sec]", "Stimulus3" + CRLF + "[ID]",
                                              "Limit time" + CRLF + "[sec]", "Correct" + CRLF + "button"}));
    EXPECT_EQ(grid()->RowCount(), 11);
    EXPECT_EQ(grid()->Cell(0, 3), QStringLiteral("Trial3"));
    EXPECT_EQ(w->tabSchedule->count(), 1);
    EXPECT_EQ(w->tabSchedule->tabText(0), QStringLiteral("Schedule1"));
    // Defaults of new trials as shown: repeat 1, start 1.0, no stimulus, pauses 1.0, no answer.
    EXPECT_EQ(grid()->Cell(1, 1), QStringLiteral("1"));
    EXPECT_EQ(grid()->Cell(2, 1), QStringLiteral("1.0"));
    EXPECT_EQ(grid()->Cell(3, 1), QString());
    EXPECT_EQ(grid()->Cell(4, 1), QStringLiteral("1.0"));
    EXPECT_EQ(grid()->Cell(8, 1), QStringLiteral("1.0"));
    EXPECT_EQ(grid()->Cell(9, 1), QStringLiteral("-1"));
    EXPECT_TRUE(w->projectModified);
    EXPECT_FALSE(w->scheduleUndoAvailable);
    EXPECT_EQ(w->scheduleUndo.size(), 9u) << "one undo column per visible data column";
}

TEST_F(ScheduleGridTest, OtherMethodsHaveNoCorrectColumnAndPresentationsComeAndGo) {
    NewWithPresentations(1, 3);
    EXPECT_EQ(grid()->ColCount(), 9);
    EXPECT_EQ(grid()->Cell(8, 0), "Limit time" + CRLF + "[sec]");

    // The limit column moves with its contents; intervals and stimuli go with their
    // presentation.
    grid()->SetCell(8, 2, QStringLiteral("7.5"));
    grid()->SetCell(3, 2, QStringLiteral("4"));
    w->ResizeScheduleGrid(3, 10, 1, 10);
    EXPECT_EQ(HeaderRow(grid()),
              (QStringList{QString(), "No. of repeat" + CRLF + "[times]", "Start time" + CRLF + "[sec]",
                           "Stimulus1" + CRLF + "[ID]", "Limit time" + CRLF + "[sec]"}));
    EXPECT_EQ(grid()->Cell(4, 2), QStringLiteral("7.5"));
    EXPECT_EQ(grid()->Cell(3, 2), QStringLiteral("4"));
    w->ResizeScheduleGrid(1, 10, 0, 10);
    EXPECT_EQ(HeaderRow(grid()), (QStringList{QString(), "No. of repeat" + CRLF + "[times]",
                                              "Start time" + CRLF + "[sec]", "Limit time" + CRLF + "[sec]"}));
    w->ResizeScheduleGrid(0, 10, 2, 10);
    EXPECT_EQ(grid()->ColCount(), 7);
    EXPECT_EQ(grid()->Cell(3, 0), "Stimulus1" + CRLF + "[ID]");
    EXPECT_EQ(grid()->Cell(4, 0), "Interval1" + CRLF + "[sec]");
    EXPECT_EQ(grid()->Cell(3, 2), QString()) << "a new column comes empty";
    EXPECT_EQ(grid()->Cell(6, 2), QStringLiteral("7.5"));
}

TEST_F(ScheduleGridTest, RowsDroppedComeBackEmpty) {
    NewWithPresentations(1, 1);
    w->ResizeScheduleGrid(1, 10, 1, 5);
    EXPECT_EQ(grid()->RowCount(), 6);
    w->ResizeScheduleGrid(1, 5, 1, 10);
    EXPECT_EQ(grid()->RowCount(), 11);
    EXPECT_EQ(grid()->Cell(0, 8), QStringLiteral("Trial8"));
    for (int c = 1; c < grid()->ColCount(); ++c)
        EXPECT_EQ(grid()->Cell(c, 8), QString()) << "column " << c;
    EXPECT_EQ(w->scheduleUndo.front().size(), 10u);
}

TEST_F(ScheduleGridTest, CellTextsWrittenAndReadBack) {
    NewWithPresentations(0, 2);
    CTrial& trial = w->project.GetSchedule(0)->trials[0];
    struct Case {
        const char* what;
        std::function<void(CTrial&)> set;
        int col;
        QString shown;
    };
    const Case cases[] = {
        {"endless repeat", [](CTrial& t) { t.repeatCount = -1; }, 1, "Infinity"},
        {"repeat", [](CTrial& t) { t.repeatCount = 3; }, 1, "3"},
        {"start for the operator", [](CTrial& t) { t.startWait = -1; }, 2, "Pause"},
        {"start below one second", [](CTrial& t) { t.startWait = 0.5; }, 2, "1.0"},
        {"start of zero", [](CTrial& t) { t.startWait = 0.0; }, 2, "1.0"},
        {"start", [](CTrial& t) { t.startWait = 2.5; }, 2, "2.5"},
        {"stimulus", [](CTrial& t) { t.stimuli[0] = 7; }, 3, "7"},
        {"no stimulus", [](CTrial& t) { t.stimuli[0] = -1; }, 3, ""},
        {"stimulus 0", [](CTrial& t) { t.stimuli[0] = 0; }, 3, "0"},
        {"interval for the operator", [](CTrial& t) { t.intervals[0] = -1; }, 4, "Pause"},
        {"interval", [](CTrial& t) { t.intervals[0] = 0.26; }, 4, "0.3"},
        {"limit", [](CTrial& t) { t.responseWait = 3.0; }, 6, "3.0"},
        {"no correct answer", [](CTrial& t) { t.correctAnswer = -1; }, 7, "-1"},
        {"correct answer", [](CTrial& t) { t.correctAnswer = 2; }, 7, "2"},
    };
    for (const Case& c : cases) {
        c.set(trial);
        const CTrial expected = trial;
        ASSERT_TRUE(w->ShowSchedule(0));
        EXPECT_EQ(grid()->Cell(c.col, 1), c.shown) << c.what;
        ASSERT_TRUE(w->StoreScheduleGrid(0));
        CTrial stored = w->project.GetSchedule(0)->trials[0];
        if (expected.startWait >= 0 && expected.startWait < 1.0)
            EXPECT_EQ(stored.startWait, 1.0) << c.what << ": a short start is kept as shown";
        else if (expected.intervals[0] == 0.26)
            EXPECT_DOUBLE_EQ(stored.intervals[0], 0.3) << c.what;
        else
            EXPECT_EQ(stored, expected) << c.what;
        trial = w->project.GetSchedule(0)->trials[0] = expected;
    }
}

TEST_F(ScheduleGridTest, StimulusZeroIsWrittenSoNoTextOfAnotherScheduleStays) {
    NewWithPresentations(1, 1);
    w->project.GetSchedule(0)->trials[0].stimuli[0] = 5;
    ASSERT_TRUE(w->ShowSchedule(0));
    CSchedule* other = w->project.AddSchedule(w->project.GetSchedule(0));
    other->trials[0].stimuli[0] = 0;
    ASSERT_TRUE(w->ShowSchedule(1));
    EXPECT_EQ(grid()->Cell(3, 1), QStringLiteral("0"));
    ASSERT_TRUE(w->StoreScheduleGrid(1));
    EXPECT_EQ(other->trials[0].stimuli[0], 0) << "the first schedule's 5 must not reach the second";
    EXPECT_EQ(w->project.GetSchedule(0)->trials[0].stimuli[0], 5);
}

TEST_F(ScheduleGridTest, SizeMismatchChangesNothing) {
    NewWithPresentations(0, 2);
    CSchedule* schedule = w->project.GetSchedule(0);
    const CSchedule before = *schedule;
    grid()->SetCell(1, 1, QStringLiteral("9"));
    schedule->SetTrialCount(11);
    EXPECT_FALSE(w->StoreScheduleGrid(0));
    EXPECT_FALSE(w->ShowSchedule(0));
    schedule->SetTrialCount(10);
    EXPECT_EQ(*schedule, before);
    EXPECT_FALSE(w->StoreScheduleGrid(3)) << "a tab that does not exist";
    EXPECT_FALSE(w->ShowSchedule(-1));
}

TEST_F(ScheduleGridTest, AHiddenLastColumnDoesNotStopTheScheduleFromBeingStored) {
    w->selfTraining = true;
    NewWithPresentations(1, 1);
    grid()->HideColumn(grid()->ColCount() - 1); // the limit column, hidden by the tab menu
    grid()->SetCell(1, 1, QStringLiteral("4"));
    ASSERT_TRUE(w->StoreScheduleGrid(0));
    EXPECT_EQ(w->project.GetSchedule(0)->trials[0].repeatCount, 4);
    EXPECT_TRUE(w->ShowSchedule(0));
}

TEST_F(ScheduleGridTest, HideAnswerColumnsOnlyWithSelfTraining) {
    NewWithPresentations(0, 1);
    const int correct = grid()->ColCount() - 1;
    w->HideAnswerColumns();
    EXPECT_FALSE(grid()->IsHiddenColumn(correct));
    w->selfTraining = true;
    w->HideAnswerColumns();
    EXPECT_TRUE(grid()->IsHiddenColumn(correct));
    for (int c = 0; c < correct; ++c)
        EXPECT_FALSE(grid()->IsHiddenColumn(c)) << c;
}

TEST_F(ScheduleGridTest, SelfTrainingMasksTheStimulusNumbersOfTrialsInBothLanguages) {
    NewWithPresentations(0, 1);
    w->project.GetSchedule(0)->trials[0].stimuli = {12};
    ASSERT_TRUE(w->ShowSchedule(0));
    const auto shown = [&](int col, int row) {
        return grid()->model()->data(grid()->model()->index(row, col), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(shown(3, 1), QStringLiteral("12"));
    w->selfTraining = true;
    for (auto language : {TextTable::Language::English, TextTable::Language::Japanese}) {
        TextTable::Instance().setLanguage(language);
        EXPECT_EQ(shown(3, 1), QString(2, QChar(0x25CF))) << "the stimulus number";
        EXPECT_EQ(shown(3, 0), grid()->Cell(3, 0)) << "headers show";
        EXPECT_EQ(shown(1, 1), QStringLiteral("1")) << "the repeat column shows";
        EXPECT_EQ(shown(2, 1), grid()->Cell(2, 1)) << "the start column shows";
        EXPECT_EQ(grid()->Cell(3, 1), QStringLiteral("12")) << "the number itself stays";
    }
    TextTable::Instance().setLanguage(TextTable::Language::English);
    w->selfTraining = false;
    EXPECT_EQ(shown(3, 1), QStringLiteral("12"));
}

TEST_F(ScheduleGridTest, SetScheduleSizeGivesNewTrialsAndPositionsTheirDefaults) {
    NewWithPresentations(1, 2);
    CSchedule* schedule = w->project.GetSchedule(0);
    schedule->trials[0].stimuli = {3, 4};
    schedule->trials[0].intervals = {2.0};

    ASSERT_TRUE(w->SetScheduleSize(0, 12, 2));
    const CTrial& added = schedule->trials[11];
    EXPECT_EQ(added.repeatCount, 1);
    EXPECT_EQ(added.startWait, 1.0);
    EXPECT_EQ(added.stimuli, (std::vector<int>{-1, -1}));
    EXPECT_EQ(added.intervals.at(0), 1.0);
    EXPECT_EQ(added.responseWait, 1.0);
    EXPECT_EQ(added.correctAnswer, -1);

    ASSERT_TRUE(w->SetScheduleSize(0, 12, 4));
    EXPECT_EQ(schedule->trials[0].stimuli, (std::vector<int>{3, 4, -1, -1}));
    EXPECT_EQ(schedule->trials[0].intervals[0], 2.0);
    EXPECT_EQ(schedule->trials[0].intervals[1], 1.0);
    EXPECT_EQ(schedule->trials[0].intervals[2], 1.0);

    EXPECT_FALSE(w->SetScheduleSize(1, 5, 1));
    EXPECT_FALSE(w->SetScheduleSize(-1, 5, 1));
    EXPECT_EQ(schedule->GetTrialCount(), 12);
}

TEST_F(ScheduleGridTest, ValidateScheduleRange) {
    w->NewProject(0);
    TestDir wavs;
    const QString wav = wavs.file("a.wav");
    ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(1, 44100, 16), PatternBytes(200)));
    ASSERT_EQ(w->project.SetStimulusFile(0, wav, false).isEmpty(), false);
    CExpTraining* training = w->project.GetExperimentParameter()->GetTraining();
    ASSERT_NE(training, nullptr);
    training->buttonLabels = {"a", "b", "c"};
    CSchedule* schedule = w->project.GetSchedule(0);
    for (CTrial& t : schedule->trials) {
        t.stimuli = {1};
        t.correctAnswer = 1;
    }

    struct Case {
        const char* what;
        std::function<void(CTrial&)> change;
        int schedule, first, last;
        bool valid;
    };
    const auto none = [](CTrial&) {};
    const Case cases[] = {
        {"all trials", none, 0, 0, 9, true},
        {"the last trial alone", none, 0, 9, 9, true},
        {"past the last trial", none, 0, 0, 10, false},
        {"reversed range", none, 0, 5, 4, false},
        {"negative first", none, 0, -1, 3, false},
        {"no such schedule", none, 1, 0, 0, false},
        {"endless repeat", [](CTrial& t) { t.repeatCount = -1; }, 0, 0, 9, true},
        {"repeat 0", [](CTrial& t) { t.repeatCount = 0; }, 0, 0, 9, false},
        {"start for the operator", [](CTrial& t) { t.startWait = -1; }, 0, 0, 9, true},
        {"negative start", [](CTrial& t) { t.startWait = -0.5; }, 0, 0, 9, false},
        {"stimulus 0", [](CTrial& t) { t.stimuli[0] = 0; }, 0, 0, 9, false},
        {"stimulus beyond the list", [](CTrial& t) { t.stimuli[0] = 11; }, 0, 0, 9, false},
        {"stimulus without a file", [](CTrial& t) { t.stimuli[0] = 2; }, 0, 0, 9, false},
        {"limit for the operator", [](CTrial& t) { t.responseWait = -1; }, 0, 0, 9, true},
        {"negative limit", [](CTrial& t) { t.responseWait = -2; }, 0, 0, 9, false},
        {"correct 0", [](CTrial& t) { t.correctAnswer = 0; }, 0, 0, 9, false},
        {"correct above the buttons", [](CTrial& t) { t.correctAnswer = 4; }, 0, 0, 9, false},
        {"correct on the last button", [](CTrial& t) { t.correctAnswer = 3; }, 0, 0, 9, true},
    };
    for (const Case& c : cases) {
        const CTrial saved = schedule->trials[4];
        c.change(schedule->trials[4]);
        EXPECT_EQ(w->ValidateScheduleRange(c.schedule, c.first, c.last), c.valid) << c.what;
        // Outside the range a bad trial does not count.
        if (!c.valid && c.first == 0 && c.last == 9) {
            EXPECT_TRUE(w->ValidateScheduleRange(0, 5, 9)) << c.what;
        }
        schedule->trials[4] = saved;
    }
    EXPECT_TRUE(ui->messages.empty()) << "the check shows nothing";

    schedule->SetStimulusCount(2);
    for (CTrial& t : schedule->trials)
        t.stimuli = {1, 1};
    schedule->trials[0].intervals[0] = -3;
    EXPECT_FALSE(w->ValidateScheduleRange(0, 0, 0)) << "negative interval";
}

TEST_F(ScheduleGridTest, AuditionOfSelectedTrials) {
    NewWithPresentations(1, 1);
    TestDir wavs;
    const QString wav = wavs.file("a.wav");
    ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(1, 44100, 16), PatternBytes(200)));
    ASSERT_FALSE(w->project.SetStimulusFile(0, wav, false).isEmpty());
    w->ShowStimulusList();
    for (int row = 1; row <= 10; ++row)
        grid()->SetCell(3, row, row == 3 ? QStringLiteral("2") : QStringLiteral("1"));
    // Trial 4 starts at once and waits for the operator after its stimulus: the run holds
    // there, with that stimulus's cell lit, for as long as the test looks.
    grid()->SetCell(2, 4, QStringLiteral("0.0"));
    grid()->SetCell(4, 4, QStringLiteral("Pause"));

    grid()->SetSelection(QRect(QPoint(1, 2), QPoint(3, 4)));
    w->actSdlListListenExecute();
    ASSERT_EQ(ShownTexts(), QStringList{"There is an illegality in the range which is appointed."});
    EXPECT_EQ(w->execTable->state(), ExecIdle);
    EXPECT_EQ(w->project.GetSchedule(0)->trials[2].stimuli[0], 2) << "the grid was stored first";

    ui->messages.clear();
    grid()->SetSelection(QRect(QPoint(1, 4), QPoint(3, 6)));
    w->actSdlListListenExecute();
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_EQ(w->execTable->scheduleRequest(), w->project.GetSchedule(0));
    EXPECT_EQ(w->execTable->notifyWindow(), w->handle());
    EXPECT_FALSE(w->execTable->checkRepetition());
    EXPECT_FALSE(w->execTable->waitResponses());
    EXPECT_EQ(w->execTable->feedbackSeconds(), 0.0);
    std::vector<uint8_t> mask = w->execTable->selectionMask();
    ASSERT_GE(mask.size(), 7u);
    EXPECT_EQ(std::count(mask.begin(), mask.end(), 1), 3) << "trials 4 to 6";
    EXPECT_EQ(mask[3], 1);
    EXPECT_EQ(mask[5], 1);

    // The cell played, its row header and its column header are highlighted, nothing else.
    ASSERT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecOperatorWait; }, 10000));
    ASSERT_TRUE(DrainPosted());
    const QColor info = QApplication::palette().color(QPalette::ToolTipBase);
    for (auto [col, row, lit] : {std::tuple{3, 4, true}, std::tuple{0, 4, true}, std::tuple{3, 0, true},
                                 std::tuple{2, 4, false}, std::tuple{3, 5, false}}) {
        QColor background(Qt::white), text(Qt::black);
        w->asgdScheduleGetCellColor(col, row, background, text);
        EXPECT_EQ(background == info, lit) << col << "," << row;
        const QFont font =
            grid()->model()->data(grid()->model()->index(row, col), Qt::FontRole).value<QFont>();
        EXPECT_EQ(font.bold(), lit) << "bold " << col << "," << row;
    }
    // The lit headings in bold are shown whole, in either language.
    for (const auto language : {TextTable::Language::Japanese, TextTable::Language::English}) {
        const QStringList cut = TextsThatDoNotFit(grid());
        EXPECT_TRUE(cut.isEmpty()) << cut.join(" | ").toStdString();
        TextTable::Instance().setLanguage(language);
    }
    // Busy: a second start is refused with the internal error.
    ASSERT_EQ(w->execTable->state(), ExecOperatorWait);
    w->actSdlListListenExecute();
    EXPECT_EQ(ShownTexts(), QStringList{"Internal error occurred."});
    w->execTable->Stop();
    EXPECT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecIdle; }, 5000));
}

TEST_F(ScheduleGridTest, SelectAllThenAuditionTakesEveryTrial) {
    NewWithPresentations(1, 1);
    TestDir wavs;
    const QString wav = wavs.file("a.wav");
    ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(1, 44100, 16), PatternBytes(200)));
    ASSERT_FALSE(w->project.SetStimulusFile(0, wav, false).isEmpty());
    w->ShowStimulusList();
    for (int row = 1; row <= 10; ++row)
        grid()->SetCell(3, row, QStringLiteral("1"));
    grid()->setFocus();
    QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QCoreApplication::sendEvent(grid(), &selectAll);
    ASSERT_EQ(grid()->Selection().top(), 0) << "Select All takes in the header row";
    w->actSdlListListen->trigger();
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join(QLatin1Char('|')).toStdString();
    const std::vector<uint8_t> mask = w->execTable->selectionMask();
    EXPECT_EQ(std::count(mask.begin(), mask.end(), 1), 10) << "every trial";
    w->execTable->Stop();
    EXPECT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecIdle; }, 5000));
}

TEST(ScheduleOrderTest, SpreadCorrectAnswersWorkedExamples) {
    struct Case {
        std::vector<int> shuffled;
        std::vector<int> spread;
    };
    const Case cases[] = {
        {{1, 2, 2, 2, 3, 3, 1}, {3, 2, 1, 2, 3, 2, 1}},
        {{1, 3, 1, 2, 2, 2, 2, 1, 2, 2}, {2, 1, 2, 3, 2, 1, 2, 1, 2, 2}},
        {{1, 2, 3}, {1, 2, 3}},
        {{2, 2, 2}, {2, 2, 2}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        std::vector<CTrial> trials = TrialsWithAnswers(c.shuffled);
        SpreadCorrectAnswers(trials);
        EXPECT_EQ(Answers(trials), c.spread);
        // Every trial once: the ids are a permutation of 1..n.
        std::vector<int> ids;
        for (const CTrial& t : trials)
            ids.push_back(t.repeatCount);
        std::sort(ids.begin(), ids.end());
        for (size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(ids[i], static_cast<int>(i) + 1);
    }
    EXPECT_TRUE(TrialLessByCorrect(TrialsWithAnswers({1})[0], TrialsWithAnswers({2})[0]));
    EXPECT_FALSE(TrialLessByCorrect(TrialsWithAnswers({2})[0], TrialsWithAnswers({2})[0]));
}

TEST_F(ScheduleGridTest, RandomizeTrialsKeepsEveryTrialAndShowsTheNewOrder) {
    NewWithPresentations(0, 1);
    w->project.GetExperimentParameter()->GetTraining()->buttonLabels = {"a", "b", "c"};
    CSchedule* schedule = w->project.GetSchedule(0);
    for (int t = 0; t < 10; ++t) {
        schedule->trials[static_cast<size_t>(t)].repeatCount = t + 1;
        schedule->trials[static_cast<size_t>(t)].correctAnswer = t < 5 ? 1 : (t < 8 ? 2 : 3);
    }
    w->projectModified = false;
    w->RandomizeTrials();
    ASSERT_EQ(schedule->GetTrialCount(), 10);
    std::vector<int> ids;
    for (const CTrial& t : schedule->trials)
        ids.push_back(t.repeatCount);
    std::vector<int> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    for (int t = 0; t < 10; ++t)
        EXPECT_EQ(grid()->Cell(1, t + 1), QString::number(ids[static_cast<size_t>(t)]));
    EXPECT_FALSE(w->projectModified);
}

TEST_F(ScheduleGridTest, AClickOnAnotherTabStoresTheGridAndShowsThatSchedule) {
    NewWithPresentations(1, 1);
    CSchedule* second = w->project.AddSchedule(nullptr);
    second->name = QStringLiteral("Schedule2");
    second->SetTrialCount(3);
    second->SetStimulusCount(2);
    second->trials[0].repeatCount = 5;
    w->tabSchedule->blockSignals(true);
    w->tabSchedule->addTab(second->name);
    w->tabSchedule->blockSignals(false);
    grid()->SetCell(1, 1, QStringLiteral("7"));
    w->projectModified = false;

    auto click = [&](int tab) {
        const QPoint at = w->tabSchedule->tabRect(tab).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, w->tabSchedule->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->tabSchedule, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->tabSchedule->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->tabSchedule, &release);
    };
    click(1);
    ASSERT_EQ(w->tabSchedule->currentIndex(), 1);
    EXPECT_EQ(w->project.GetSchedule(0)->trials[0].repeatCount, 7) << "the schedule left was stored";
    EXPECT_EQ(grid()->RowCount(), 4);
    EXPECT_EQ(grid()->Cell(1, 1), QStringLiteral("5"));
    EXPECT_EQ(grid()->Cell(5, 0), "Stimulus2" + CRLF + "[ID]");
    EXPECT_EQ(w->updTrlNumber->Position(), 3);
    EXPECT_EQ(w->updPrsNumber->Position(), 2);
    EXPECT_FALSE(w->projectModified) << "showing another schedule changes nothing";

    // While an audition runs the tab stays. With a halt after each stimulus, an audition
    // of two stimuli holds after the first.
    TestDir wavs;
    const QString wav = wavs.file("a.wav");
    ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(1, 44100, 16), PatternBytes(200)));
    for (int i = 0; i < 2; ++i)
        ASSERT_FALSE(w->project.SetStimulusFile(i, wav, false).isEmpty());
    w->ShowStimulusList();
    w->execTable->setPauseEachStimulus(true);
    w->asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(1, 2)));
    w->actStmListListen->trigger();
    ASSERT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecListHalt; }));
    click(0);
    EXPECT_EQ(w->tabSchedule->currentIndex(), 1);
    ASSERT_EQ(w->execTable->state(), ExecListHalt);
    w->execTable->Stop();
    EXPECT_TRUE(PumpUntil([&] { return w->execTable->state() == ExecIdle; }, 5000));
    click(0);
    EXPECT_EQ(w->tabSchedule->currentIndex(), 0);
    EXPECT_EQ(grid()->Cell(1, 1), QStringLiteral("7"));
}
