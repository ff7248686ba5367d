// Audition in the main window on the wave-out path (the test ALSA PCMs) and once through a
// JACK server with the dummy backend.
#include "AlsaTestHome.h"
#include "AuditionFixture.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "ModalScript.h"
#include "OptionUnit.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <cstring>

namespace {

// The first schedule's one trial plays stimulus 1 after a start wait of a second.
void ScheduleOfStimulus1(TfrmMain& w) {
    CTrial& trial = w.project.GetSchedule(0)->trials[0];
    trial.stimuli[0] = 1;
    trial.startWait = 1.0;
    trial.responseWait = 0.0;
    trial.correctAnswer = 1;
    w.ShowSchedule(0);
}

std::vector<uint8_t> FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    return {all.begin(), all.end()};
}

// Without a low-latency driver the window plays through the wave-out player; the test
// PCMs live in a home folder of their own, made before the window touches ALSA.
class WaveOutAuditionTest : public AuditionTest {
protected:
    std::string Registry() override { return ""; }
    void SetUp() override {
        AuditionTest::SetUp();
        w.reset();
        home = std::make_unique<AlsaTestHome>();
        MakeWindow();
        w->installEventFilter(&recorder);
        ASSERT_TRUE(w->useMME) << "no driver: the wave-out path";
        w->soundDeviceId = AlsaTestHome::deviceIndex(QStringLiteral("tvfile"));
        ASSERT_GE(w->soundDeviceId, 0);
        w->ProbeSampleRates();
    }
    void TearDown() override {
        w.reset();
        home.reset();
        AuditionTest::TearDown();
    }
    std::unique_ptr<AlsaTestHome> home;
};

} // namespace

TEST_F(WaveOutAuditionTest, RatesAreProbedWithTwoChannels) {
    ASSERT_FALSE(w->deviceFormats.empty());
    EXPECT_EQ(w->deviceFormats.count(44100), 1u);
    EXPECT_EQ(w->deviceFormats.count(48000), 1u);
    for (auto [rate, channels] : w->deviceFormats)
        EXPECT_EQ(channels, 2) << rate;
}

// The options list the output PCMs by their ALSA names, as `aplay -L` does: a hint's
// description ("Tamvik test file" here, "Rate Converter Plugin Using ..." on a desktop)
// names no device, and a capture-only PCM is no output.
TEST_F(WaveOutAuditionTest, OptionsListTheOutputDevicesByName) {
    w->show();
    TfrmOption* options = w->frmOption;
    QStringList items;
    WhileModal(options, [&] {
        options->pgeOption->setCurrentWidget(options->shtSndPlay);
        for (int i = 0; i < options->cboSndDevice->count(); ++i)
            items << options->cboSndDevice->itemText(i);
        options->btnCancel->click();
    });
    Find<QAction>("actOptSetting")->trigger();
    ASSERT_FALSE(items.isEmpty());
    EXPECT_EQ(items.front(), QStringLiteral("default"));
    for (const char* name : {"tvfile", "tvlinear", "tvjack"})
        EXPECT_TRUE(items.contains(QLatin1String(name))) << name << " in " << items.join(" | ").toStdString();
    for (const char* shown : {"Tamvik test file", "Tamvik test integer only", "tvcapture"})
        EXPECT_FALSE(items.contains(QLatin1String(shown))) << shown;
}

TEST_F(WaveOutAuditionTest, ListPlayWritesTheStimulusToTheDevice) {
    const std::vector<uint8_t> data = PatternBytes(48000 * 4, 21);
    MakeProject(
        {{WavLayout::pcm(2, 48000, 16), PatternBytes(4800 * 4, 20)}, {WavLayout::pcm(2, 48000, 16), data}});
    ListenToStimuli(1, 2);
    ASSERT_TRUE(RunToIdle());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
    EXPECT_EQ(FileBytes(home->file()), data) << "the device holds the last stimulus";
    EXPECT_FALSE(w->actExecCtrlStop->isEnabled());
}

// A schedule run halted in its start wait: Abort pauses it, Play resumes the trial from its
// start, which plays its stimulus to the end.
TEST_F(WaveOutAuditionTest, ScheduleRunAbortAndResume) {
    const std::vector<uint8_t> data = PatternBytes(9600 * 4, 22);
    MakeProject({{WavLayout::pcm(2, 48000, 16), data}});
    ScheduleOfStimulus1(*w);
    w->asgdSchedule->SetSelection(QRect(QPoint(1, 1), QPoint(1, 1)));
    w->actSdlListListenExecute();
    // The sequencer's state runs ahead of the window, which follows its posted messages.
    ASSERT_TRUE(PumpUntil([&] { return State() == ExecTimedWait && w->playColumn != -1; }, 3000));
    EXPECT_EQ(w->playColumn, w->asgdSchedule->FixedCols() + 1) << "the start-time column";

    w->actExecCtrlSuspendExecute();
    ASSERT_TRUE(PumpUntil([&] { return State() == ExecTrialPaused; }, 3000));
    EXPECT_TRUE(PumpUntil([&] { return w->actExecCtrlPlay->isEnabled(); }, 3000))
        << "the window follows the state";
    w->actExecCtrlPlayExecute();
    ASSERT_TRUE(RunToIdle());
    EXPECT_NE(std::find(recorder.states.begin(), recorder.states.end(), int(ExecTrialResumed)),
              recorder.states.end());
    EXPECT_EQ(FileBytes(home->file()), data);
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
}

