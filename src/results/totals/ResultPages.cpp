#include "ResultPages.h"

#include "Cproject.h"
#include "DateTime.h"
#include "NumberFormat.h"
#include "ResultTexts.h"

#include <algorithm>

namespace {

QString IndexText(const ResultFormat& format, int index) {
    return format.Text("IDS_73") + QStringLiteral("%1").arg(index + 1, 2, 10, QLatin1Char('0'));
}

QString DateText(const ResultFormat& format, double days) {
    return tamvik::DaysToDateTime(days).toString(format.dateTimeFormat);
}

QString Seconds(double seconds, const ResultFormat& format) {
    return seconds == -1.0 ? QStringLiteral("Pause")
                           : tamvik::FormatFixed(seconds, 1, format.decimalSeparator);
}

} // namespace

ResultTable ResultListTable(CProject& project, const ResultFormat& format) {
    ResultTable table;
    const int count = project.GetResponseCount();
    table.SetSize(6, 1 + std::max(count, 1));
    const char* headers[] = {"IDS_93", "IDS_145", "IDS_146", "IDS_147", "IDS_95", "IDS_96"};
    for (int c = 0; c < 6; ++c)
        table.cells.SetCell(c, 0, format.Text(headers[c]));
    for (int i = 0; i < count; ++i) {
        const CResponse* response = project.GetResponse(i);
        const int row = 1 + i;
        table.cells.SetCell(0, row, IndexText(format, i));
        table.cells.SetCell(1, row, tamvik::FormatInt(response->stimuli.GetCount()));
        table.cells.SetCell(2, row, response->schedule.name);
        table.cells.SetCell(3, row, tamvik::FormatInt(response->schedule.GetTrialCount()));
        table.cells.SetCell(4, row,
                            tamvik::FormatInt(static_cast<long long>(response->terminalResponses.size())));
        table.cells.SetCell(5, row, DateText(format, response->date));
    }
    return table;
}

ResultTable QuestionnaireListTable(CProject& project, const ResultFormat& format) {
    ResultTable table;
    const int count = project.GetQuestionnaireResultsCount();
    table.SetSize(4, 1 + std::max(count, 1));
    const char* headers[] = {"IDS_93", "IDS_94", "IDS_95", "IDS_96"};
    for (int c = 0; c < 4; ++c)
        table.cells.SetCell(c, 0, format.Text(headers[c]));
    for (int i = 0; i < count; ++i) {
        const CQuestionnaireResults* set = project.GetQuestionnaireResults(i);
        const int row = 1 + i;
        table.cells.SetCell(0, row, IndexText(format, i));
        table.cells.SetCell(1, row, tamvik::FormatInt(set->GetQuestionnaire()->GetTermCount()));
        table.cells.SetCell(2, row, tamvik::FormatInt(set->GetResultCount()));
        table.cells.SetCell(3, row, DateText(format, set->time));
    }
    return table;
}

ResultTable StimulusPageTable(const CResponse& response, const ResultFormat& format) {
    ResultTable table;
    table.fixedCols = 1;
    const CStimuli& stimuli = response.stimuli;
    table.SetSize(3, 1 + stimuli.GetCount());
    table.cells.SetCell(1, 0, format.Text("IDS_130"));
    table.cells.SetCell(2, 0, format.Text("IDS_131"));
    for (int i = 0; i < stimuli.GetCount(); ++i) {
        table.cells.SetCell(0, 1 + i, format.Text("IDS_12") + tamvik::FormatInt(i + 1));
        table.cells.SetCell(1, 1 + i, SourceFileName(stimuli[i].orgFileName));
        table.cells.SetCell(2, 1 + i, stimuli[i].comment);
    }
    return table;
}

