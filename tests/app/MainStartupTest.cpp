// Start-up of the main window: the output path by the command line and the drivers, the
// project named on the command line, and the end when no driver is left at showing.
#include "MainWindowFixture.h"

#include "CardUnit.h"
#include "CategoryUnit.h"
#include "Cexectable.h"
#include "Csound.h"
#include "Cwaveread.h"
#include "FakeService.h"
#include "ModalScript.h"
#include "OptionIni.h"
#include "OptionUnit.h"
#include "StringGrid.h"
#include "WavWriter.h"
#include "vantrel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QToolButton>
#include <QWindow>
#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

namespace {

// How many image-format plug-ins the process has loaded.
int LoadedImagePlugins() {
    int count = 0;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "/imageformats/"))
                ++*static_cast<int*>(data);
            return 0;
        },
        &count);
    return count;
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// Raw bytes the null driver's output channel played since its buffers were last made.
std::vector<uint8_t> NullPlayed(int channel, size_t bytes) {
    void* plugin = ::dlopen(VANTREL_NULL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    if (plugin == nullptr)
        return {};
    using Played = size_t (*)(int, void*, size_t);
    const auto played = reinterpret_cast<Played>(::dlsym(plugin, "vantrel_null_played"));
    std::vector<uint8_t> out(bytes);
    out.resize(played != nullptr ? played(channel, out.data(), bytes) : 0);
    ::dlclose(plugin);
    return out;
}

} // namespace

class MainStartupTest : public MainWindowTest {
protected:
    // One null driver, as a lab machine with a low-latency device would have.
    void RegisterNullDriver() {
        const QString registry = root->file(QStringLiteral("drivers.ini"));
        WriteText(registry,
                  QByteArray("[Null]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\ndescription=Null\n"));
        qputenv("VANTREL_DRIVERS", registry.toLocal8Bit());
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        qputenv("VANTREL_DRIVERS", "/nonexistent/vantrel-drivers.ini");
    }
    void Restart(const QStringList& arguments) {
        w.reset();
        w = std::make_unique<TfrmMain>(nullptr, QStringList{QStringLiteral("tamvik")} + arguments);
    }

    // Waits for the output to be readied and checks that readying it sounded nothing.
    void ExpectWarmedUpSilently(const char* output) {
        ASSERT_TRUE(PumpUntil([&] { return w->playback.IsWarm(); }, 10000)) << output << " was not warmed up";
        EXPECT_NE(VANTREL_IsWorking(), VANTREL_TRUE);
        EXPECT_TRUE(NullPlayed(0, 4).empty()) << "the warm-up of " << output << " sounded";
    }

    // A new training project whose first stimulus is a stereo WAV of these interleaved
    // samples, auditioned from the stimulus list as a user does.
    template <typename Sample> void Audition(const std::vector<Sample>& samples, const WavLayout& layout) {
        std::vector<uint8_t> bytes(samples.size() * sizeof(Sample));
        std::memcpy(bytes.data(), samples.data(), bytes.size());
        w->NewProject(0);
        ASSERT_TRUE(WriteWav(w->project.GetWorkFolder() + QStringLiteral("S1.wav"), layout, bytes));
        (*w->project.GetStimuli())[0].fileName = QStringLiteral("S1.wav");
        (*w->project.GetStimuli())[0].orgFileName = QStringLiteral("/sounds/S1.wav");
        w->ShowStimulusList();
        w->activateWindow();
        w->asgdStimulus->setFocus();
        w->asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(2, 1)));
        ASSERT_TRUE(PumpUntil([&] {
            w->UpdateActions();
            return w->actStmListListen->isEnabled();
        }));
        w->actStmListListen->trigger();
    }

    // The null driver's two outputs played the stereo stimulus's channels sample for sample,
    // in the outputs' sample type; then the audition ends.
    template <typename Sample> void ExpectPlayedExactly(const std::vector<Sample>& samples) {
        const size_t frames = samples.size() / 2;
        const size_t channelBytes = frames * sizeof(Sample);
        ASSERT_TRUE(PumpUntil([&] { return NullPlayed(1, channelBytes).size() == channelBytes; }, 20000))
            << "the audition did not play";
        for (int out = 0; out < 2; ++out) {
            std::vector<Sample> heard(frames);
            const std::vector<uint8_t> played = NullPlayed(out, channelBytes);
            std::memcpy(heard.data(), played.data(), played.size());
            std::vector<Sample> expected(frames);
            for (size_t i = 0; i < frames; ++i)
                expected[i] = samples[i * 2 + size_t(out)];
            EXPECT_EQ(heard, expected) << "output " << out;
        }
        EXPECT_TRUE(
            PumpUntil([&] { return w->execTable->state() == ExecIdle && VANTREL_IsWorking() != 1; }, 20000));
    }
};

