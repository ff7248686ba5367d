// Open of a 200-stimulus project into the main window's grids, against the model's own
// open of the same archive (the reference): what the window adds is the difference.
#include "Cproject.h"
#include "MainUnit.h"
#include "ScratchHome.h"
#include "TamvikApplication.h"
#include "WavWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int StimulusCount = 200;
constexpr int TrialCount = 200;
constexpr int Rounds = 7;

// A short 16-bit stereo file (0.1 s at 44.1 kHz).
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-open-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    const QString root = scratch.path() + QLatin1Char('/');
    UseScratchHome(scratch.path());
    TamvikApplication app(argc, argv);

    const QString archive = root + QStringLiteral("project.tmv");
    {
        CProject project;
        if (!project.New() || !project.SetStimulusCount(StimulusCount))
            return 1;
        project.SetMethod(0);
        project.GetGeneral()->title = QStringLiteral("bench");
        QDir().mkdir(root + QStringLiteral("src"));
        for (int i = 0; i < StimulusCount; ++i) {
            const QString path = root + QStringLiteral("src/%1.wav").arg(i);
            if (!WriteWav(path, WavLayout::pcm(2, 44100, 16), std::vector<uint8_t>(4410 * 4)) ||
                project.SetStimulusFile(i, path, false).isEmpty())
                return 1;
            (*project.GetStimuli())[i].comment = QStringLiteral("comment %1").arg(i);
        }
        CSchedule* schedule = project.AddSchedule(nullptr);
        schedule->name = QStringLiteral("Schedule1");
        schedule->SetTrialCount(TrialCount);
        schedule->SetStimulusCount(2);
        project.SetFileName(archive);
        if (!project.Save())
            return 1;
    }

    std::vector<double> model, window;
    for (int round = 0; round < Rounds; ++round) {
        {
            CProject reader;
            reader.SetFileName(archive);
            QElapsedTimer t;
            t.start();
            if (!reader.Open())
                return 1;
            model.push_back(t.nsecsElapsed() / 1e6);
        }
        TfrmMain frmMain;
        QElapsedTimer t;
        t.start();
        if (!frmMain.LoadProject(archive))
            return 1;
        QCoreApplication::processEvents();
        window.push_back(t.nsecsElapsed() / 1e6);
    }
    const double m = Median(model);
    const double w = Median(window);
    std::printf("open of a %d-stimulus project (median of %d): model %.1f ms, into the window %.1f ms, "
                "beyond the model %.1f ms (ratio %.2f), goal below 500 ms beyond: %s\n",
                StimulusCount, Rounds, m, w, w - m, w / m, w - m < 500 ? "met" : "missed");
    return 0;
}
