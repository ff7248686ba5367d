// Opening the result window on a project of 100 results x 200 trials x 30 subjects: from
// the result command to the filled lists, pages and answer grid (goal: under 0.5 s).
// Prints the median of 5 openings.
#include "LargeResultProject.h"
#include "ResultCommand.h"
#include "ResultUnit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    const QString path = SaveLargeResultProjectIn(scratch);
    if (path.isEmpty())
        return 1;
    CProject project;
    project.SetFileName(path);
    if (!project.Open())
        return 1;

    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        TfrmResult window(nullptr);
        QElapsedTimer timer;
        timer.start();
        OpenResultsAsTheCommandDoes(window, project);
        window.sbtnCloseClick();
        window.show();
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
        window.hide();
    }
    std::sort(times.begin(), times.end());
    std::printf("result window opens in %.1f ms (median of 5)\n", times[times.size() / 2]);
    return 0;
}
