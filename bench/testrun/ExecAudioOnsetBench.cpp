// Audio onset of a test run on a private JACK server (dummy backend, 48000 Hz, 256
// frames): from the test-run window's receipt of the sequencer's state 9 (play this
// stimulus) to the first non-zero frame at a recording client, over 10 passes of one
// trial, each with a fresh recording client. The time each play spends connecting to the
// server (the client, and on a first start its port connections) is measured inside the
// play and taken off. Prints the worst onset beyond the connection as a ratio to the goal
// of 3 periods; at most 1.0 meets it.

#include "ExecDlgUnit.h"
#include "ExecuteBenchWindow.h"
#include "JackOnset.h"
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

namespace {

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

int main(int argc, char** argv) {
    QTemporaryDir root;
    BenchPrivateFolders(root);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::JackOnsetRig rig;
    if (!rig.Start(root, 2))
        return 1;
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
    WriteWav(w.project.GetWorkFolder() + (*w.project.GetStimuli())[0].fileName,
             WavLayout::floating(1, bench::JackOnsetRig::Rate, 32), bench::OnsetStimulus());
    for (CTrial& t : w.project.GetSchedule(0)->trials) {
        t.startWait = 0.0;
        t.responseWait = 0.0;
    }
    OnsetMark mark;
    x->installEventFilter(&mark);

    const double period = bench::JackOnsetRig::Period;
    double worst = 0.0;
    for (int pass = 0; pass < 10; ++pass) {
        if (!rig.Reopen(2))
            return 1;
        QThread::msleep(50);
        mark.recorder = rig.recorder.get();
        mark.frames = -1;
        QTimer::singleShot(0, x, [x] { x->execDlg->btnOK->click(); });
        x->btnExecute->click();
        x->sbtnPlay->click();
        if (!BenchPumpUntil([&] { return rig.recorder->FirstNonZero(0) >= 0 && mark.frames >= 0; }, 10000))
            return 1;
        const double onset = double(rig.recorder->FirstNonZero(0) - mark.frames) / period;
        const double beyond = onset - bench::LastConnectSeconds() * bench::JackOnsetRig::Rate / period;
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
