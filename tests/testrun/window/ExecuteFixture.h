#pragma once

#include "AlsaTestHome.h"
#include "MainWindowFixture.h"

#include "Cexectable.h"
#include "Cproject.h"
#include "Csch.h"
#include "ExecDlgUnit.h"
#include "ExecuteUnit.h"
#include "FakeService.h"
#include "OptionIni.h"
#include "StringGrid.h"
#include "WavWriter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

// The fake answer service, known to Option.ini as the service of admin / secret.
inline std::unique_ptr<fake::FakeService> StartAnswerService(const TestDir& root) {
    auto service = std::make_unique<fake::FakeService>();
    EXPECT_TRUE(SaveOptionSettings(root.file("library"), QString::fromStdString(service->BaseUrl()),
                                   QStringLiteral("admin"), QStringLiteral("secret"), QStringLiteral("0"),
                                   QString(), QString()));
    return service;
}

// Until the window no longer waits for the service: every step it chained is done.
inline bool Answered(TfrmExecute* x, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (x->IsWaiting()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Takes a test-run window down before the main window that owns its sequencer.
inline void CloseTestRunWindow(TfrmMain& w,
                               const std::function<bool(const std::function<bool()>&)>& pumpUntil) {
    if (!w.frmExecute)
        return;
    w.execTable->Stop();
    pumpUntil([&w] { return w.execTable->state() == ExecIdle || w.execTable->state() == ExecScheduleEnded; });
    delete w.frmExecute;
    w.frmExecute = nullptr;
}

// A main window with a training project that the fake answer service knows: stimuli 3
// and 5 last 1.50 s and 2.25 s; schedule "A" plays them in each of its trials.
class ExecuteTest : public MainWindowTest {
protected:
    // Stimuli play to ALSA's "default", which this configuration makes a silent file.
    void BeforeWindow() override { alsa = std::make_unique<AlsaTestHome>(); }
    std::unique_ptr<AlsaTestHome> alsa;

    void SetUp() override {
        MainWindowTest::SetUp();
        service = StartAnswerService(*root);
    }

    void TearDown() override {
        if (w)
            CloseTestRunWindow(*w, [](const std::function<bool()>& done) { return PumpUntil(done); });
        MainWindowTest::TearDown();
        service.reset();
    }

    QString Wav(const QString& name, uint32_t frames) {
        const QString path = root->file(name);
        std::vector<uint8_t> data(size_t(frames) * 2, 0);
        for (size_t i = 0; i < data.size(); i += 2)
            data[i] = 0x40; // not silent
        EXPECT_TRUE(WriteWav(path, WavLayout::pcm(1, 44100, 16), data));
        return path;
    }

    // A training project of `trials` trials (stimuli 3 then 5, interval 1.0, start wait 1.0,
    // limit 3.0, correct answers from `correct`), saved under `fileName`.
    void MakeProject(int trials, std::vector<int> correct = {2}, int method = 0) {
        w->NewProject(method);
        CProject& p = w->project;
        p.GetGeneral()->title = QStringLiteral("Listening");
        if (CExpTraining* training = p.GetExperimentParameter()->GetTraining())
            training->buttonLabels = {"a", "b", "c"};
        w->LoadParameterPanel(); // the start stores the panel into the project
        ASSERT_TRUE(p.SetStimulusCount(5));
        ASSERT_FALSE(p.SetStimulusFile(2, Wav("three.wav", 66150), false).isEmpty());
        ASSERT_FALSE(p.SetStimulusFile(4, Wav("five.wav", 99225), false).isEmpty());
        w->ShowStimulusList();
        ASSERT_TRUE(w->SetScheduleSize(0, trials, 2));
        CSchedule* s = p.GetSchedule(0);
        for (int i = 0; i < trials; ++i) {
            CTrial& t = s->trials[size_t(i)];
            t.repeatCount = 1;
            t.startWait = 1.0;
            t.stimuli = {3, 5};
            t.intervals = {1.0};
            t.responseWait = 3.0;
            t.correctAnswer = correct[size_t(i) % correct.size()];
        }
        w->OnExecuteMessage(1, 0); // shows schedule 0 with its sizes
        p.SetFileName(root->file("tests/a+b.tmv"));
        w->rdbPlayON->setChecked(true);
        w->rdbJudgeOFF->setChecked(true);
        w->rdbCorrectON->setChecked(true);
        w->rdbYellowOFF->setChecked(true);
        w->execTable->setCheckRepetition(false);
        w->execTable->setWaitResponses(false);
        w->execTable->setFeedbackSeconds(0.0);
    }

    // Short runs: every wait of the schedule in seconds.
    void SetWaits(double start, double interval, double limit) {
        for (CTrial& t : w->project.GetSchedule(0)->trials) {
            t.startWait = start;
            t.intervals = {interval};
            t.responseWait = limit;
        }
        w->OnExecuteMessage(1, 0); // shows schedule 0 with its sizes
    }

    TfrmExecute* Start() {
        w->actExecShow->trigger();
        return w->frmExecute;
    }

    std::vector<std::string> Operations() const {
        std::vector<std::string> ops;
        for (const auto& r : service->Requests())
            ops.push_back(r.operation);
        return ops;
    }

    // Answers the next Execute dialog with a choice made by `choose`, then OK or Cancel.
    void AnswerDialog(TfrmExecute* x, std::function<void(TfrmExecDlg&)> choose, bool ok = true) {
        QTimer::singleShot(0, x, [x, choose, ok] {
            TfrmExecDlg& d = *x->execDlg;
            if (choose)
                choose(d);
            (ok ? d.btnOK : d.btnCancel)->click();
        });
    }

    QString Cell(TfrmExecute* x, int col, int row) const { return x->asgdResponse->Cell(col, row); }

    std::unique_ptr<fake::FakeService> service;
};
