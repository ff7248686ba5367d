// JACK periods from the main window's audition command to the first non-zero frame at a
// recording client, on a private dummy-backend server (48000 Hz, 256 frames). The driver
// connects to the server anew for every play (in VANTREL_Prepare); the bench times that
// call inside each play and reports it apart. Goal: at most 3 periods beyond the connection.

#include "Cexectable.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "MainUnit.h"
#include "StringGrid.h"
#include "WavWriter.h"
#include "vantrel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

double lastPrepareSeconds = 0;

} // namespace

// Interposed on the library's export: the window's play calls this one, which times the
// real call.
extern "C" int VANTREL_Prepare(int inputCount, int* inputChannels, int outputCount, int* outputChannels,
                               int inputStoreSamples, int outputStoreSamples, int loop, int rate,
                               double levelTimeConstant) {
    using Prepare = int (*)(int, int*, int, int*, int, int, int, int, double);
    static const auto real = reinterpret_cast<Prepare>(::dlsym(RTLD_NEXT, "VANTREL_Prepare"));
    QElapsedTimer timer;
    timer.start();
    const int result = real(inputCount, inputChannels, outputCount, outputChannels, inputStoreSamples,
                            outputStoreSamples, loop, rate, levelTimeConstant);
    lastPrepareSeconds = double(timer.nsecsElapsed()) * 1e-9;
    return result;
}

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

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"})
        qputenv(var, home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    JackServer server(48000, 256);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // The driver finds no ports to feed yet: it opens all the same.
    auto recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 2, 48000 * 60);
    if (!recorder->Open(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string registry = home.filePath(QStringLiteral("drivers.ini")).toStdString();
    std::ofstream(registry) << "[JACK]\nclsid=vantrel.jack\npath=" VANTREL_JACK_PLUGIN
                               "\ndescription=JACK\nserver="
                            << server.Name() << "\nconnect=^recorder:in_\noutputs=2\n";
    qputenv("VANTREL_DRIVERS", QByteArray::fromStdString(registry));

    QApplication app(argc, argv);
    TfrmMain w;
    if (w.useMME) {
        std::fprintf(stderr, "the JACK driver did not open\n");
        return 1;
    }
    w.NewProject(0);
    std::vector<float> signal(9600);
    for (size_t i = 0; i < signal.size(); ++i)
        signal[i] = 0.25f + 0.25f * float(i % 97) / 97.0f;
    std::vector<uint8_t> data(signal.size() * 4);
    std::memcpy(data.data(), signal.data(), data.size());
    (*w.project.GetStimuli())[0].fileName = QStringLiteral("S1.wav");
    if (!WriteWav(w.project.GetWorkFolder() + QStringLiteral("S1.wav"), WavLayout::floating(1, 48000, 32),
                  data))
        return 1;

    const double period = 256.0;
    std::vector<double> connection, total;
    for (int run = 0; run < 10; ++run) {
        // A fresh recording per run: its first non-zero frame is this run's.
        recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 2, 48000 * 60);
        if (!recorder->Open(&error))
            return 1;
        QThread::msleep(50);

        const int64_t atCommand = recorder->Frames();
        w.asgdStimulus->SetSelection(QRect(QPoint(1, 1), QPoint(2, 1)));
        w.actStmListListenExecute();
        if (!PumpUntil([&] { return recorder->FirstNonZero(0) >= 0; }, 10000))
            return 1;
        total.push_back(double(recorder->FirstNonZero(0) - atCommand) / period);
        connection.push_back(lastPrepareSeconds * 48000.0 / period);
        PumpUntil([&] { return w.execTable->state() == ExecIdle && VANTREL_IsWorking() == 0; }, 10000);
        QThread::msleep(300);
    }
    std::printf("audition command to first sound, periods of 256 frames at 48000 Hz:");
    for (double p : total)
        std::printf(" %.2f", p);
    std::printf("\ndriver connection (VANTREL_Prepare) in the same plays, periods:");
    for (double p : connection)
        std::printf(" %.2f", p);
    std::vector<double> beyond;
    for (size_t i = 0; i < total.size(); ++i)
        beyond.push_back(total[i] - connection[i]);
    std::printf("\nmedian: total %.2f, connection %.2f, beyond the connection %.2f (worst %.2f) periods"
                " (goal <= 3)\n",
                Median(total), Median(connection), Median(beyond),
                *std::max_element(beyond.begin(), beyond.end()));
    return 0;
}
