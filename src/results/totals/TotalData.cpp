#include "TotalData.h"

#include "Crsp.h"
#include "NumberFormat.h"
#include "ResultTexts.h"

#include <QHash>
#include <algorithm>
#include <stdexcept>

namespace {

QString SecondsPiece(double seconds, const ResultFormat& format) {
    return seconds < 0 ? QStringLiteral("Pause") : tamvik::FormatFixed(seconds, 1, format.decimalSeparator);
}

// Methods 2 and 3: the answer as an integer, -1 when it is none.
int DecodeAnswer(const QString& text) {
    int answer = -1;
    return tamvik::ParseInt(text, answer) ? answer : -1;
}

// ME: a number, or a/b as a quotient; -1 for an unusable quotient. Throws for a text that
// is neither, which fails the whole totaling.
double DecodeValue(const QString& text, QChar decimalSeparator) {
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    double value = 0;
    if (slash < 0) {
        if (!tamvik::ParseReal(text, value, decimalSeparator))
            throw std::runtime_error("not a number");
        return value;
    }
    const QString before = text.left(slash);
    const QString after = text.mid(slash + 1);
    if (!IsNumericText(before, decimalSeparator) || !IsNumericText(after, decimalSeparator))
        return -1.0;
    double numerator = 0;
    double denominator = 0;
    if (!tamvik::ParseReal(before, numerator, decimalSeparator) ||
        !tamvik::ParseReal(after, denominator, decimalSeparator) || denominator == 0)
        return -1.0;
    return numerator / denominator;
}

bool IsValid(const SUBJECTDATA& record, int method) {
    return method == 4 ? record.value >= 0.0 : record.answer >= 0;
}

QString ShownAnswer(const SUBJECTDATA& record, int method, const ResultFormat& format) {
    return method == 4 ? tamvik::FormatFixed(record.value, 3, format.decimalSeparator)
                       : tamvik::FormatInt(record.answer);
}

} // namespace

void MakeTrialKey(const CTrial& trial, int presentations, bool completeMatch, const ResultFormat& format,
                  QString& labelText, QString& keyText) {
    const QChar sep = format.listSeparator;
    labelText.clear();
    keyText.clear();
    auto stimulus = [&](int p) {
        const int number =
            p < static_cast<int>(trial.stimuli.size()) ? trial.stimuli[static_cast<size_t>(p)] : -1;
        labelText += format.Text("IDS_12") + tamvik::FormatInt(p + 1) + sep;
        keyText += tamvik::FormatInt(number) + sep;
    };
    if (!completeMatch) {
        for (int p = 0; p < presentations; ++p)
            stimulus(p);
        labelText.chop(1);
        keyText.chop(1);
        return;
    }
    labelText += format.Text("IDS_9") + sep;
    keyText +=
        (trial.repeatCount == -1 ? QStringLiteral("Infinite") : tamvik::FormatInt(trial.repeatCount)) + sep;
    labelText += format.Text("IDS_11") + sep;
    keyText += SecondsPiece(trial.startWait, format) + sep;
    for (int p = 0; p < presentations; ++p) {
        stimulus(p);
        if (p + 1 < presentations) {
            const double interval =
                p < static_cast<int>(trial.intervals.size()) ? trial.intervals[static_cast<size_t>(p)] : 0.0;
            labelText += format.Text("IDS_13") + tamvik::FormatInt(p + 1) + sep;
            keyText += SecondsPiece(interval, format) + sep;
        }
    }
    labelText += format.Text("IDS_14");
    keyText += SecondsPiece(trial.responseWait, format) + sep;
}

bool BuildTotalData(const std::vector<SelectedResult>& results, int method, bool completeMatch,
                    const ResultFormat& format, std::vector<TOTALDATA>& totalData) {
    std::vector<TOTALDATA> built;
    // Equal keys find their entry at once; entries are never removed, so the first entry
    // with a key is the only one.
    QHash<QString, size_t> entryOfKey;
    try {
        for (const SelectedResult& selected : results) {
            const CResponse& response = *selected.response;
            const CSchedule& schedule = response.schedule;
            std::vector<QString> subjectIds;
            subjectIds.reserve(response.terminalResponses.size());
            for (const CTerminalResponse& terminal : response.terminalResponses)
                subjectIds.push_back(SubjectIdText(format, terminal.id, terminal.id2));
            for (int t = 0; t < schedule.GetTrialCount(); ++t) {
                QString label;
                QString key;
                MakeTrialKey(schedule.trials[static_cast<size_t>(t)], schedule.GetStimulusCount(),
                             completeMatch, format, label, key);
                size_t target = 0;
                const auto found = entryOfKey.constFind(key);
                if (found != entryOfKey.constEnd()) {
                    target = found.value();
                } else {
                    target = built.size();
                    entryOfKey.insert(key, target);
                    built.push_back(TOTALDATA{selected.resultIndex, t, label, key, {}});
                }
                std::vector<SUBJECTDATA>& subjects = built[target].subjects;
                for (size_t a = 0; a < response.terminalResponses.size(); ++a) {
                    const std::vector<QString>& answers = response.terminalResponses[a].answers;
                    const QString text =
                        static_cast<size_t>(t) < answers.size() ? answers[static_cast<size_t>(t)] : QString();
                    SUBJECTDATA record;
                    record.subjectId = subjectIds[a];
                    if (method == 4)
                        record.value = DecodeValue(text, format.decimalSeparator);
                    else
                        record.answer = DecodeAnswer(text);
                    subjects.push_back(std::move(record));
                }
            }
        }
    } catch (const std::exception&) {
        return false;
    }
    totalData = std::move(built);
    return true;
}

