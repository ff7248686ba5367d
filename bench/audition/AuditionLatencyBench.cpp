// JACK periods from the main window's audition command to the first non-zero frame at a
// recording client, on a private dummy-backend server (48000 Hz, 256 frames), against a
// minimal JACK client's connect-to-first-frame on the same server. Twenty pairs, run
// A-B-B-A; each play gets a fresh recording client. Prints the median and worst of each
// side and min / median / max of the per-pair ratios. Goal: median and worst <= 1.5x.
// The time each play spends connecting to the server is measured inside it and reported
// apart.

#include "Cexectable.h"
#include "JackOnset.h"
#include "MainUnit.h"
#include "StringGrid.h"
#include "WavWriter.h"
#include "vantrel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <jack/jack.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Worst(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
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
    if (w.useMME) {
        std::fprintf(stderr, "the JACK driver did not open\n");
        return 1;
    }
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
    auto audition = [&]() -> double {
        const int64_t atCommand = recorder->Frames();
        w.asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(2, 1)));
        w.actStmListListenExecute();
        const double periods = periodsUntil(0, atCommand);
        PumpUntil([&] { return w.execTable->state() == ExecIdle && VANTREL_IsWorking() == 0; }, 10000);
        QThread::msleep(300);
        return periods;
    };
    auto connectOnce = [&]() -> double {
        const int64_t atConnect = recorder->Frames();
        if (!reference.Connect("recorder:in_3"))
            return -1;
        const double periods = periodsUntil(2, atConnect);
        reference.Disconnect("recorder:in_3");
        QThread::msleep(100);
        return periods;
    };

    std::vector<double> plays, references, ratios, prepares;
    for (int pair = 0; pair < 20; ++pair) {
        double a = 0, b = 0;
        if (pair % 2 == 0) {
            a = audition();
            b = connectOnce();
        } else {
            b = connectOnce();
            a = audition();
        }
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "a play or a connection did not sound\n");
            return 1;
        }
        plays.push_back(a);
        references.push_back(b);
        ratios.push_back(a / b);
        prepares.push_back(bench::LastConnectSeconds() * bench::JackOnsetRig::Rate / period);
    }
    std::printf("periods of 256 frames at 48000 Hz, 20 pairs A-B-B-A\n");
    std::printf("audition command to first sound: median %.2f, worst %.2f\n", Median(plays), Worst(plays));
    std::printf("minimal client connect to first sound: median %.2f, worst %.2f\n", Median(references),
                Worst(references));
    std::printf("connecting inside the plays: median %.2f, worst %.2f\n", Median(prepares), Worst(prepares));
    std::printf("ratio per pair: min %.2f, median %.2f, max %.2f; median/median %.2f, worst/worst %.2f"
                " (goal <= 1.5)\n",
                *std::min_element(ratios.begin(), ratios.end()), Median(ratios), Worst(ratios),
                Median(plays) / Median(references), Worst(plays) / Worst(references));
    return 0;
}
