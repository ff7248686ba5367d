// Totals by result of 500 results x 100 trials x 30 subjects, whose trials share their keys
// (a table of 15,004 columns x 101 rows): computing them, against computing them and
// showing them in the result window's totals grid, laid out and painted (offscreen), in
// the same run, after the user has scrolled earlier totals (so the grid keeps its fixed
// cells in view over the scrolled ones). Prints the ratio show / compute (goal <= 1.5).
// Usage: [NOSCROLL=1] bench_results_totals_show   (QT_QPA_PLATFORM=offscreen without a
// display); NOSCROLL leaves the earlier totals unscrolled.
#include "PairedRatios.h"

#include "Cproject.h"
#include "ResultCommand.h"
#include "ResultFixtures.h"
#include "ResultUnit.h"
#include "StringGrid.h"
#include "TotalData.h"

#include <QApplication>
#include <cstdlib>
#include <vector>

namespace {

constexpr int Results = 500;
constexpr int Trials = 100;
constexpr int Subjects = 30;
constexpr int Method = 3; // category

void AddResults(CProject& project) {
    for (int i = 0; i < Results; ++i) {
        std::vector<CTrial> schedule;
        for (int t = 0; t < Trials; ++t)
            schedule.push_back(results_fixture::Trial({t + 1}));
        std::vector<results_fixture::Subject> subjects;
        for (int s = 0; s < Subjects; ++s) {
            std::vector<QString> answers;
            for (int t = 0; t < Trials; ++t)
                answers.push_back(QString::number((s + t + i) % 5 + 1));
            subjects.push_back({QStringLiteral("S%1").arg(s), answers});
        }
        results_fixture::Fill(*project.AddResponse(), Method, std::move(schedule), subjects);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CProject project;
    if (!project.New())
        return 1;
    project.SetMethod(Method);
    AddResults(project);

    // The window as the result command opens it, every result selected.
    TfrmResult window(nullptr);
    OpenResultsAsTheCommandDoes(window, project);
    window.resize(1024, 768);
    window.show();
    QApplication::processEvents();
    StringGrid* list = window.asgdRstList;
    list->SetSelection(QRect(QPoint(list->FixedCols(), list->FixedRows()),
                             QPoint(list->ColCount() - 1, list->RowCount() - 1)));
    const ResultFormat format = window.Format();

    std::vector<SelectedResult> selected;
    for (int i = 0; i < project.GetResponseCount(); ++i)
        selected.push_back({i, project.GetResponse(i)});

    // A user who totals again has scrolled the last totals: the grid keeps its fixed cells
    // in view from then on.
    if (!window.BuildTotalData(Method, true))
        return 1;
    window.ShowTotalData(Method, false);
    window.pnlTotalData->show();
    QApplication::processEvents();
    if (std::getenv("NOSCROLL") == nullptr)
        window.asgdTtlData->scrollToBottom();
    QApplication::processEvents();

    int cols = 0;
    int rows = 0;
    const bench::Pairs pairs = bench::AbbaRounds(
        3,
        [&] {
            // Each showing starts from the result view, as a new totaling does.
            window.sbtnCloseClick();
            QApplication::processEvents();
        },
        [&] {
            if (!window.BuildTotalData(Method, true))
                return false;
            window.ShowTotalData(Method, false);
            window.pnlTotalData->show();
            QApplication::processEvents();
            window.asgdTtlData->viewport()->repaint();
            cols = window.asgdTtlData->ColCount();
            rows = window.asgdTtlData->RowCount();
            return window.asgdTtlData->isVisible();
        },
        [] {},
        [&] {
            std::vector<TOTALDATA> data;
            if (!BuildTotalData(selected, Method, true, format, data))
                return false;
            const ResultTable table = ShowTotalData(data, Method, false, format);
            return table.cells.ColCount() > 1;
        });
    std::printf("by-result totals grid %d columns x %d rows\n", cols, rows);
    bench::Print("totals by result computed and shown", "computed", pairs, 1.5);
    return 0;
}
