#include "TrainingTotals.h"

#include "Cproject.h"
#include "NumberFormat.h"
#include "ResultTexts.h"

#include <QHash>
#include <algorithm>
#include <stdexcept>

bool ReadSubjectDatabase(const QString& path, const ResultFormat& format, SubjectDatabase& database) {
    CProject project; // removes its work folder whatever happens
    project.SetFileName(path);
    try {
        if (!project.Open())
            return false;
    } catch (const std::exception&) {
        return false;
    }
    if (project.GetQuestionnaireResultsCount() == 0)
        return false;
    const CQuestionnaireResults* set = project.GetQuestionnaireResults(0);
    std::vector<SUBJECTRATIO> rows;
    for (int i = 0; i < set->GetResultCount(); ++i) {
        const CQuestionnaireResult* respondent = set->GetResult(i);
        SUBJECTRATIO row;
        if (format.textSubjectIds) {
            int packed = 0;
            if (!tamvik::ParseInt(project.GetGeneral()->comment, packed))
                throw std::runtime_error("the subject database's comment is not an integer");
            if (packed != 0) {
                row.subjectLabel = SubjectIdText(format, respondent->id, respondent->id2);
            } else if (respondent->id >= 0) {
                row.subjectLabel = tamvik::FormatInt(respondent->id);
            }
        } else if (respondent->id >= 0) {
            row.subjectLabel = tamvik::FormatInt(respondent->id);
        }
        row.attributes = respondent->answers;
        rows.push_back(std::move(row));
    }
    QStringList items{format.Text("IDS_54")};
    const CQuestionnaire* questionnaire = set->GetQuestionnaire();
    for (int k = 0; k < questionnaire->GetTermCount(); ++k) {
        const QString& name = questionnaire->GetTerm(k)->itemName;
        items << (name.contains(format.Text("IDS_55")) ? format.Text("IDS_56") : name);
    }
    database.rows = std::move(rows);
    database.items = items;
    return true;
}

TRNSUBDATA BuildTrainingRatios(const std::vector<SelectedResult>& results, const SubjectDatabase& database,
                               int attributeCount, const ResultFormat& format) {
    TRNSUBDATA data;
    QHash<QString, size_t> subjectOfLabel;
    QHash<QString, size_t> lastRowOfId;
    for (size_t r = 0; r < database.rows.size(); ++r)
        lastRowOfId.insert(database.rows[r].subjectLabel, r); // the last equal row wins
    bool anyBuilt = false;
    for (const SelectedResult& selected : results) {
        const CResponse& response = *selected.response;
        const std::vector<CTrial>& trials = response.schedule.trials;
        for (const CTerminalResponse& terminal : response.terminalResponses) {
            QString id = SubjectIdText(format, terminal.id, terminal.id2);
            if (id.isEmpty())
                id = format.Text("IDS_57");
            const QString label = format.Text("IDS_17") + id;
            std::vector<float> values;
            values.reserve(terminal.answers.size());
            for (size_t t = 0; t < terminal.answers.size(); ++t) {
                // An answer without a trial has nothing to be right about.
                const bool correct =
                    t < trials.size() && terminal.answers[t] == tamvik::FormatInt(trials[t].correctAnswer);
                values.push_back(correct ? 100.0f : 0.0f);
            }
            data.trialCount = static_cast<int>(values.size());
            anyBuilt = true;
            const auto found = subjectOfLabel.constFind(label);
            if (found == subjectOfLabel.constEnd()) {
                SUBJECTRATIO subject;
                subject.subjectLabel = label;
                const auto row = lastRowOfId.constFind(id);
                if (row != lastRowOfId.constEnd())
                    subject.attributes = database.rows[row.value()].attributes;
                else
                    subject.attributes.assign(static_cast<size_t>(std::max(attributeCount, 0)), QString());
                subject.trainings.push_back(std::move(values));
                subject.resultIndices.push_back(selected.resultIndex);
                subjectOfLabel.insert(label, data.subjects.size());
                data.subjects.push_back(std::move(subject));
            } else {
                SUBJECTRATIO& subject = data.subjects[found.value()];
                subject.trainings.push_back(std::move(values));
                subject.resultIndices.push_back(selected.resultIndex);
            }
        }
    }
    if (!anyBuilt)
        data.trialCount = 0;
    for (const SUBJECTRATIO& subject : data.subjects)
        data.mostTrainings = std::max(data.mostTrainings, static_cast<int>(subject.trainings.size()));
    return data;
}

