// Export of a 100-result project (200 trials x 30 answerers each) as the result window
// writes it: the answers of every result in one grid (20001 rows x 31 columns) and the
// per-result totals grid, each as CSV (headings flattened) and as XLSX, timed against a
// plain loop that writes the same cells as UTF-16 text into a file and flushes it, in the
// same run. Prints the median times and the median ratios (goals: CSV <= 1.5, XLSX <= 3).
// Usage: bench_results_export [scratch folder]
#include "CsvWriter.h"
#include "LargeResultProject.h"
#include "ResultExport.h"
#include "ResultPages.h"
#include "TotalData.h"
#include "XlsxWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

// The answer grids of all results one below the other, under the first one's headings.
GridData AllAnswers(CProject& project, const ResultFormat& format) {
    GridData all;
    int row = 0;
    for (int i = 0; i < project.GetResponseCount(); ++i) {
        const ResultTable table = ResultDataTable(*project.GetResponse(i), format);
        const int first = i == 0 ? 0 : table.fixedRows;
        all.SetColCount(std::max(all.ColCount(), table.cells.ColCount()));
        all.SetRowCount(row + table.cells.RowCount() - first);
        for (int r = first; r < table.cells.RowCount(); ++r, ++row)
            for (int c = 0; c < table.cells.ColCount(); ++c)
                all.SetCell(c, row, table.Cell(c, r));
    }
    return all;
}

// The reference: every cell and a separator as UTF-16 into a new file, flushed to disk.
bool PlainWrite(const QString& path, const GridData& cells) {
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (int r = 0; r < cells.RowCount(); ++r)
        for (int c = 0; c < cells.ColCount(); ++c) {
            const QString& text = cells.Cell(c, r);
            bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2).append(",\0", 2);
        }
    return file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeMs(const std::function<bool()>& work) {
    QElapsedTimer timer;
    timer.start();
    if (!work())
        std::fprintf(stderr, "a write failed\n");
    return timer.nsecsElapsed() / 1e6;
}

// The three writes take turns in every round, so a busy machine slows them alike; the
// ratios are the medians of each round's ratios.
void Measure(const char* name, const GridData& cells, const QString& folder, const ResultFormat& format) {
    std::vector<double> plain, csv, xlsx, csvRatio, xlsxRatio;
    for (int round = 0; round < 9; ++round) {
        plain.push_back(TimeMs([&] { return PlainWrite(folder + "/plain.txt", cells); }));
        // As the window does: a copy of the shown cells, flattened for CSV.
        csv.push_back(TimeMs([&] {
            GridData shown = cells;
            FlattenHeaderRow(shown, 1, format);
            return CsvWriter::Write(folder + "/export.csv", shown);
        }));
        xlsx.push_back(TimeMs([&] {
            const GridData shown = cells;
            return XlsxWriter::Write(folder + "/export.xlsx",
                                     {{QStringLiteral("Export Data"), &shown, {}, 0}});
        }));
        csvRatio.push_back(csv.back() / plain.back());
        xlsxRatio.push_back(xlsx.back() / plain.back());
    }
    std::printf(
        "%s (%d x %d): plain %.1f ms, CSV %.1f ms (ratio %.2f, goal <= 1.5), XLSX %.1f ms (ratio %.2f, "
        "goal <= 3)\n",
        name, cells.RowCount(), cells.ColCount(), Median(plain), Median(csv), Median(csvRatio), Median(xlsx),
        Median(xlsxRatio));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QTemporaryDir scratch(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/bench-XXXXXX"
                                         : QDir::tempPath() + "/bench-XXXXXX");
    const QString path = SaveLargeResultProjectIn(scratch);
    CProject project;
    project.SetFileName(path);
    if (path.isEmpty() || !project.Open())
        return 1;
    const ResultFormat format = results_fixture::EnglishFormat();

    Measure("answers of 100 results", AllAnswers(project, format), scratch.path(), format);

    std::vector<SelectedResult> selected;
    for (int i = 0; i < project.GetResponseCount(); ++i)
        selected.push_back({i, project.GetResponse(i)});
    std::vector<TOTALDATA> data;
    if (!BuildTotalData(selected, 3, true, format, data))
        return 1;
    Measure("totals per result", ShowTotalData(data, 3, false, format).cells, scratch.path(), format);
    return 0;
}
