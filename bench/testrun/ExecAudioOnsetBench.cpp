// Audio onset of a test run on a private JACK server (dummy backend, 48000 Hz, 256
// frames): from the test-run window's receipt of the sequencer's state 9 (play this
// stimulus) to the first non-zero frame at a recording client, over 10 passes of one
// trial. The driver connects to the server anew for every play (VANTREL_Prepare); that
// time is measured inside each play and taken off. Prints the worst onset beyond the
// connection as a ratio to the goal of 3 periods; at most 1.0 meets it.

#include "ExecDlgUnit.h"
#include "ExecuteBenchWindow.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "Messages.h"
#include "QtMessageReceiver.h"
#include "vantrel.h"

#include <QApplication>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <dlfcn.h>
#include <fstream>
#include <vector>

namespace {

double lastPrepareSeconds = 0;

// Notes the recorder's frame count when the window receives state 9.
class OnsetMark : public QObject {
public:
    JackRecorder* recorder = nullptr;
    int64_t frames = -1;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == PostedMessageEvent::eventType()) {
            const auto* m = static_cast<PostedMessageEvent*>(e);
            if (m->msg() == WM_EXECTABLE && m->wParam() == ExecTrialStimulus && frames < 0 && recorder)
                frames = recorder->Frames();
        }
        return false;
    }
};

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

int main(int argc, char** argv) {
    QTemporaryDir root;
    BenchPrivateFolders(root);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    JackServer server(48000, 256);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 2, 48000 * 60);
    if (!recorder->Open(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string registry = root.filePath(QStringLiteral("drivers.ini")).toStdString();
    std::ofstream(registry) << "[JACK]\nclsid=vantrel.jack\npath=" VANTREL_JACK_PLUGIN
                               "\ndescription=JACK\nserver="
                            << server.Name() << "\nconnect=^recorder:in_\noutputs=2\n";
    qputenv("VANTREL_DRIVERS", QByteArray::fromStdString(registry));
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QApplication app(argc, argv);
    fake::FakeService service;
    service.SetReply("returnTestResult", "ANSWERER_ID=S1,QUESTION_NUM=0,ANSWER=");
    TfrmMain w;
    if (w.useMME) {
        std::fprintf(stderr, "the JACK driver did not open\n");
        return 1;
    }
    TfrmExecute* x = BenchOpenWindow(w, service, root, 1);
    if (!x || !BenchPumpUntil([&] { return x->btnExecute->isEnabled(); }, 10000)) {
        std::fprintf(stderr, "the window did not start\n");
        return 1;
    }
    // A float stimulus the device plays as it is.
    std::vector<float> signal(9600);
    for (size_t i = 0; i < signal.size(); ++i)
        signal[i] = 0.25f + 0.25f * float(i % 97) / 97.0f;
    std::vector<uint8_t> data(signal.size() * 4);
    std::memcpy(data.data(), signal.data(), data.size());
    WriteWav(w.project.GetWorkFolder() + (*w.project.GetStimuli())[0].fileName,
             WavLayout::floating(1, 48000, 32), data);
    for (CTrial& t : w.project.GetSchedule(0)->trials) {
        t.startWait = 0.0;
        t.responseWait = 0.0;
    }
    OnsetMark mark;
    x->installEventFilter(&mark);

    const double period = 256.0;
    double worst = 0.0;
    for (int pass = 0; pass < 10; ++pass) {
        recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 2, 48000 * 60);
        if (!recorder->Open(&error))
            return 1;
        QThread::msleep(50);
        mark.recorder = recorder.get();
        mark.frames = -1;
        QTimer::singleShot(0, x, [x] { x->execDlg->btnOK->click(); });
        x->btnExecute->click();
        x->sbtnPlay->click();
        if (!BenchPumpUntil([&] { return recorder->FirstNonZero(0) >= 0 && mark.frames >= 0; }, 10000))
            return 1;
        const double onset = double(recorder->FirstNonZero(0) - mark.frames) / period;
        const double beyond = onset - lastPrepareSeconds * 48000.0 / period;
        worst = std::max(worst, beyond);
        std::fprintf(stderr, "pass %d: onset %.2f periods, beyond the connection %.2f\n", pass + 1, onset,
                     beyond);
        BenchPumpUntil([&] { return x->windowState == ExecWindowIdle && VANTREL_IsWorking() == 0; }, 10000);
        QThread::msleep(300);
    }
    std::printf("%.3f\n", worst / 3.0);
    w.execTable->Stop();
    delete w.frmExecute;
    w.frmExecute = nullptr;
    return 0;
}
