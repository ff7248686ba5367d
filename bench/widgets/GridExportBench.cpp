// Export of the data grids of 100 results (200 trials x 30 answerers each, one grid of
// 20001 rows x 31 columns) as CSV and as XLSX, each timed against a plain loop that
// writes the same cells as UTF-16 text into a file and flushes it to disk, in the same
// run; then printing 50 pages of the grid to PDF. Prints the median times and the
// ratios (goals: CSV <= 1.5, XLSX <= 3, print < 5 s).
// Usage: bench_grid_export [scratch folder]   (QT_QPA_PLATFORM=offscreen without a display)
#include "CsvWriter.h"
#include "GridPrinter.h"
#include "XlsxWriter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Results = 100;
constexpr int Trials = 200;
constexpr int Answerers = 30;
constexpr int Rounds = 5;

GridData ResultCells() {
    GridData d;
    d.SetColCount(Answerers + 1);
    d.SetRowCount(Results * Trials + 1);
    for (int c = 1; c <= Answerers; ++c)
        d.SetCell(c, 0, QString("SubjectID\n%1").arg(c));
    for (int r = 1; r < d.RowCount(); ++r) {
        d.SetCell(0, r, QString::number((r - 1) % Trials + 1));
        for (int c = 1; c <= Answerers; ++c)
            d.SetCell(c, r, QString::number((r * 7 + c * 13) % 9 + 1));
    }
    return d;
}

// The reference: every cell with a separator, as UTF-16, into one file, flushed.
bool PlainLoop(const QString& path, const GridData& d) {
    QFile::remove(path); // a new file each time, as the exports write
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray buffer;
    for (int r = 0; r < d.RowCount(); ++r)
        for (int c = 0; c < d.ColCount(); ++c) {
            const QString& cell = d.Cell(c, r);
            buffer.append(reinterpret_cast<const char*>(cell.utf16()), cell.size() * 2);
            buffer.append(",\0", 2);
        }
    return f.write(buffer) == buffer.size() && f.flush() && ::fsync(f.handle()) == 0;
}

double MedianMs(const std::function<bool()>& work) {
    std::vector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer t;
        t.start();
        if (!work())
            std::fprintf(stderr, "a write failed\n");
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir scratch(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/bench-XXXXXX"
                                   : QDir::tempPath() + "/bench-XXXXXX");
    if (!scratch.isValid())
        return 1;
    const GridData data = ResultCells();
    const QString plain = scratch.filePath("plain.txt");
    const QString csv = scratch.filePath("results.csv");
    const QString xlsx = scratch.filePath("results.xlsx");

    const double plainMs = MedianMs([&] { return PlainLoop(plain, data); });
    const double csvMs = MedianMs([&] { return CsvWriter::Write(csv, data); });
    const double xlsxMs = MedianMs([&] { return XlsxWriter::Write(xlsx, {{"Export Data", &data, {}, 0}}); });
    std::printf(
        "plain loop %.1f ms, CSV %.1f ms (ratio %.2f, goal <= 1.5), XLSX %.1f ms (ratio %.2f, goal <= 3)\n",
        plainMs, csvMs, csvMs / plainMs, xlsxMs, xlsxMs / plainMs);

    // 50 pages: as many rows as 50 pages hold.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(scratch.filePath("print.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    GridData rows = data;
    rows.SetRowCount(1001);
    const int probePages = GridPrinter(rows, 1, 1).PageCount(printer);
    const int perPage = (1000 + probePages - 1) / probePages;
    rows.SetRowCount(1 + perPage * 50);
    GridPrinter grid(rows, 1, 1);
    grid.SetTitleLines({"results.tmv - Result data", "Study   Operator"});
    QElapsedTimer t;
    t.start();
    const bool printed = grid.Print(printer);
    std::printf("printing %d pages to PDF: %.2f s (goal < 5 s)%s\n", grid.PageCount(printer),
                t.nsecsElapsed() / 1e9, printed ? "" : " FAILED");
    return 0;
}
