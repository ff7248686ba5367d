// The start-up reference: the least a Qt Widgets program does to show a main window. It
// prints the wall-clock time (CLOCK_REALTIME, ns) at which its window was first exposed.
// With "WIDTHxHEIGHT" as its argument the empty window is shown at that size, so that its
// first paint fills as many pixels as the measured program's window does.
#include <QApplication>
#include <QMainWindow>
#include <QWindow>
#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    if (argc > 1) {
        const QList<QByteArray> size = QByteArray(argv[1]).split('x');
        if (size.size() == 2)
            window.resize(size[0].toInt(), size[1].toInt());
    }
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::printf("%lld\n", static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
    return 0;
}
