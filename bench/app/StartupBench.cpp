// Start-up of the program to its shown main window, offscreen, as whole processes: the
// parent notes the time, starts a child that builds the window as main() does and prints
// the time its window was first exposed. Reference: a separate minimal Qt Widgets program
// that shows an empty QMainWindow, which is what any Qt program pays. A-B-B-A rounds.
#include "MainUnit.h"
#include "PairedRatios.h"
#include "ScratchHome.h"
#include "SingleInstance.h"
#include "StartupHeap.h"
#include "TamvikApplication.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

constexpr int Rounds = 8; // of A-B-B-A: 16 pairs
// The main window's size when nothing is stored yet.
constexpr int WindowWidth = 1024;
constexpr int WindowHeight = 720;

long long RealtimeNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Builds and shows the window as main() does. With BENCH_PHASES set it also tells on
// stderr where its time went (ms).
int Child(int argc, char** argv) {
    const long long begun = RealtimeNs();
    ReserveStartupHeap(); // as main() does
    TamvikApplication app(argc, argv);
    SingleInstance instance(SingleInstance::RuntimeFolder());
    const long long appReady = RealtimeNs();
    auto window = std::make_unique<TfrmMain>();
    const long long built = RealtimeNs();
    window->show();
    const long long shown = RealtimeNs();
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const long long exposed = RealtimeNs();
    std::printf("%lld\n", RealtimeNs());
    std::fflush(stdout);
    if (qEnvironmentVariableIsSet("BENCH_PHASES")) {
        // What follows the first paint: the devices and the command line's project.
        while (!window->startupFinished)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::fprintf(stderr,
                     "application %.1f  window built %.1f  show %.1f  exposed %.1f  then ready %.1f\n",
                     (appReady - begun) / 1e6, (built - appReady) / 1e6, (shown - built) / 1e6,
                     (exposed - shown) / 1e6, (RealtimeNs() - exposed) / 1e6);
    }
    window.reset();
    return 0;
}

// Seconds from starting the program to its window's exposure, or -1.
double RunChild(const QString& program, const QStringList& arguments) {
    QProcess child;
    const long long start = RealtimeNs();
    child.start(program, arguments);
    if (!child.waitForFinished(30000) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     child.readAllStandardError().constData());
        return -1;
    }
    const long long shown = child.readAllStandardOutput().trimmed().toLongLong();
    return (shown - start) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--child")
        return Child(argc, argv);

    // A world of its own for every child: no settings, no stale work folders.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-startup-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    UseScratchHome(scratch.path());
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString minimal = QStringLiteral(MINIMAL_QT_PROGRAM);

    // One untimed start of each first: the first start after a build reads the libraries
    // from disk.
    if (RunChild(self, {QStringLiteral("--child")}) < 0 || RunChild(minimal, {}) < 0)
        return 1;
    const auto tamvik = [&] { return RunChild(self, {QStringLiteral("--child")}); };
    // The empty window as Qt sizes it, and at the main window's own size: in a first paint
    // every pixel of the window is written once, so the second is the like-for-like one.
    const bench::Pairs plain = bench::AbbaMeasured(Rounds, tamvik, [&] { return RunChild(minimal, {}); });
    const QString size = QStringLiteral("%1x%2").arg(WindowWidth).arg(WindowHeight);
    const bench::Pairs sized = bench::AbbaMeasured(Rounds, tamvik, [&] { return RunChild(minimal, {size}); });
    bench::Print("start-up to shown main window", "minimal Qt program, empty window at Qt's size", plain,
                 2.0);
    bench::Print("start-up to shown main window", "minimal Qt program, empty window at the same size", sized,
                 2.0);
    return 0;
}