TEST_F(MainStartupTest, OutputPathFollowsTheSwitchAndTheDrivers) {
    RegisterNullDriver();
    struct Case {
        QStringList arguments;
        bool useMME;
    };
    const Case cases[] = {
        {{}, false},
        {{QStringLiteral("/MME")}, true},
        {{QStringLiteral("project.tmv"), QStringLiteral("/mme")}, true},
        {{QStringLiteral("mme")}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        Restart(c.arguments);
        w->PrepareOutput();
        EXPECT_EQ(w->useMME, c.useMME);
        EXPECT_EQ(w->sound != nullptr, c.useMME);
        EXPECT_EQ(w->waveRead != nullptr, !c.useMME);
        if (!c.useMME) {
            EXPECT_EQ(w->asioBlockFrames, 96000);
            EXPECT_EQ(w->asioDriverIndexes, std::vector<int32_t>{0});
        }
        EXPECT_TRUE(ui->messages.empty());
    }
}

TEST_F(MainStartupTest, ShowingOpensTheFirstProjectNamedOnTheCommandLine) {
    const QString path = root->file(QStringLiteral("Start.TMV"));
    {
        CProject p;
        ASSERT_TRUE(p.New());
        p.SetMethod(3);
        p.GetGeneral()->title = QStringLiteral("from the command line");
        p.AddSchedule(nullptr)->name = QStringLiteral("Only");
        p.SetFileName(path);
        ASSERT_TRUE(p.Save());
    }
    // A user with full rights opens without asking the library.
    fake::FakeService service;
    service.SetReply("userAuth", "API_RESULT=0,USER_AUTH=0");
    ASSERT_TRUE(SaveOptionSettings(QString(), QString::fromStdString(service.BaseUrl()),
                                   QStringLiteral("user"), QStringLiteral("secret"), QStringLiteral("0"),
                                   QString(), QString()));
    const QString other = root->file(QStringLiteral("other.tmv"));
    QFile::copy(path, other);
    Restart({root->file(QStringLiteral("missing.tmv")), root->path(), path, other});
    w->show();
    ASSERT_TRUE(PumpUntil([&] { return w->startupFinished; }));
    EXPECT_EQ(w->project.GetFileName(), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(w->project.GetMethod(), 3);
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(service.Count("getTmvInfo"), 0u);

    ui->messages.clear();
    Restart({root->file(QStringLiteral("missing.tmv"))});
    w->show();
    ASSERT_TRUE(PumpUntil([&] { return w->startupFinished; }));
    EXPECT_TRUE(w->project.GetFileName().isEmpty());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tamvik"));
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(MainStartupTest, NoDriverLeftWhenShownEndsTheProgram) {
    RegisterNullDriver();
    Restart({});
    w->PrepareOutput();
    ASSERT_FALSE(w->useMME);
    qputenv("VANTREL_DRIVERS", root->file(QStringLiteral("gone.ini")).toLocal8Bit());
    bool closed = false;
    QObject::connect(w.get(), &TfrmMain::closed, [&] { closed = true; });
    w->show();
    EXPECT_TRUE(PumpUntil([&] { return closed; }));
    EXPECT_EQ(ShownTexts(),
              QStringList{QStringLiteral("A sound device is not found.\r\nApplication will be terminated.")});
}

// Reading an icon file loads every image-format plug-in; the shown main window reads none,
// and an icon still draws as the platform's style draws it once it is needed.
TEST_F(MainStartupTest, StandardIconsAreReadWhenFirstDrawn) {
    w->show();
    ASSERT_TRUE(PumpUntil([&] { return w->windowHandle() && w->windowHandle()->isExposed(); }));
    EXPECT_EQ(LoadedImagePlugins(), 0);

    const auto* save = w->frmCard->findChild<QToolButton*>(QStringLiteral("sbtnExportWav"));
    ASSERT_NE(save, nullptr);
    ASSERT_FALSE(save->icon().isNull());
    const auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    const std::unique_ptr<QStyle> platform(QStyleFactory::create(proxy->baseStyle()->name()));
    ASSERT_NE(platform, nullptr);
    const QImage expected = platform->standardIcon(QStyle::SP_DialogSaveButton).pixmap(16, 16).toImage();
    const QImage drawn = save->icon().pixmap(16, 16).toImage();
    EXPECT_FALSE(drawn.isNull());
    EXPECT_EQ(drawn, expected);
}

namespace {

// Notes whether the window was painted before its output path was found.
class FirstPaintWatcher : public QObject {
public:
    explicit FirstPaintWatcher(const TfrmMain& window) : m_window(window) {}
    bool painted = false;
    bool outputReadyAtFirstPaint = false;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == &m_window && e->type() == QEvent::Paint && !painted) {
            painted = true;
            outputReadyAtFirstPaint = m_window.outputPrepared;
        }
        return false;
    }

private:
    const TfrmMain& m_window;
};

} // namespace

// Probing the devices takes a while: the window shows first, and the output path, the
// card window and the device list follow right after.
TEST_F(MainStartupTest, TheOutputIsFoundRightAfterTheFirstPaint) {
    Restart({});
    EXPECT_EQ(w->frmCard, nullptr);
    EXPECT_FALSE(w->actASIOSetting->isEnabled());
    FirstPaintWatcher watcher(*w);
    w->installEventFilter(&watcher);
    w->show();
    ASSERT_TRUE(PumpUntil([&] { return w->startupFinished; }));
    EXPECT_TRUE(watcher.painted);
    EXPECT_FALSE(watcher.outputReadyAtFirstPaint);
    EXPECT_TRUE(w->outputPrepared);
    ASSERT_NE(w->frmCard, nullptr);
    EXPECT_GT(w->frmOption->cboSndDevice->count(), 0);
    EXPECT_EQ(w->frmOption->cboSndDevice->itemText(0), QStringLiteral("default"));
    // The Play tab names the path the list comes from.
    EXPECT_EQ(w->frmOption->lblSndDriver->text(), QStringLiteral("[ALSA]"));
    w->removeEventFilter(&watcher);
}

// Once shown, the window readies its low-latency output without a sound, and the first
// audition after that plays the stimulus exactly.
TEST_F(MainStartupTest, ShownWindowWarmsTheOutputAndTheFirstAuditionPlays) {
    RegisterNullDriver();
    Restart({});
    ASSERT_FALSE(w->useMME);
    EXPECT_FALSE(w->playback.IsWarm());
    w->show();
    ASSERT_NO_FATAL_FAILURE(ExpectWarmedUpSilently("the output"));

    // A stereo stimulus of 32-bit floats, which the null driver's float channels take as they are.
    std::vector<float> samples(4410 * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(int(i % 199) - 99) / 128.0f + (i % 2 == 0 ? 0.0f : 1.0f / 1024.0f);
    Audition(samples, WavLayout::floating(2, 44100, 32));
    ExpectPlayedExactly(samples);
}

// A device chosen in the options loads its driver anew: the output is readied again, still
// without a sound, and the next audition plays on the chosen device.
TEST_F(MainStartupTest, ADeviceChosenInTheOptionsIsWarmedUpAndPlaysTheNextAudition) {
    // Two null drivers; the second one's 16-bit outputs tell its plays from the first's floats.
    const QString registry = root->file(QStringLiteral("drivers.ini"));
    WriteText(registry, QByteArray("[First]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\n"
                                   "[Second]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\n"
                                   "outputTypes=16\n"));
    qputenv("VANTREL_DRIVERS", registry.toLocal8Bit());
    LogInWithFullRights();
    Restart({});
    w->show();
    ASSERT_NO_FATAL_FAILURE(ExpectWarmedUpSilently("the first device"));
    ASSERT_EQ(w->frmOption->cboSndDevice->currentText(), QStringLiteral("First"));

    // The account's folder for project files is asked for with the device.
    const QString library = root->file(QStringLiteral("library"));
    ASSERT_TRUE(QDir().mkpath(library));
    TfrmOption* options = w->frmOption;
    WhileModal(options, [options, library] {
        options->projectFloder->setText(library);
        const int second = options->cboSndDevice->findText(QStringLiteral("Second"));
        ASSERT_GE(second, 0);
        options->cboSndDevice->setCurrentIndex(second);
        options->btnOK->click();
    });
    Find<QAction>("actOptSetting")->trigger();
    ASSERT_TRUE(options->settingsSaved) << ShownTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(w->soundDeviceName, QStringLiteral("Second"));
    EXPECT_FALSE(w->playback.IsWarm()) << "the new driver's connections are not made yet";
    ASSERT_NO_FATAL_FAILURE(ExpectWarmedUpSilently("the chosen device"));

    // A stereo stimulus of 16-bit samples, which the 16-bit outputs take as they are.
    std::vector<int16_t> samples(4410 * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t((int(i % 199) - 99) * 300 + (i % 2 == 0 ? 0 : 7));
    Audition(samples, WavLayout::pcm(2, 44100, 16));
    ExpectPlayedExactly(samples);
}

// The main window's requests end at the windows' bound also while the service trickles its
// replies, which no read time-out ends: the log-in at the start, the open of a project for
// a restricted user, the test start. The bound is one second here, the replies last a minute.
TEST_F(MainStartupTest, RequestsEndAtTheirBoundWhileTheServiceTrickles) {
    using namespace std::chrono_literals;
    const QString path = root->file(QStringLiteral("Known.tmv"));
    {
        CProject p;
        ASSERT_TRUE(p.New());
        p.SetMethod(3);
        p.GetGeneral()->title = QStringLiteral("known");
        p.AddSchedule(nullptr)->name = QStringLiteral("Only");
        p.SetFileName(path);
        ASSERT_TRUE(p.Save());
    }
    fake::FakeService service;
    const fake::FakeReply trickle = fake::FakeReply::Trickle(std::string(120, ' ') + "API_RESULT=0", 500ms);
    ASSERT_TRUE(SaveOptionSettings(QString(), QString::fromStdString(service.BaseUrl()),
                                   QStringLiteral("user"), QStringLiteral("secret"), QStringLiteral("0"),
                                   QString(), QString()));
    const auto showWithin = [this](int boundMs) {
        w->IdHTTP1->SetTotalTimeout(boundMs);
        QElapsedTimer shown;
        shown.start();
        w->show();
        EXPECT_TRUE(PumpUntil([&] { return w->startupFinished; }, 20000));
        return shown.elapsed();
    };

    // Every window that asks the service in short requests carries the bound.
    Restart({path});
    EXPECT_EQ(w->IdHTTP1->GetTotalTimeout(), 30000);
    EXPECT_EQ(w->frmCategory->IdHTTP1->GetTotalTimeout(), 30000);
    ASSERT_NE(w->frmOption, nullptr);
    EXPECT_EQ(w->frmOption->IdHTTP1->GetTotalTimeout(), 30000);

    // The log-in fails at the bound, and so does the check the restricted user's open asks.
    service.SetReply("userAuth", trickle);
    service.SetReply("getTmvInfo", trickle);
    EXPECT_LT(showWithin(1000), 15000);
    EXPECT_EQ(service.Count("userAuth"), 1u);
    EXPECT_EQ(service.Count("getTmvInfo"), 1u);
    EXPECT_TRUE(ShownTexts().indexOf(QRegularExpression(
                    "^Unable to connect the server, please double check the URL.\n.*userAuth: .+")) >= 0)
        << ShownTexts().join(" | ").toStdString();
    EXPECT_TRUE(w->project.GetFileName().isEmpty()) << "not opened";

    // A user with full rights opens at once; the test start's look-up ends at the bound.
    service.SetReply("userAuth", "API_RESULT=0,USER_AUTH=0");
    Restart({path});
    EXPECT_LT(showWithin(1000), 15000);
    ASSERT_EQ(w->project.GetFileName(), QFileInfo(path).absoluteFilePath());
    ui->messages.clear();
    QElapsedTimer started;
    started.start();
    w->actExecShow->trigger();
    EXPECT_LT(started.elapsed(), 15000);
    EXPECT_EQ(service.Count("getTmvInfo"), 2u);
    EXPECT_EQ(w->frmExecute, nullptr) << "nothing starts";
    EXPECT_TRUE(w->actExecShow->isEnabled());
}
