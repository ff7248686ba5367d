#pragma once

#include "Cexectable.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "NullDriver.h"
#include "QtMessageReceiver.h"
#include "StringGrid.h"
#include "WavWriter.h"
#include "vantrel.h"

#include <QFile>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <string>
#include <vector>

// Keeps the sequencer states the window is posted, before the window handles them.
class StateRecorder : public QObject {
public:
    std::vector<int> states;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == PostedMessageEvent::eventType()) {
            const auto* m = static_cast<PostedMessageEvent*>(e);
            if (m->msg() == WM_EXECTABLE)
                states.push_back(int(m->wParam()));
        }
        return false;
    }
};

// A main window whose low-latency path runs on the driver registry given by the test
// (empty: no driver, so the window takes the wave-out path).
class AuditionTest : public MainWindowTest {
protected:
    // A null driver of eight 16-bit outputs that also plays 192 kHz, so that a block of
    // 96000 frames lasts half a second.
    static std::string NullSection(const std::string& description, const std::string& extra = "") {
        return "[" + description +
               "]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\ndescription=" + description +
               "\noutputs=8\noutputTypes=16\nrates=44100,48000,96000,192000\nperiod=512\n" +
               "captureFrames=800000\n" + extra;
    }

    virtual std::string Registry() { return NullSection("Null Device"); }

    void SetUp() override {
        ASSERT_TRUE(registryDir.isValid());
        const QString path = registryDir.file(QStringLiteral("drivers.ini"));
        std::ofstream(path.toStdString()) << Registry();
        ::setenv("VANTREL_DRIVERS", path.toLocal8Bit().constData(), 1);
        MainWindowTest::SetUp();
        w->installEventFilter(&recorder);
    }

    void TearDown() override {
        MainWindowTest::TearDown();
        ::unsetenv("VANTREL_DRIVERS");
    }

    // A new training project whose first stimuli are these WAV files.
    void MakeProject(const std::vector<std::pair<WavLayout, std::vector<uint8_t>>>& files) {
        w->NewProject(0);
        CStimuli* stimuli = w->project.GetStimuli();
        ASSERT_GE(stimuli->GetCount(), int(files.size()));
        for (size_t i = 0; i < files.size(); ++i) {
            const QString name = QStringLiteral("S%1.wav").arg(i + 1);
            ASSERT_TRUE(WriteWav(w->project.GetWorkFolder() + name, files[i].first, files[i].second));
            (*stimuli)[int(i)].fileName = name;
            (*stimuli)[int(i)].orgFileName = QStringLiteral("/sounds/") + name;
        }
        w->ShowStimulusList();
    }

    // Auditions stimulus rows first..last with the stimulus list's command.
    void ListenToStimuli(int first, int last) {
        w->asgdStimulus->SetSelection(QRect(QPoint(1, first), QPoint(2, last)));
        w->actStmListListenExecute();
    }

    int State() const { return w->execTable->state(); }

    // Runs the window until it has handled the sequencer's return to idle.
    bool RunToIdle(int timeoutMs = 20000, const std::function<void()>& each = {}) {
        const size_t from = recorder.states.size();
        return PumpUntil(
            [&] {
                if (each)
                    each();
                for (size_t i = from; i + 1 < recorder.states.size(); ++i)
                    if (recorder.states[i] != ExecIdle && recorder.states.back() == ExecIdle)
                        return State() == ExecIdle;
                return false;
            },
            timeoutMs);
    }

    // Raw bytes the null driver's output channel played since the last stream began.
    static std::vector<uint8_t> Played(int channel, size_t bytes) {
        void* plugin = ::dlopen(VANTREL_NULL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
        if (plugin == nullptr)
            return {};
        auto played =
            reinterpret_cast<decltype(&vantrel_null_played)>(::dlsym(plugin, "vantrel_null_played"));
        std::vector<uint8_t> out(bytes);
        out.resize(played(channel, out.data(), bytes));
        ::dlclose(plugin);
        return out;
    }

    // Channel c of interleaved 16-bit samples.
    static std::vector<uint8_t> Channel16(const std::vector<uint8_t>& data, int channels, int c) {
        std::vector<uint8_t> out;
        for (size_t at = size_t(c) * 2; at + 1 < data.size(); at += size_t(channels) * 2)
            out.insert(out.end(), data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(at) + 2);
        return out;
    }

    TestDir registryDir;
    StateRecorder recorder;
};
