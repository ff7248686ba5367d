// Open and Save of a project of 200 stimuli of 2.5 MB each, timed against "tar -cf" and
// "tar -xf" of the same work folder in the same run. Prints the median times and the
// ratios (project / tar; 1.0 or less is the goal). Usage: bench_project [scratch folder]
#include "Cproject.h"

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

bool WriteWave(const QString& path, char fill) {
    const std::uint32_t riffSize = 36 + DataBytes;
    const std::uint16_t pcm = 1, channels = 2, blockAlign = 4, bits = 16;
    const std::uint32_t rate = 44100, byteRate = rate * blockAlign, fmtSize = 16;
    QByteArray bytes;
    auto put = [&](const void* p, int n) { bytes.append(static_cast<const char*>(p), n); };
    bytes.append("RIFF");
    put(&riffSize, 4);
    bytes.append("WAVEfmt ");
    put(&fmtSize, 4);
    put(&pcm, 2);
    put(&channels, 2);
    put(&rate, 4);
    put(&byteRate, 4);
    put(&blockAlign, 2);
    put(&bits, 2);
    bytes.append("data");
    put(&DataBytes, 4);
    bytes.append(QByteArray(DataBytes, fill));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

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
        if (!WriteWave(path, static_cast<char>(i)) || project.SetStimulusFile(i, path, false).isEmpty())
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
