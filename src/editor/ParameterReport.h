#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <functional>

class CExperimentParameter;
class CInstruction;
class CQuestionnaire;

// The plain-text reports of a project for the operator to read or keep: the experiment
// parameters with the instruction, and the questionnaire items. Built from the model
// alone, so what was last stored is what is reported.
struct ReportTexts {
    // A text of the main window's table (IDS_n) in the current language.
    std::function<QString(const char* key)> text;
    // Separates the items of a joined list (followed by a blank).
    QChar listSeparator = QLatin1Char(',');
};

// archivePath is the project's file as stored, empty while it is untitled.
QString BuildParameterReport(const QString& archivePath, const CExperimentParameter& parameter,
                             const CInstruction& instruction, const ReportTexts& texts);
QString BuildQuestionnaireReport(const QString& archivePath, const CQuestionnaire& questionnaire,
                                 const ReportTexts& texts);

// A report as its file holds it: UTF-16LE with a byte-order mark, every line ended by
// CR LF, the last one included.
QByteArray ReportFileBytes(const QString& text);
