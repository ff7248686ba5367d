// JACK periods from the main window's audition command to the first non-zero frame at a
// recording client, on a private dummy-backend server (48000 Hz, 256 frames), against a
// minimal JACK client's connect-to-first-frame on the same server. Twenty pairs, run
// A-B-B-A. Both sides of a pair start at the same phase of the server's period, and the
// twenty pairs cover the period evenly: an onset can only land on a period start, so an
// unequal phase would decide a pair by itself. The window's thread waits for the sound in
// its event loop, as a window does, never by spinning: a spinning thread holds the
// processor that the threads it wakes are queued on, for up to a scheduler tick. Prints the median and
// worst of each side (goal: each <= 1.5x the reference's), min / median / max of the
// per-pair ratios, and in milliseconds how long after the command (or connect) each side
// was ready to sound, which is what the code decides.

#include "Cexectable.h"
#include "JackOnset.h"
#include "MainUnit.h"
#include "StringGrid.h"
#include "WavWriter.h"
#include "vantrel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <jack/jack.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Runs the event loop until done() holds, looking every millisecond. The thread sleeps in
// the event loop meanwhile, as a window's does, and wakes at once for a posted message.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    QTimer look;
    look.setTimerType(Qt::PreciseTimer);
    look.start(1);
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs the event loop for ms, as a window does between plays.
void Settle(int ms) {
    PumpUntil([] { return false; }, ms);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Worst(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The reference: a minimal client, open and active, whose one output always carries a
// non-zero signal; only its connection to the recorder is timed.
class ReferenceClient {
public:
    bool Open(const std::string& server) {
        jack_status_t status{};
        client = jack_client_open("reference", jack_options_t(JackNoStartServer | JackServerName), &status,
                                  server.c_str());
        if (client == nullptr)
            return false;
        port = jack_port_register(client, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client, &ReferenceClient::Process, this);
        return port != nullptr && jack_activate(client) == 0;
    }
    ~ReferenceClient() {
        if (client != nullptr)
            jack_client_close(client);
    }
    bool Connect(const char* to) { return jack_connect(client, jack_port_name(port), to) == 0; }
    void Disconnect(const char* to) { jack_disconnect(client, jack_port_name(port), to); }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto* out =
            static_cast<float*>(jack_port_get_buffer(static_cast<ReferenceClient*>(self)->port, frames));
        std::fill(out, out + frames, 0.25f);
        return 0;
    }
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"})
        qputenv(var, home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The driver finds no ports to feed yet: it opens all the same.
    bench::JackOnsetRig rig;
    if (!rig.Start(home, 3))
        return 1;
    JackRecorder* recorder = rig.recorder.get();

    QApplication app(argc, argv);
    TfrmMain w;
    // What the program does once its window is up: choose the output, then ready it for
    // the first play.
    w.FinishStartup();
    if (w.useMME) {
        std::fprintf(stderr, "the JACK driver did not open\n");
        return 1;
    }
    w.WarmUpOutput();
    w.NewProject(0);
    (*w.project.GetStimuli())[0].fileName = QStringLiteral("S1.wav");
    if (!WriteWav(w.project.GetWorkFolder() + QStringLiteral("S1.wav"),
                  WavLayout::floating(1, bench::JackOnsetRig::Rate, 32), bench::OnsetStimulus()))
        return 1;

    const double period = bench::JackOnsetRig::Period;
    ReferenceClient reference;
    if (!reference.Open(rig.server.Name()))
        return 1;
    // One recording client throughout: the driver's connections to it stay, as they do
    // to a sound card's ports. The reference feeds its third port, connected anew each
    // time. A measure is the number of period boundaries from the command (or connect)
    // until the end of the period that carries the first non-zero frame.
    // Only the frames since the command are read: a copy of the whole recording in every
    // check would hold up the window's event loop that the measure runs on.
    auto firstSoundFrom = [&](int port, int64_t from) { return recorder->FirstNonZeroFrom(port, from); };
    auto periodsUntil = [&](int port, int64_t from) -> double {
        int64_t at = -1;
        if (!PumpUntil([&] { return (at = firstSoundFrom(port, from)) >= 0; }, 10000))
            return -1;
        return std::floor(double(at - from) / period) + 1.0;
    };
    // Sleeps until `phase` (0..1) of a period after the recorder's next period ends.
    auto alignTo = [&](double phase) {
        const int64_t seen = recorder->Frames();
        while (recorder->Frames() == seen)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        std::this_thread::sleep_for(
            std::chrono::duration<double>(phase * period / bench::JackOnsetRig::Rate));
    };
    struct Side {
        double periods = -1; // period boundaries until the end of the period of the first sound
        double readyMs = -1; // until the command returned with the stream started, or connect
    };
    auto audition = [&](double phase) -> Side {
        w.asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(2, 1)));
        Settle(20);
        alignTo(phase);
        const int64_t atCommand = recorder->Frames();
        const double commandAt = Now();
        w.actStmListListenExecute();
        Side side;
        side.periods = periodsUntil(0, atCommand);
        side.readyMs = (bench::LastStartedAt() - commandAt) * 1e3;
        PumpUntil([&] { return w.execTable->state() == ExecIdle && VANTREL_IsWorking() == 0; }, 10000);
        Settle(100);
        return side;
    };
    auto connectOnce = [&](double phase) -> Side {
        alignTo(phase);
        const int64_t atConnect = recorder->Frames();
        const double connectAt = Now();
        if (!reference.Connect("recorder:in_3"))
            return {};
        Side side;
        side.readyMs = (Now() - connectAt) * 1e3;
        side.periods = periodsUntil(2, atConnect);
        reference.Disconnect("recorder:in_3");
        Settle(100);
        return side;
    };

    // Twenty phases spread evenly over the period, in a shuffled order.
    constexpr int pairs = 20;
    std::vector<double> phases;
    for (int k = 0; k < pairs; ++k)
        phases.push_back((k + 0.5) / pairs);
    std::shuffle(phases.begin(), phases.end(), std::mt19937(11));

    std::vector<double> plays, references, ratios, playReady, referenceReady, prepares;
    // Pairs decided by a period start that the audition missed and the reference caught.
    std::string missed;
    int missedCount = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        Side a, b;
        if (pair % 2 == 0) {
            a = audition(phases[size_t(pair)]);
            b = connectOnce(phases[size_t(pair)]);
        } else {
            b = connectOnce(phases[size_t(pair)]);
            a = audition(phases[size_t(pair)]);
        }
        if (a.periods < 0 || b.periods < 0) {
            std::fprintf(stderr, "a play or a connection did not sound\n");
            return 1;
        }
        plays.push_back(a.periods);
        references.push_back(b.periods);
        ratios.push_back(a.periods / b.periods);
        playReady.push_back(a.readyMs);
        referenceReady.push_back(b.readyMs);
        if (a.periods > b.periods) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "  pair %d at phase %.2f: audition ready after %.2f ms, connect after %.2f ms"
                          " (%.2f ms to the next period start)\n",
                          pair, phases[size_t(pair)], a.readyMs, b.readyMs,
                          (1.0 - phases[size_t(pair)]) * 1e3 * period / bench::JackOnsetRig::Rate);
            missed += line;
            ++missedCount;
        }
        prepares.push_back(bench::LastConnectSeconds() * 1e3);
    }
    const double periodMs = 1e3 * period / bench::JackOnsetRig::Rate;
    std::printf("periods of 256 frames at 48000 Hz (%.2f ms), %d pairs A-B-B-A at shared phases\n", periodMs,
                pairs);
    std::printf("audition command to first sound: median %.2f, worst %.2f periods\n", Median(plays),
                Worst(plays));
    std::printf("minimal client connect to first sound: median %.2f, worst %.2f periods\n",
                Median(references), Worst(references));
    std::printf("ratio per pair: min %.2f, median %.2f, max %.2f; median/median %.2f, worst/worst %.2f"
                " (goal <= 1.5)\n",
                *std::min_element(ratios.begin(), ratios.end()), Median(ratios), Worst(ratios),
                Median(plays) / Median(references), Worst(plays) / Worst(references));
    std::printf("ready to sound after: audition median %.2f ms, worst %.2f ms; connect median %.2f ms, worst"
                " %.2f ms\n",
                Median(playReady), Worst(playReady), Median(referenceReady), Worst(referenceReady));
    // The process's first play is the one a warm-up is for.
    std::printf("first audition ready after %.2f ms (the others: median %.2f ms)\n", playReady.front(),
                Median(std::vector<double>(playReady.begin() + 1, playReady.end())));
    std::printf("pairs where the audition missed a period start the reference caught: %d of %d\n%s",
                missedCount, pairs, missed.c_str());
    std::printf("library calls inside the plays (prepare + start): median %.2f ms, worst %.2f ms\n",
                Median(prepares), Worst(prepares));
    return 0;
}
