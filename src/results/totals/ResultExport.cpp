#include "ResultExport.h"

#include "Cexp.h"
#include "Cquest.h"
#include "Crsp.h"
#include "NumberFormat.h"
#include "ResultTexts.h"
#include "SdTabulation.h"

namespace {

const QString kBreak = QStringLiteral("\r\n");

// Items each followed by the list separator and a blank, the last by a line break.
QString Joined(const std::vector<QString>& items, const ResultFormat& format) {
    QString text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += format.listSeparator + QStringLiteral(" ");
        text += items[i];
    }
    return text + kBreak;
}

QString Number(int value) {
    return tamvik::FormatInt(value);
}

QString Indicator(bool on, const char* onKey, const char* offKey, const ResultFormat& format) {
    return format.Text(on ? onKey : offKey);
}

QString FontSizeLine(const CExpBase& base, const ResultFormat& format) {
    return format.Text("IDS_234") + Number(base.fontSize) + kBreak;
}

QString PlayLine(const CExpBase& base, const ResultFormat& format) {
    return Indicator(base.play, "IDS_226", "IDS_227", format);
}

// A field of the statistics data: quoted (quotes doubled) when it holds the separator, a
// quote or a line break, so that a comment or a file name cannot split a record.
QString Field(const QString& text, QChar separator) {
    const bool quote = text.contains(separator) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString FlattenHeader(const QString& heading, const ResultFormat& format) {
    const std::pair<QString, QString> rules[] = {
        {format.Text("IDS_17"), format.Text("IDS_42")},
        {format.Text("IDS_136"), format.Text("IDS_137")},
        {format.Text("IDS_139"), format.Text("IDS_140")},
        {format.Text("IDS_141"), format.Text("IDS_142")},
        {QStringLiteral("\r\n[ID]"), QStringLiteral(" [ID]")},
    };
    for (const auto& [search, replacement] : rules) {
        if (search.isEmpty() || !heading.contains(search, Qt::CaseSensitive))
            continue;
        QString flat = heading;
        return flat.replace(search, replacement, Qt::CaseInsensitive);
    }
    return heading;
}

void FlattenHeaderRow(GridData& cells, int fixedCols, const ResultFormat& format) {
    for (int c = std::max(fixedCols, 0); c < cells.ColCount(); ++c)
        cells.SetCell(c, 0, FlattenHeader(cells.Cell(c, 0), format));
}

QString ParameterText(const QString& projectPath, const QStringList& instruction,
                      const CExperimentParameter& parameter, const ResultFormat& format) {
    QString text = format.Text("IDS_222");
    for (const QString& line : instruction)
        text += line + kBreak;
    text += kBreak;

    const CExpBase* base = parameter.GetParameters();
    const int method = parameter.GetMethod();
    if (!base)
        return text;
    QString heading;
    QString section;
    switch (method) {
    case 0: {
        const CExpTraining* p = parameter.GetTraining();
        if (!p)
            return text;
        heading = format.Text("IDS_223");
        section = format.Text("IDS_224") + Number(static_cast<int>(p->buttonLabels.size())) + kBreak +
                  format.Text("IDS_225") + Joined(p->buttonLabels, format) + PlayLine(*p, format) +
                  Indicator(p->correct, "IDS_228", "IDS_229", format) +
                  Indicator(p->judge, "IDS_230", "IDS_231", format) +
                  Indicator(p->yellow, "IDS_232", "IDS_233", format) + FontSizeLine(*p, format);
        break;
    }
    case 1: {
        const CExpSD* p = parameter.GetSD();
        if (!p)
            return text;
        std::vector<QString> left;
        std::vector<QString> right;
        for (const CSDScale& scale : p->scales) {
            left.push_back(scale.left);
            right.push_back(scale.right);
        }
        heading = format.Text("IDS_235");
        section = format.Text("IDS_236") + Number(p->divisions) + kBreak + format.Text("IDS_237") +
                  Number(static_cast<int>(p->scales.size())) + kBreak + format.Text("IDS_238") +
                  Joined(left, format) + format.Text("IDS_239") + Joined(right, format) +
                  PlayLine(*p, format) + FontSizeLine(*p, format);
        break;
    }
    case 2: {
        const CExpCategory* p = parameter.GetPair();
        if (!p)
            return text;
        const auto label = [&](size_t i) {
            return i < p->buttonLabels.size() ? p->buttonLabels[i] : QString();
        };
        heading = format.Text("IDS_243");
        section = format.Text("IDS_244") + format.Text("IDS_225") + label(0) + format.listSeparator +
                  QStringLiteral(" ") + label(1) + kBreak + PlayLine(*p, format) + FontSizeLine(*p, format);
        break;
    }
    case 3: {
        const CExpCategory* p = parameter.GetCategory();
        if (!p)
            return text;
        heading = format.Text("IDS_249");
        // The layout and the font size share one line.
        section = format.Text("IDS_250") + Number(static_cast<int>(p->buttonLabels.size())) + kBreak +
                  format.Text("IDS_225") + Joined(p->buttonLabels, format) + PlayLine(*p, format) +
                  format.Text(p->horizontalButtons ? "IDS_254" : "IDS_255") + FontSizeLine(*p, format);
        break;
    }
    case 4:
        heading = format.Text("IDS_257");
        section = PlayLine(*base, format) + FontSizeLine(*base, format);
        break;
    default:
        return text;
    }
    return projectPath + heading + text + section;
}

QString QuestionnaireText(const QString& projectPath, const CQuestionnaire& questionnaire,
                          const ResultFormat& format) {
    QString text = projectPath + format.Text("IDS_213");
    for (int i = 0; i < questionnaire.GetTermCount(); ++i) {
        const CQuestionnaireTerm* term = questionnaire.GetTerm(i);
        text += format.Text("IDS_214") + Number(i + 1) + QStringLiteral("]") + kBreak;
        text += format.Text("IDS_216") + term->itemName + kBreak;
        text += format.Text("IDS_217") + term->question + kBreak;
        switch (term->kind) {
        case QuestionnaireTermText:
            text += format.Text("IDS_218");
            break;
        case QuestionnaireTermNumber:
            text += format.Text("IDS_219");
            break;
        case QuestionnaireTermSelection: {
            QStringList choices;
            for (const QString& choice : term->choices)
                choices << choice;
            // No line break after the choices: the next item follows on the same line.
            text += format.Text("IDS_220") + format.Text("IDS_221") + choices.join(QStringLiteral(", "));
            break;
        }
        default:
            break;
        }
    }
    return text;
}

QString SpssText(const CResponse& response, const ResultFormat& format) {
    const QString separator = format.listSeparator + QStringLiteral(" ");
    const CSchedule& schedule = response.schedule;
    const int positions = schedule.GetStimulusCount();
    const CExpSD* sd =
        response.experimentParameter.GetMethod() == 1 ? response.experimentParameter.GetSD() : nullptr;
    const int scales = sd ? static_cast<int>(sd->scales.size()) : 0;

    QStringList header;
    if (positions == 1) {
        header << format.Text("IDS_268") << format.Text("IDS_269") << format.Text("IDS_131");
    } else {
        for (int k = 1; k <= positions; ++k)
            header << format.Text("IDS_12") + Number(k) + QStringLiteral(" [ID]")
                   << format.Text("IDS_269") + Number(k) << format.Text("IDS_131") + Number(k);
    }
    header << format.Text("IDS_54");
    for (int s = 0; s < scales; ++s)
        header << Field(SDScaleCaption(sd->scales[static_cast<size_t>(s)]), format.listSeparator);
    QString text = header.join(separator) + kBreak;

    const CStimuli& stimuli = response.stimuli;
    for (int t = 0; t < schedule.GetTrialCount(); ++t) {
        const CTrial& trial = schedule.trials[static_cast<size_t>(t)];
        for (const CTerminalResponse& terminal : response.terminalResponses) {
            QStringList fields;
            for (int k = 0; k < positions; ++k) {
                const int number =
                    k < static_cast<int>(trial.stimuli.size()) ? trial.stimuli[static_cast<size_t>(k)] : -1;
                fields << Number(number);
                if (number >= 1 && number <= stimuli.GetCount())
                    fields << Field(SourceFileName(stimuli[number - 1].orgFileName), format.listSeparator)
                           << Field(stimuli[number - 1].comment, format.listSeparator);
                else
                    fields << QString() << QString();
            }
            const QString id = SubjectIdText(format, terminal.id, terminal.id2);
            fields << Field(id.isEmpty() ? format.Text("IDS_57") : id, format.listSeparator);
            for (int s = 0; s < scales; ++s)
                fields << SDCellValue(terminal, t, s);
            text += fields.join(separator) + kBreak;
        }
    }
    return text;
}

QString TextFileLines(const QString& text) {
    QString lines;
    lines.reserve(text.size() + 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            lines += kBreak;
        } else {
            lines += c;
        }
    }
    // A last line without its break (the choices of a selection item) gets one.
    if (!lines.isEmpty() && !lines.endsWith(kBreak))
        lines += kBreak;
    return lines;
}