namespace {

// One server serves the suite: the library reads its driver registry once per process, so
// tests run in one process must all name the same server.
class JackAuditionTest : public AuditionTest {
protected:
    static void SetUpTestSuite() { server = std::make_unique<JackServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    std::string Registry() override {
        return "[JACK]\nclsid=vantrel.jack\npath=" VANTREL_JACK_PLUGIN "\ndescription=JACK\nserver=" +
               server->Name() +
               "\nclient=tamvik-audition\nconnect=^recorder:in_\ncapture=^nobody:\noutputs=2\n";
    }
    void SetUp() override {
        std::string error;
        if (!server->IsRunning()) {
            ASSERT_TRUE(server->Start(&error)) << error;
        }
        jack = std::make_unique<JackRecorder>(server->Name(), "recorder", 2, 48000 * 10);
        ASSERT_TRUE(jack->Open(&error)) << error;
        AuditionTest::SetUp();
    }
    void TearDown() override {
        AuditionTest::TearDown();
        jack.reset();
    }
    static inline std::unique_ptr<JackServer> server;
    std::unique_ptr<JackRecorder> jack;
};

} // namespace

// A mono float stimulus reaches both recorder ports bit for bit.
TEST_F(JackAuditionTest, MonoStimulusReachesBothPorts) {
    ASSERT_FALSE(w->useMME);
    ASSERT_EQ(w->deviceFormats.count(48000), 1u);
    std::vector<float> signal(24000);
    for (size_t i = 0; i < signal.size(); ++i)
        signal[i] = 0.5f * float(int(i % 601) + 1) / 601.0f;
    std::vector<uint8_t> data(signal.size() * 4);
    std::memcpy(data.data(), signal.data(), data.size());
    MakeProject({{WavLayout::floating(1, 48000, 32), data}});
    ListenToStimuli(1, 1);
    ASSERT_TRUE(RunToIdle());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
    for (int port = 0; port < 2; ++port) {
        const std::vector<float> got = jack->Samples(port);
        const int64_t first = jack->FirstNonZero(port);
        ASSERT_GE(first, 0) << "port " << port << " recorded nothing";
        ASSERT_GE(got.size(), size_t(first) + signal.size());
        EXPECT_EQ(std::memcmp(got.data() + first, signal.data(), signal.size() * 4), 0) << "port " << port;
    }
}

// A stimulus at a rate the server does not run is refused with its file's name before the
// sequencer starts, from the stimulus list and from the schedule alike; nothing plays.
TEST_F(JackAuditionTest, AStimulusAtAnotherRateIsRefusedByName) {
    ASSERT_FALSE(w->useMME);
    ASSERT_EQ(w->deviceFormats.count(44100), 0u) << "the server runs at 48 kHz only";
    MakeProject({{WavLayout::pcm(2, 44100, 16), PatternBytes(4410 * 4, 3)}});
    ScheduleOfStimulus1(*w);
    w->show();
    w->activateWindow();
    const QString refusal = QStringLiteral("This device cannot play \"S1.wav\".");

    struct Case {
        const char* what;
        StringGrid* grid;
        QRect selection;
        QAction* command;
    };
    for (const Case& c :
         {Case{"the stimulus list", w->asgdStimulus, QRect(QPoint(1, 1), QPoint(2, 1)), w->actStmListListen},
          Case{"the schedule", w->asgdSchedule, QRect(QPoint(1, 1), QPoint(1, 1)), w->actSdlListListen}}) {
        ui->messages.clear();
        c.grid->setFocus();
        ASSERT_TRUE(PumpUntil([&] { return c.grid->hasFocus(); })) << c.what;
        c.grid->SetSelection(c.selection);
        w->UpdateActions();
        ASSERT_TRUE(c.command->isEnabled()) << c.what;
        c.command->trigger();
        EXPECT_EQ(ShownTexts(), QStringList{refusal}) << c.what;
    }
    EXPECT_EQ(State(), ExecIdle);
    EXPECT_TRUE(recorder.states.empty()) << "the sequencer never started";
}