ResultTable SchedulePageTable(const CResponse& response, const ResultFormat& format) {
    ResultTable table;
    table.fixedCols = 1;
    table.doubleHeaderRow = true;
    const CSchedule& schedule = response.schedule;
    const int P = schedule.GetStimulusCount();
    const bool training = response.experimentParameter.GetMethod() == 0;
    // repeats, start, P stimuli with P - 1 intervals between, limit, [correct]
    const int cols = 1 + 2 + (P > 0 ? 2 * P - 1 : 0) + 1 + (training ? 1 : 0);
    table.SetSize(cols, 1 + schedule.GetTrialCount());
    GridData& cells = table.cells;
    cells.SetCell(1, 0, format.Text("IDS_133"));
    cells.SetCell(2, 0, format.Text("IDS_134"));
    auto stimulusCol = [](int k) { return 3 + 2 * k; };
    for (int k = 0; k < P; ++k) {
        cells.SetCell(stimulusCol(k), 0,
                      format.Text("IDS_12") + tamvik::FormatInt(k + 1) + QStringLiteral("\r\n[ID]"));
        if (k + 1 < P)
            cells.SetCell(stimulusCol(k) + 1, 0,
                          format.Text("IDS_13") + tamvik::FormatInt(k + 1) + format.Text("IDS_139"));
    }
    const int limitCol = 3 + (P > 0 ? 2 * P - 1 : 0);
    cells.SetCell(limitCol, 0, format.Text("IDS_135"));
    if (training)
        cells.SetCell(limitCol + 1, 0, format.Text("IDS_136"));
    for (int t = 0; t < schedule.GetTrialCount(); ++t) {
        const CTrial& trial = schedule.trials[static_cast<size_t>(t)];
        const int row = 1 + t;
        cells.SetCell(0, row, format.Text("IDS_39") + tamvik::FormatInt(t + 1));
        cells.SetCell(1, row,
                      trial.repeatCount == -1 ? QStringLiteral("Infinity")
                                              : tamvik::FormatInt(trial.repeatCount));
        cells.SetCell(2, row, Seconds(trial.startWait, format));
        for (int k = 0; k < P; ++k) {
            const int number =
                k < static_cast<int>(trial.stimuli.size()) ? trial.stimuli[static_cast<size_t>(k)] : -1;
            if (number >= 1)
                cells.SetCell(stimulusCol(k), row, tamvik::FormatInt(number));
            if (k + 1 < P && k < static_cast<int>(trial.intervals.size()))
                cells.SetCell(stimulusCol(k) + 1, row,
                              Seconds(trial.intervals[static_cast<size_t>(k)], format));
        }
        cells.SetCell(limitCol, row, Seconds(trial.responseWait, format));
        if (training)
            cells.SetCell(limitCol + 1, row, tamvik::FormatInt(trial.correctAnswer));
    }
    return table;
}

ResultTable ButtonsTable(const CExperimentParameter& parameter, const ResultFormat& format) {
    ResultTable table;
    table.fixedCols = 1;
    auto captions = [&](const std::vector<QString>& labels) {
        table.SetSize(2, 1 + static_cast<int>(labels.size()));
        table.cells.SetCell(1, 0, format.Text("IDS_108"));
        for (size_t i = 0; i < labels.size(); ++i) {
            table.cells.SetCell(0, 1 + static_cast<int>(i), tamvik::FormatInt(static_cast<long long>(i) + 1));
            table.cells.SetCell(1, 1 + static_cast<int>(i), labels[i]);
        }
    };
    switch (parameter.GetMethod()) {
    case 0:
        captions(parameter.GetTraining()->buttonLabels);
        break;
    case 1: {
        const auto& scales = parameter.GetSD()->scales;
        table.SetSize(3, 1 + static_cast<int>(scales.size()));
        table.cells.SetCell(1, 0, format.Text("IDS_113"));
        table.cells.SetCell(2, 0, format.Text("IDS_114"));
        for (size_t i = 0; i < scales.size(); ++i) {
            const int row = 1 + static_cast<int>(i);
            table.cells.SetCell(0, row, tamvik::FormatInt(static_cast<long long>(i) + 1));
            table.cells.SetCell(1, row, scales[i].left);
            table.cells.SetCell(2, row, scales[i].right);
        }
        break;
    }
    case 2: {
        const auto& labels = parameter.GetPair()->buttonLabels;
        table.fixedCols = 0;
        table.SetSize(2, 2);
        table.cells.SetCell(0, 0, format.Text("IDS_119"));
        table.cells.SetCell(1, 0, format.Text("IDS_120"));
        for (size_t i = 0; i < labels.size() && i < 2; ++i)
            table.cells.SetCell(static_cast<int>(i), 1, labels[i]);
        break;
    }
    case 3:
        captions(parameter.GetCategory()->buttonLabels);
        break;
    default:
        table.SetSize(1, 1);
        break;
    }
    return table;
}

