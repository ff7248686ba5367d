// Start-up of the program to its shown main window, offscreen, as whole processes: the
// parent notes the time, starts a child that builds the window as main() does and prints
// the time its window was first exposed. Reference: the same child showing a bare
// QMainWindow, which is what any Qt program pays.
#include "MainUnit.h"
#include "ScratchHome.h"
#include "TamvikApplication.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <curl/curl.h>
#include <memory>
#include <vector>

namespace {

constexpr int Rounds = 15;

long long RealtimeNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

int Child(int argc, char** argv, bool bare) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    TamvikApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window;
    if (bare)
        window = std::make_unique<QMainWindow>();
    else
        window = std::make_unique<TfrmMain>();
    window->show();
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    std::printf("%lld\n", RealtimeNs());
    std::fflush(stdout);
    window.reset();
    curl_global_cleanup();
    return 0;
}

double RunChild(const QString& program, const QString& mode) {
    QProcess child;
    const long long start = RealtimeNs();
    child.start(program, {mode});
    if (!child.waitForFinished(30000) || child.exitCode() != 0) {
        std::fprintf(stderr, "child %s failed: %s\n", qPrintable(mode),
                     child.readAllStandardError().constData());
        return -1;
    }
    const long long shown = child.readAllStandardOutput().trimmed().toLongLong();
    return (shown - start) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--child")
        return Child(argc, argv, false);
    if (argc > 1 && QByteArray(argv[1]) == "--child-bare")
        return Child(argc, argv, true);

    // A world of its own for every child: no settings, no stale work folders.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-startup-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    UseScratchHome(scratch.path());
    const QString self = QString::fromLocal8Bit(argv[0]);

    std::vector<double> tamvik, bare;
    for (int round = 0; round < Rounds; ++round) {
        const double t = RunChild(self, QStringLiteral("--child"));
        const double b = RunChild(self, QStringLiteral("--child-bare"));
        if (t < 0 || b < 0)
            return 1;
        tamvik.push_back(t);
        bare.push_back(b);
    }
    const double t = Median(tamvik);
    const double b = Median(bare);
    std::printf(
        "start-up to shown main window (offscreen, median of %d): tamvik %.1f ms, bare QMainWindow %.1f ms, "
        "ratio %.2f, goal below 300 ms: %s\n",
        Rounds, t, b, t / b, t < 300 ? "met" : "missed");
    return 0;
}
