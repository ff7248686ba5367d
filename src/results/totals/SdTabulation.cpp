#include "SdTabulation.h"

#include "Crsp.h"
#include "NumberFormat.h"
#include "ResultTexts.h"

QString GetSDScaleValue(const QString& answer, int scaleIndex) {
    const qsizetype count = answer.size() - answer.count(QLatin1Char('-'));
    if (scaleIndex < 0 || scaleIndex >= count)
        return QString();
    qsizetype p = 0;
    for (int i = 0; p < answer.size(); ++i) {
        const qsizetype width = answer[p] == QLatin1Char('-') ? 2 : 1;
        if (i == scaleIndex)
            return answer.mid(p, width);
        p += width;
    }
    return QString();
}

QString SDNodeWord(int layout, const ResultFormat& format) {
    return format.Text(layout == 2 ? "IDS_187" : "IDS_39");
}

QString SDScaleCaption(const CSDScale& scale) {
    if (scale.left.isEmpty())
        return scale.right;
    if (scale.right.isEmpty())
        return scale.left;
    return scale.left + QStringLiteral(" <-> ") + scale.right;
}

QString SDCellValue(const CTerminalResponse& terminal, int trial, int scale) {
    const QString answer = trial >= 0 && trial < static_cast<int>(terminal.answers.size())
                               ? terminal.answers[static_cast<size_t>(trial)]
                               : QString();
    return answer.isEmpty() ? QString() : GetSDScaleValue(answer, scale);
}

namespace {

QString SubjectRowLabel(const ResultFormat& format, const CTerminalResponse& terminal) {
    const QString id = SubjectIdText(format, terminal.id, terminal.id2);
    return id.isEmpty() ? format.Text("IDS_41") : format.Text("IDS_42") + id;
}

// A terminal's answer to a trial; "" for an answer that was never stored.
const QString& Answer(const CTerminalResponse& terminal, int trial) {
    static const QString none;
    return trial < static_cast<int>(terminal.answers.size()) ? terminal.answers[static_cast<size_t>(trial)]
                                                             : none;
}

// The values of one scale run together, a blank standing for each empty answer.
QString RunTogether(const CTerminalResponse& terminal, int trial, int scale) {
    const QString& answer = Answer(terminal, trial);
    return answer.isEmpty() ? QStringLiteral(" ") : GetSDScaleValue(answer, scale);
}

} // namespace

ResultTable ShowSDTotals(const CResponse& response, int layout, const ResultFormat& format) {
    ResultTable table;
    table.fixedCols = 0;
    table.fixedRows = 1;
    const CExpSD* sd = response.experimentParameter.GetSD();
    const int L = sd ? static_cast<int>(sd->scales.size()) : 0;
    const int K = static_cast<int>(response.terminalResponses.size());
    const int T = response.schedule.GetTrialCount();
    const auto& terminals = response.terminalResponses;
    auto scaleCaption = [&](int s) { return SDScaleCaption(sd->scales[static_cast<size_t>(s)]); };
    auto trialLabel = [&](int t) { return format.Text("IDS_39") + tamvik::FormatInt(t + 1); };
    GridData& cells = table.cells;

    switch (layout) {
    case 0:
        table.SetSize(2 + K, 1 + T * (L + 1));
        table.doubleHeaderRow = true;
        for (int j = 0; j < K; ++j)
            cells.SetCell(2 + j, 0,
                          SubjectHeader(format, SubjectIdText(format, terminals[static_cast<size_t>(j)].id,
                                                              terminals[static_cast<size_t>(j)].id2)));
        for (int t = 0; t < T; ++t) {
            const int g = 1 + t * (L + 1);
            cells.SetCell(1, g, trialLabel(t));
            for (int j = 0; j < K; ++j)
                cells.SetCell(2 + j, g, Answer(terminals[static_cast<size_t>(j)], t));
            for (int s = 0; s < L; ++s) {
                cells.SetCell(1, g + 1 + s, scaleCaption(s));
                for (int j = 0; j < K; ++j)
                    cells.SetCell(2 + j, g + 1 + s, SDCellValue(terminals[static_cast<size_t>(j)], t, s));
            }
            table.groups.push_back({g, L + 1});
        }
        break;
    case 1:
        table.SetSize(2 + L, 1 + T * (K + 1));
        for (int s = 0; s < L; ++s)
            cells.SetCell(2 + s, 0, scaleCaption(s));
        for (int t = 0; t < T; ++t) {
            const int g = 1 + t * (K + 1);
            cells.SetCell(1, g, trialLabel(t));
            for (int s = 0; s < L; ++s) {
                QString run;
                for (int j = 0; j < K; ++j)
                    run += RunTogether(terminals[static_cast<size_t>(j)], t, s);
                cells.SetCell(2 + s, g, run);
            }
            for (int j = 0; j < K; ++j) {
                cells.SetCell(1, g + 1 + j, SubjectRowLabel(format, terminals[static_cast<size_t>(j)]));
                for (int s = 0; s < L; ++s)
                    cells.SetCell(2 + s, g + 1 + j, SDCellValue(terminals[static_cast<size_t>(j)], t, s));
            }
            table.groups.push_back({g, K + 1});
        }
        break;
    case 2:
        table.SetSize(2 + L, 1 + K * (T + 1));
        for (int s = 0; s < L; ++s)
            cells.SetCell(2 + s, 0, scaleCaption(s));
        for (int j = 0; j < K; ++j) {
            const CTerminalResponse& terminal = terminals[static_cast<size_t>(j)];
            const int g = 1 + j * (T + 1);
            cells.SetCell(1, g, SubjectRowLabel(format, terminal));
            for (int s = 0; s < L; ++s) {
                QString run;
                for (int t = 0; t < T; ++t)
                    run += RunTogether(terminal, t, s);
                cells.SetCell(2 + s, g, run);
            }
            for (int t = 0; t < T; ++t) {
                cells.SetCell(1, g + 1 + t, trialLabel(t));
                for (int s = 0; s < L; ++s)
                    cells.SetCell(2 + s, g + 1 + t, SDCellValue(terminal, t, s));
            }
            table.groups.push_back({g, T + 1});
        }
        break;
    default:
        table.SetSize(2, 1);
        break;
    }
    return table;
}