ResultTable ResultDataTable(const CResponse& response, const ResultFormat& format) {
    ResultTable table;
    table.fixedCols = 1;
    table.doubleHeaderRow = true;
    const auto& terminals = response.terminalResponses;
    const int K = static_cast<int>(terminals.size());
    int answerRows = 0;
    for (const CTerminalResponse& terminal : terminals)
        answerRows = std::max(answerRows, static_cast<int>(terminal.answers.size()));
    table.SetSize(1 + K, 1 + answerRows);
    GridData& cells = table.cells;
    for (int j = 0; j < K; ++j) {
        const CTerminalResponse& terminal = terminals[static_cast<size_t>(j)];
        cells.SetCell(1 + j, 0, SubjectHeader(format, SubjectIdText(format, terminal.id, terminal.id2)));
        for (size_t a = 0; a < terminal.answers.size(); ++a)
            cells.SetCell(1 + j, 1 + static_cast<int>(a), terminal.answers[a]);
    }
    for (int r = 0; r < answerRows; ++r)
        cells.SetCell(0, 1 + r, format.Text("IDS_39") + tamvik::FormatInt(r + 1));
    if (response.experimentParameter.GetMethod() != 0)
        return table;

    // The Correct % summary: a column per trial, a row per subject.
    const QChar sep = format.decimalSeparator;
    const int percentCol = 1 + K;
    const int correctCol = 2 + K;
    const int summaryRow = 1 + answerRows;
    table.SetSize(3 + K, 2 + answerRows);
    cells.SetCell(percentCol, 0, format.Text("IDS_158"));
    cells.SetCell(correctCol, 0, format.Text("IDS_136"));
    cells.SetCell(0, summaryRow, format.Text("IDS_158"));
    const auto& trials = response.schedule.trials;
    const int trialCount = static_cast<int>(trials.size());
    std::vector<int> correctOfSubject(static_cast<size_t>(K));
    for (int t = 0; t < trialCount && t < answerRows; ++t) {
        const QString correct = tamvik::FormatInt(trials[static_cast<size_t>(t)].correctAnswer);
        cells.SetCell(correctCol, 1 + t, correct);
        int hits = 0;
        for (int j = 0; j < K; ++j) {
            if (cells.Cell(1 + j, 1 + t) == correct) {
                ++hits;
                ++correctOfSubject[static_cast<size_t>(j)];
            }
        }
        if (K > 0)
            cells.SetCell(percentCol, 1 + t, tamvik::FormatFixed(100.0 * hits / K, 2, sep));
    }
    if (trialCount == 0)
        return table;
    float sum = 0.0f;
    int count = 0;
    for (int j = 0; j < K; ++j) {
        const QString text =
            tamvik::FormatFixed(100.0 * correctOfSubject[static_cast<size_t>(j)] / trialCount, 2, sep);
        cells.SetCell(1 + j, summaryRow, text);
        double value = 0;
        if (tamvik::ParseReal(text, value, sep)) {
            sum += static_cast<float>(value);
            ++count;
        }
    }
    if (count > 0)
        cells.SetCell(percentCol, summaryRow, tamvik::FormatFixed(static_cast<double>(sum) / count, 2, sep));
    return table;
}

ResultTable QuestionnaireDataTable(const CQuestionnaireResults& results, const ResultFormat& format) {
    ResultTable table;
    table.fixedCols = 2;
    const CQuestionnaire* questionnaire = results.GetQuestionnaire();
    const int items = questionnaire->GetTermCount();
    const int respondents = results.GetResultCount();
    table.SetSize(2 + items, 1 + respondents);
    GridData& cells = table.cells;
    cells.SetCell(1, 0, format.Text("IDS_54"));
    for (int k = 0; k < items; ++k)
        cells.SetCell(2 + k, 0, questionnaire->GetTerm(k)->itemName);
    for (int i = 0; i < respondents; ++i) {
        const CQuestionnaireResult* respondent = results.GetResult(i);
        const int row = 1 + i;
        cells.SetCell(0, row, format.Text("IDS_89") + tamvik::FormatInt(i + 1));
        const QString id = SubjectIdText(format, respondent->id, respondent->id2);
        cells.SetCell(1, row, id.isEmpty() ? format.Text("IDS_57") : id);
        for (size_t k = 0; k < respondent->answers.size() && static_cast<int>(k) < items; ++k)
            cells.SetCell(2 + static_cast<int>(k), row, respondent->answers[k]);
    }
    return table;
}
