#pragma once

// A test-run window on a training project of its own, registered with the fake answer
// service, for the window benchmarks. Settings and temporary folders live in a private
// folder; the output is the wave-out path (nothing is played).

#include "Cexectable.h"
#include "Csch.h"
#include "ExecuteUnit.h"
#include "FakeService.h"
#include "MainUnit.h"
#include "OptionIni.h"
#include "StringGrid.h"
#include "WavWriter.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdlib>
#include <functional>
#include <memory>

inline bool BenchPumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Points the settings, runtime, temporary and home folders into `root` (call before the
// application object exists).
inline void BenchPrivateFolders(const QTemporaryDir& root) {
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR", "HOME"}) {
        const QString folder = root.filePath(QString::fromLatin1(var).toLower());
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ::setenv(var, folder.toLocal8Bit().constData(), 1);
    }
    ::setenv("VANTREL_DRIVERS", "/nonexistent/vantrel-drivers.ini", 1);
}

// Opens a window over `trials` trials of one stimulus; nullptr when the start failed.
inline TfrmExecute* BenchOpenWindow(TfrmMain& w, fake::FakeService& service, const QTemporaryDir& root,
                                    int trials) {
    SaveOptionSettings(root.filePath("library"), QString::fromStdString(service.BaseUrl()),
                       QStringLiteral("admin"), QStringLiteral("secret"), QStringLiteral("0"), QString(),
                       QString());
    w.NewProject(0);
    w.project.GetGeneral()->title = QStringLiteral("Bench");
    const QString wav = root.filePath("s.wav");
    WriteWav(wav, WavLayout::pcm(2, 48000, 16), std::vector<uint8_t>(4800 * 4, 1));
    w.project.SetStimulusFile(0, wav, false);
    w.ShowStimulusList();
    w.SetScheduleSize(0, trials, 1);
    for (CTrial& t : w.project.GetSchedule(0)->trials) {
        t.stimuli = {1};
        t.correctAnswer = 1;
    }
    w.OnExecuteMessage(1, 0);
    w.project.SetFileName(root.filePath("bench.tmv"));
    w.actExecShow->trigger();
    return w.frmExecute;
}
