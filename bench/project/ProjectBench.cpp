// Open and Save of a project of 200 stimuli of 2.5 MB each, timed against "tar -cf" and
// "tar -xf" of the same work folder in the same run. Prints the median times and the
// ratios (project / tar; 1.0 or less is the goal). Usage: bench_project [scratch folder]
#include "Cproject.h"
#include "WavWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int StimulusCount = 200;
constexpr std::uint32_t DataBytes = 2500000;
constexpr int Rounds = 5;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Tar(const QStringList& args) {
    QElapsedTimer t;
    t.start();
    if (QProcess::execute(QStringLiteral("tar"), args) != 0)
        std::fprintf(stderr, "tar %s failed\n", args.join(QLatin1Char(' ')).toUtf8().constData());
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench-XXXXXX")
                                   : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    const QString root = scratch.path() + QLatin1Char('/');
    qputenv("TMPDIR", root.toUtf8()); // work folders beside the archives, on one file system
    QDir().mkdir(root + QStringLiteral("src"));

    CProject project;
    if (!project.New() || !project.SetStimulusCount(StimulusCount))
        return 1;
    project.SetMethod(0);
    for (int i = 0; i < StimulusCount; ++i) {
        const QString path = root + QStringLiteral("src/%1.wav").arg(i);
        if (!WriteWav(path, WavLayout::pcm(2, 44100, 16), std::vector<uint8_t>(DataBytes, std::uint8_t(i))) ||
            project.SetStimulusFile(i, path, false).isEmpty())
            return 1;
    }
    const QString archive = root + QStringLiteral("project.tmv");
    const QString tarFile = root + QStringLiteral("project.tar");
    project.SetFileName(archive);
    if (!project.Save()) // warm up: entries written once
        return 1;

    std::vector<double> save, tarCreate, open, tarExtract;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer t;
        t.start();
        if (!project.Save())
            return 1;
        save.push_back(t.nsecsElapsed() / 1e6);
        tarCreate.push_back(Tar({QStringLiteral("-cf"), tarFile, QStringLiteral("-C"),
                                 project.GetWorkFolder(), QStringLiteral(".")}));

        {
            CProject reader;
            reader.SetFileName(archive);
            t.restart();
            if (!reader.Open())
                return 1;
            open.push_back(t.nsecsElapsed() / 1e6);
        }
        const QString out = root + QStringLiteral("x%1").arg(round);
        QDir().mkdir(out);
        tarExtract.push_back(Tar({QStringLiteral("-xf"), tarFile, QStringLiteral("-C"), out}));
        QDir(out).removeRecursively();
    }
    const double s = Median(save), c = Median(tarCreate), o = Median(open), x = Median(tarExtract);
    std::printf("project of %d stimuli x %u bytes, median of %d rounds\n", StimulusCount, DataBytes, Rounds);
    std::printf("Save   %8.1f ms   tar -cf %8.1f ms   ratio %.2f\n", s, c, s / c);
    std::printf("Open   %8.1f ms   tar -xf %8.1f ms   ratio %.2f\n", o, x, o / x);
    return 0;
}
