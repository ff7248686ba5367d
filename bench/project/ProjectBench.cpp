// Save and Open of a project with 10 stimuli, 100 schedules and 100 stored responses, paired
// (A-B-B-A) in the same run with references on the same work folder: Save against
// "tar -cf" followed by "sync -f" of the tar file (both end with the data on the disk), Open
// against "tar -xf". Prints min / median / max of the per-pair ratios (project / tar).
// Usage: bench_project [scratch folder] (the folder's file system is the one measured)
#include "Cproject.h"
#include "PairedRatios.h"
#include "WavWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int StimulusCount = 10;
constexpr std::uint32_t DataBytes = 1000000;
constexpr int ScheduleCount = 100;
constexpr int ResponseCount = 100;
constexpr int TrialCount = 50;
constexpr int PositionCount = 2;
constexpr int TerminalCount = 10;
constexpr int Rounds = 5;

bool Run(const QString& program, const QStringList& args) {
    return QProcess::execute(program, args) == 0;
}

void FillSchedule(CSchedule& s, int index) {
    s.name = QStringLiteral("Schedule %1").arg(index);
    s.comment = QStringLiteral("pairs of the noise set, block %1").arg(index);
    s.SetStimulusCount(PositionCount);
    s.SetTrialCount(TrialCount);
    for (int t = 0; t < TrialCount; ++t) {
        CTrial& trial = s.trials[static_cast<std::size_t>(t)];
        for (int p = 0; p < PositionCount; ++p)
            trial.stimuli[static_cast<std::size_t>(p)] = 1 + (t + p + index) % StimulusCount;
        trial.intervals.assign(PositionCount - 1, 0.5);
        trial.startWait = 1.25;
        trial.responseWait = 3.5;
        trial.correctAnswer = 1 + t % 2;
    }
}

bool BuildProject(CProject& project, const QString& root) {
    if (!project.New() || !project.SetStimulusCount(StimulusCount))
        return false;
    project.SetMethod(1);
    for (int i = 0; i < StimulusCount; ++i) {
        const QString path = root + QStringLiteral("src/%1.wav").arg(i);
        if (!WriteWav(path, WavLayout::pcm(2, 44100, 16), std::vector<uint8_t>(DataBytes, std::uint8_t(i))) ||
            project.SetStimulusFile(i, path, false).isEmpty())
            return false;
    }
    project.GetTerminalInfo()->SetTerminalCount(TerminalCount);
    for (int i = 0; i < ScheduleCount; ++i)
        FillSchedule(*project.AddSchedule(nullptr), i);
    for (int i = 0; i < ResponseCount; ++i) {
        CResponse* r = project.AddResponse();
        r->date = 45000.5 + i;
        r->terminalInfo = *project.GetTerminalInfo();
        r->stimuli = *project.GetStimuli();
        FillSchedule(r->schedule, i);
        r->experimentParameter.SetMethod(1);
        for (int t = 0; t < TerminalCount; ++t) {
            CTerminalResponse answers;
            answers.id = 1000 + t;
            for (int a = 0; a < TrialCount; ++a)
                answers.answers.push_back(QString::number(1 + (a + t) % 2));
            r->terminalResponses.push_back(answers);
        }
    }
    return true;
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
    if (!BuildProject(project, root)) {
        std::fprintf(stderr, "cannot build the project\n");
        return 1;
    }
    const QString archive = root + QStringLiteral("project.tmv");
    const QString tarFile = root + QStringLiteral("project.tar");
    project.SetFileName(archive);
    // Once before timing: the archive exists, so every timed save replaces it as a user's does.
    if (!project.Save() || !Run(QStringLiteral("tar"), {QStringLiteral("-cf"), tarFile, QStringLiteral("-C"),
                                                        project.GetWorkFolder(), QStringLiteral(".")}))
        return 1;

    const auto none = [] {};
    const bench::Pairs save = bench::AbbaRounds(
        Rounds, none, [&] { return project.Save(); }, none,
        [&] {
            return Run(QStringLiteral("tar"), {QStringLiteral("-cf"), tarFile, QStringLiteral("-C"),
                                               project.GetWorkFolder(), QStringLiteral(".")}) &&
                   Run(QStringLiteral("sync"), {QStringLiteral("-f"), tarFile});
        });

    const QString out = root + QStringLiteral("x");
    // The reader of the last round is destroyed (its work folder deleted) outside the timing.
    std::optional<CProject> reader;
    const bench::Pairs open = bench::AbbaRounds(
        Rounds,
        [&] {
            reader.reset();
            reader.emplace();
            reader->SetFileName(archive);
        },
        [&] { return reader->Open(); },
        [&] {
            QDir(out).removeRecursively();
            QDir().mkdir(out);
        },
        [&] {
            return Run(QStringLiteral("tar"), {QStringLiteral("-xf"), tarFile, QStringLiteral("-C"), out});
        });

    std::printf("project of %d stimuli x %u bytes, %d schedules, %d responses (%d trials, %d terminals)\n",
                StimulusCount, DataBytes, ScheduleCount, ResponseCount, TrialCount, TerminalCount);
    bench::Print("Save", "tar -cf + sync -f", save, 1.5);
    bench::Print("Open", "tar -xf", open);
    return 0;
}
