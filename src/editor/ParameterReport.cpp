// The text reports of the experiment parameters and of the questionnaire.
#include "ParameterReport.h"

#include "Cexp.h"
#include "Cinst.h"
#include "Cquest.h"
#include "TextCodec.h"

#include <QRegularExpression>
#include <vector>

namespace {

const QString kBreak = QStringLiteral("\r\n");

QString Joined(const std::vector<QString>& items, const QString& separator) {
    QString out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += separator;
        out += items[i];
    }
    return out;
}

// The entry at index, or nothing for a list that is shorter.
QString EntryOrEmpty(const std::vector<QString>& items, size_t index) {
    return index < items.size() ? items[index] : QString();
}

} // namespace

QString BuildParameterReport(const QString& archivePath, const CExperimentParameter& parameter,
                             const CInstruction& instruction, const ReportTexts& texts) {
    const auto T = [&texts](const char* key) { return texts.text(key); };
    const auto flag = [&T](bool on, const char* onKey, const char* offKey) { return T(on ? onKey : offKey); };
    const QString separator = QString(texts.listSeparator) + QLatin1Char(' ');

    QString instructionText = T("IDS_141");
    for (const QString& line : instruction.lines)
        instructionText += line + kBreak;
    instructionText += kBreak;

    const CExpBase* base = parameter.GetParameters();
    if (base == nullptr)
        return instructionText;
    const QString playText = flag(base->play, "IDS_148", "IDS_149");
    const QString fontText = T("IDS_156") + QString::number(base->fontSize) + kBreak;

    QString heading;
    QString section;
    if (const CExpTraining* training = parameter.GetTraining()) {
        heading = T("IDS_143");
        section = T("IDS_144") + QString::number(training->buttonLabels.size()) + kBreak + T("IDS_146") +
                  Joined(training->buttonLabels, separator) + kBreak + playText +
                  flag(training->correct, "IDS_150", "IDS_151") +
                  flag(training->judge, "IDS_152", "IDS_153") + flag(training->yellow, "IDS_154", "IDS_155") +
                  fontText;
    } else if (const CExpSD* sd = parameter.GetSD()) {
        std::vector<QString> left, right;
        for (const CSDScale& scale : sd->scales) {
            left.push_back(scale.left);
            right.push_back(scale.right);
        }
        heading = T("IDS_158");
        section = T("IDS_159") + QString::number(sd->divisions) + kBreak + T("IDS_161") +
                  QString::number(sd->scales.size()) + kBreak + T("IDS_163") + Joined(left, separator) +
                  kBreak + T("IDS_165") + Joined(right, separator) + kBreak + playText + fontText;
    } else if (const CExpCategory* pair = parameter.GetPair()) {
        // Two buttons always; a stored list that is shorter reports its missing ones empty.
        heading = T("IDS_171");
        section = T("IDS_172") + T("IDS_146") + EntryOrEmpty(pair->buttonLabels, 0) + separator +
                  EntryOrEmpty(pair->buttonLabels, 1) + kBreak + playText + fontText;
    } else if (const CExpCategory* category = parameter.GetCategory()) {
        heading = T("IDS_179");
        section = T("IDS_180") + QString::number(category->buttonLabels.size()) + kBreak + T("IDS_146") +
                  Joined(category->buttonLabels, separator) + kBreak + playText +
                  flag(category->horizontalButtons, "IDS_186", "IDS_187") + fontText;
    } else if (parameter.GetME() != nullptr) {
        heading = T("IDS_190");
        section = playText + fontText;
    } else {
        return instructionText;
    }
    return archivePath + heading + instructionText + section;
}

QString BuildQuestionnaireReport(const QString& archivePath, const CQuestionnaire& questionnaire,
                                 const ReportTexts& texts) {
    const auto T = [&texts](const char* key) { return texts.text(key); };
    QString out = archivePath + T("IDS_195");
    for (int i = 0; i < questionnaire.GetTermCount(); ++i) {
        const CQuestionnaireTerm* term = questionnaire.GetTerm(i);
        out += T("IDS_196") + QString::number(i + 1) + QLatin1Char(']') + kBreak;
        out += T("IDS_198") + term->itemName + kBreak;
        out += T("IDS_200") + term->question + kBreak;
        switch (term->kind) {
        case QuestionnaireTermText:
            out += T("IDS_202");
            break;
        case QuestionnaireTermNumber:
            out += T("IDS_203");
            break;
        case QuestionnaireTermSelection:
            // No line break after the choices: the next item follows on the same line.
            out += T("IDS_204") + T("IDS_205") + Joined(term->choices, QStringLiteral(", "));
            break;
        default:
            break;
        }
    }
    return out;
}

QByteArray ReportFileBytes(const QString& text) {
    static const QRegularExpression anyBreak(QStringLiteral("\r\n|\r|\n"));
    QString lines = text;
    lines.replace(anyBreak, kBreak);
    if (!lines.isEmpty() && !lines.endsWith(kBreak))
        lines += kBreak;
    return tamvik::EncodeText(lines, tamvik::TextEncoding::Utf16LE);
}
