// The project editor's figures:
//  - a schedule of 200 trials x 99 presentations shown in and stored from the grid (ms);
//  - time per keystroke in a cell with 200 trials against 10 trials (ratio, flat is 1);
//  - 200 WAV files of 2.5 MB registered by a drop against cp of the same files (paired ratio).
#include "CountEditor.h"
#include "MainUnit.h"
#include "PairedRatios.h"
#include "ScratchHome.h"
#include "StringGrid.h"
#include "TamvikApplication.h"
#include "WavWriter.h"

#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLocale>
#include <QMimeData>
#include <QProcess>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void TypeCount(CountEdit* edit, int value) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::number(value));
    QTest::keyClick(edit, Qt::Key_Return);
}

// Milliseconds per keystroke typed into an open cell editor.
double KeystrokeMs(TfrmMain& w, int trials) {
    TypeCount(w.edtTrlNumber, trials);
    StringGrid* grid = w.asgdSchedule;
    const QModelIndex cell = grid->model()->index(trials / 2 + 1, 1);
    grid->setFocus();
    grid->setCurrentIndex(cell);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // opens the editor
    QWidget* editor = grid->indexWidget(cell);
    if (!editor)
        return -1;
    constexpr int Keys = 400;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Keys; ++i) {
        QTest::keyClick(editor, Qt::Key_1);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QCoreApplication::processEvents();
    }
    const double ms = t.nsecsElapsed() / 1e6 / (2 * Keys);
    QTest::keyClick(editor, Qt::Key_Escape);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-editor-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    const QString root = scratch.path() + QLatin1Char('/');
    UseScratchHome(scratch.path());
    TamvikApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    TfrmMain w;
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return 1;
    w.actPrjSdm->trigger();
    w.SetFullUser(true);

    // A large schedule shown and stored.
    TypeCount(w.edtTrlNumber, 200);
    TypeCount(w.edtPrsNumber, 99);
    std::vector<double> show, store;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        if (!w.ShowSchedule(0))
            return 1;
        QCoreApplication::processEvents();
        show.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        if (!w.StoreScheduleGrid(0))
            return 1;
        store.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("schedule 200 x 99: show %.1f ms, store %.1f ms (median of 7; goal < 200 ms)\n", Median(show),
                Median(store));

    // A keystroke costs the same whatever the schedule's size.
    TypeCount(w.edtPrsNumber, 2);
    std::vector<double> small, large;
    for (int round = 0; round < 5; ++round) {
        small.push_back(KeystrokeMs(w, 10));
        large.push_back(KeystrokeMs(w, 200));
    }
    std::printf("keystroke: %.3f ms at 10 trials, %.3f ms at 200 trials, ratio %.2f (goal about 1)\n",
                Median(small), Median(large), Median(large) / Median(small));

    // 200 WAV files of 2.5 MB dropped on the list, against cp of the same files.
    constexpr int Files = 200;
    const QString sources = root + QStringLiteral("wav/");
    QDir().mkpath(sources);
    QList<QUrl> urls;
    QStringList paths;
    const std::vector<uint8_t> samples(2500000 - 44, 0x11);
    for (int i = 0; i < Files; ++i) {
        const QString path = sources + QStringLiteral("s%1.wav").arg(i, 3, 10, QLatin1Char('0'));
        if (!WriteWav(path, WavLayout::pcm(2, 44100, 16), samples))
            return 1;
        urls << QUrl::fromLocalFile(path);
        paths << path;
    }
    w.deviceFormats = {{44100, 2}};
    StringGrid* list = w.asgdStimulus;
    QMimeData data;
    data.setUrls(urls);
    const QString copies = root + QStringLiteral("cp/");
    QDir().mkpath(copies);
    // Drops into a fresh project (its work folder empty) against cp into an emptied
    // folder, paired A-B-B-A so the page cache and other load meet both sides alike.
    const bench::Pairs pairs = bench::AbbaRounds(
        2,
        [&] {
            w.projectModified = false;
            w.actPrjSdm->trigger();
            TypeCount(w.edtStmNumber, Files);
        },
        [&] {
            const QPoint at = list->visualRect(list->model()->index(1, 1)).center();
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &enter);
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &drop);
            return !list->Cell(1, Files).isEmpty();
        },
        [&] {
            QDir(copies).removeRecursively();
            QDir().mkpath(copies);
        },
        [&] { return QProcess::execute(QStringLiteral("cp"), QStringList(paths) << copies) == 0; });
    bench::Print("drop of 200 WAV files of 2.5 MB", "cp of the same files", pairs, 1.5);
    return 0;
}