ResultTable ShowTotalData(const std::vector<TOTALDATA>& totalData, int method, bool averageSameSubject,
                          const ResultFormat& format) {
    ResultTable table;
    table.fixedRows = 1;
    table.doubleHeaderRow = true;
    if (totalData.empty()) {
        table.SetSize(1, 1);
        return table;
    }
    const QStringList labels = SplitJoinedText(totalData.front().labelText, format.listSeparator);
    const int keyCols = static_cast<int>(labels.size());
    const int rows = 1 + static_cast<int>(totalData.size());
    table.fixedCols = keyCols;
    table.SetSize(keyCols + 1, rows);
    for (int c = 0; c < keyCols; ++c)
        table.cells.SetCell(c, 0, labels[c]);
    for (size_t e = 0; e < totalData.size(); ++e) {
        const QStringList keys = SplitJoinedText(totalData[e].keyText, format.listSeparator);
        for (int c = 0; c < keyCols && c < keys.size(); ++c)
            table.cells.SetCell(c, 1 + static_cast<int>(e), keys[c]);
    }

    if (averageSameSubject) {
        // Every record counts, so a result whose trials all fell into earlier entries
        // still gets its subjects' columns.
        std::vector<QString> ids;
        for (const TOTALDATA& entry : totalData)
            for (const SUBJECTDATA& record : entry.subjects)
                ids.push_back(record.subjectId);
        std::sort(ids.begin(), ids.end()); // by UTF-16 code units
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        QHash<QString, int> column;
        for (size_t j = 0; j < ids.size(); ++j)
            column.insert(ids[j], static_cast<int>(j));
        table.cells.SetColCount(keyCols + static_cast<int>(ids.size()));
        for (size_t j = 0; j < ids.size(); ++j)
            table.cells.SetCell(keyCols + static_cast<int>(j), 0, SubjectHeader(format, ids[j]));
        std::vector<double> sums(ids.size());
        std::vector<long long> intSums(ids.size());
        std::vector<int> counts(ids.size());
        for (size_t e = 0; e < totalData.size(); ++e) {
            std::fill(sums.begin(), sums.end(), 0.0);
            std::fill(intSums.begin(), intSums.end(), 0);
            std::fill(counts.begin(), counts.end(), 0);
            for (const SUBJECTDATA& record : totalData[e].subjects) {
                if (!IsValid(record, method))
                    continue;
                const int j = column.value(record.subjectId);
                if (method == 4)
                    sums[static_cast<size_t>(j)] += record.value;
                else
                    intSums[static_cast<size_t>(j)] += record.answer;
                ++counts[static_cast<size_t>(j)];
            }
            for (size_t j = 0; j < ids.size(); ++j) {
                if (counts[j] == 0)
                    continue;
                const double sum = method == 4 ? sums[j] : static_cast<double>(intSums[j]);
                table.cells.SetCell(keyCols + static_cast<int>(j), 1 + static_cast<int>(e),
                                    tamvik::FormatFixed(sum / counts[j], 3, format.decimalSeparator));
            }
        }
        return table;
    }

    // One block per result, as wide as the widest entry the result made, so that answers
    // that later results added to its entries never run into the next block.
    int total = 0;
    size_t e = 0;
    while (e < totalData.size()) {
        size_t end = e;
        size_t width = 0;
        while (end < totalData.size() && totalData[end].resultIndex == totalData[e].resultIndex) {
            width = std::max(width, totalData[end].subjects.size());
            ++end;
        }
        const int start = total;
        total += static_cast<int>(width);
        table.cells.SetColCount(keyCols + total);
        for (size_t k = 0; k < width; ++k) {
            for (size_t x = e; x < end; ++x) {
                if (k < totalData[x].subjects.size()) {
                    table.cells.SetCell(keyCols + start + static_cast<int>(k), 0,
                                        SubjectHeader(format, totalData[x].subjects[k].subjectId));
                    break;
                }
            }
        }
        for (size_t x = e; x < end; ++x) {
            const std::vector<SUBJECTDATA>& subjects = totalData[x].subjects;
            for (size_t k = 0; k < subjects.size(); ++k)
                table.cells.SetCell(keyCols + start + static_cast<int>(k), 1 + static_cast<int>(x),
                                    ShownAnswer(subjects[k], method, format));
        }
        e = end;
    }
    return table;
}
