// Totals of 100 results x 200 trials x 30 subjects (both layouts, complete match),
// timed against opening the project that holds them, in the same run. Prints the median
// times and the ratio totals / open (goal: totals under 1 s).
#include "LargeResultProject.h"
#include "TotalData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    const QString path = SaveLargeResultProjectIn(scratch);
    if (path.isEmpty())
        return 1;

    const ResultFormat format = results_fixture::EnglishFormat();
    std::vector<double> opens;
    std::vector<double> totals;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        CProject project;
        project.SetFileName(path);
        if (!project.Open())
            return 1;
        opens.push_back(timer.nsecsElapsed() / 1e6);

        std::vector<SelectedResult> selected;
        for (int i = 0; i < project.GetResponseCount(); ++i)
            selected.push_back({i, project.GetResponse(i)});
        timer.restart();
        std::vector<TOTALDATA> data;
        if (!BuildTotalData(selected, 3, true, format, data))
            return 1;
        const ResultTable averaged = ShowTotalData(data, 3, true, format);
        const ResultTable byResult = ShowTotalData(data, 3, false, format);
        totals.push_back(timer.nsecsElapsed() / 1e6);
        if (averaged.cells.RowCount() < 2 || byResult.cells.ColCount() < 2)
            return 1;
    }
    const double open = Median(opens);
    const double total = Median(totals);
    std::printf("open %.1f ms, totals %.1f ms, totals/open %.2f\n", open, total, total / open);
    return 0;
}