namespace {

QString Attribute(const SUBJECTRATIO& subject, int item) {
    const int a = item - 1;
    return a >= 0 && a < static_cast<int>(subject.attributes.size())
               ? subject.attributes[static_cast<size_t>(a)]
               : QString();
}

// The chosen item's value of a subject: the attribute, or for the age item the age
// counted from a birth year (a year that is not a number counts as 1).
QString ItemValue(const SUBJECTRATIO& subject, const SubjectItemChoice& choice, const ResultFormat& format) {
    const QString attribute = Attribute(subject, choice.index);
    if (choice.text != format.Text("IDS_56") || attribute.isEmpty())
        return attribute;
    int year = 1;
    if (!tamvik::ParseInt(attribute, year))
        year = 1;
    return tamvik::FormatInt(static_cast<long long>(choice.currentYear) - year);
}

QString SubjectColumnHeader(const SUBJECTRATIO& subject, const SubjectItemChoice& choice,
                            const ResultFormat& format) {
    if (choice.index <= 0)
        return subject.subjectLabel;
    return choice.text + QStringLiteral("\r\n") + ItemValue(subject, choice, format);
}

QString SubjectCaption(const SUBJECTRATIO& subject, const SubjectItemChoice& choice,
                       const ResultFormat& format) {
    if (choice.index <= 0) {
        QString caption = subject.subjectLabel;
        return caption.replace(QStringLiteral("\r\n"), QStringLiteral(":"), Qt::CaseInsensitive);
    }
    return choice.text + QLatin1Char(':') + ItemValue(subject, choice, format);
}

// A value of a training, when the training reaches it.
std::optional<float> TrainingValue(const SUBJECTRATIO& subject, int training, int trial) {
    if (training < 0 || training >= static_cast<int>(subject.trainings.size()))
        return std::nullopt;
    const std::vector<float>& values = subject.trainings[static_cast<size_t>(training)];
    if (trial < 0 || trial >= static_cast<int>(values.size()))
        return std::nullopt;
    return values[static_cast<size_t>(trial)];
}

} // namespace

std::optional<ResultTable> ShowTrainingTotals(const TRNSUBDATA& data, int layout, int index,
                                              const SubjectItemChoice& choice, const ResultFormat& format) {
    if (data.subjects.empty() || layout < 0 || layout > 2)
        return std::nullopt;
    ResultTable table;
    table.fixedCols = 1;
    table.fixedRows = 1;
    const int subjectCount = static_cast<int>(data.subjects.size());
    const int limit = layout == 0 ? data.mostTrainings : layout == 1 ? subjectCount : data.trialCount;
    if (index < 0 || index >= limit) {
        table.SetSize(1, 1);
        return table;
    }
    table.caption =
        layout == 1 ? SubjectCaption(data.subjects[static_cast<size_t>(index)], choice, format) : QString();
    const int dataCols =
        layout == 1 ? static_cast<int>(data.subjects[static_cast<size_t>(index)].resultIndices.size())
                    : subjectCount;
    const int dataRows = layout == 2 ? data.mostTrainings : data.trialCount;
    const int lastCol = 1 + dataCols;
    const int lastRow = 1 + dataRows;
    table.SetSize(lastCol + 1, lastRow + 1);
    table.doubleHeaderRow = true;
    GridData& cells = table.cells;
    const QChar sep = format.decimalSeparator;

    for (int c = 0; c < dataCols; ++c) {
        if (layout == 1) {
            const int result =
                data.subjects[static_cast<size_t>(index)].resultIndices[static_cast<size_t>(c)];
            cells.SetCell(1 + c, 0, format.Text("IDS_73") + tamvik::FormatInt(result + 1));
        } else {
            cells.SetCell(1 + c, 0,
                          SubjectColumnHeader(data.subjects[static_cast<size_t>(c)], choice, format));
        }
    }
    cells.SetCell(lastCol, 0, format.Text("IDS_65"));
    const QString rowWord = format.Text(layout == 2 ? "IDS_83" : "IDS_39");
    for (int r = 0; r < dataRows; ++r)
        cells.SetCell(0, 1 + r, rowWord + tamvik::FormatInt(r + 1));
    cells.SetCell(0, lastRow, format.Text("IDS_65"));

    for (int c = 0; c < dataCols; ++c) {
        float sum = 0.0f;
        int count = 0;
        for (int r = 0; r < dataRows; ++r) {
            std::optional<float> value;
            switch (layout) {
            case 0:
                value = TrainingValue(data.subjects[static_cast<size_t>(c)], index, r);
                break;
            case 1:
                value = TrainingValue(data.subjects[static_cast<size_t>(index)], c, r);
                break;
            default:
                value = TrainingValue(data.subjects[static_cast<size_t>(c)], r, index);
                break;
            }
            if (!value)
                continue;
            cells.SetCell(1 + c, 1 + r, tamvik::FormatFixed(*value, 2, sep));
            sum += *value; // single precision, as the totals have always been summed
            ++count;
        }
        if (count > 0)
            cells.SetCell(1 + c, lastRow, tamvik::FormatFixed(static_cast<double>(sum) / count, 2, sep));
    }

    // Row averages from the rounded texts of the cells.
    const int averagedRows = layout == 1 ? dataRows : dataRows + 1;
    for (int r = 0; r < averagedRows; ++r) {
        float sum = 0.0f;
        int count = 0;
        for (int c = 0; c < dataCols; ++c) {
            double value = 0;
            if (tamvik::ParseReal(cells.Cell(1 + c, 1 + r), value, sep)) {
                sum += static_cast<float>(value);
                ++count;
            }
        }
        if (count > 0)
            cells.SetCell(lastCol, 1 + r, tamvik::FormatFixed(static_cast<double>(sum) / count, 2, sep));
    }
    return table;
}
