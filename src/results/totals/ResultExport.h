#pragma once

#include "GridData.h"
#include "ResultFormat.h"

#include <QString>
#include <QStringList>

class CExperimentParameter;
class CQuestionnaire;
class CResponse;

// What the result window writes to files, made from data alone.

// A column heading on one line for a comma-separated file: the first rule whose text the
// heading holds (a subject's "SubjectID" + line break, the two-line correct-button
// heading, a line break before "[sec]", "[times]" or "[ID]") replaces every occurrence of
// that text; a heading that holds none of them stays as it is.
QString FlattenHeader(const QString& heading, const ResultFormat& format);

// Cells as a comma-separated file holds them: the headings of row 0 right of the fixed
// columns flattened in place (callers flatten a copy of what a grid shows).
void FlattenHeaderRow(GridData& cells, int fixedCols, const ResultFormat& format);

// The parameter text of a result: the project path and the method's heading, the
// instruction, and the method's buttons and options. Lines end in CR LF.
QString ParameterText(const QString& projectPath, const QStringList& instruction,
                      const CExperimentParameter& parameter, const ResultFormat& format);

// The questionnaire's items as text, after the project path and the heading.
QString QuestionnaireText(const QString& projectPath, const CQuestionnaire& questionnaire,
                          const ResultFormat& format);

// The answers of an SD result for statistics programs: a header line, then one line per
// trial and terminal with the stimuli of the trial, the subject and one value per word
// pair; fields separated by the list separator and a blank, a field holding the separator,
// a quote or a line break in quotes. A stimulus number outside the result's list gets
// empty name and comment fields; a missing answer empty values.
QString SpssText(const CResponse& response, const ResultFormat& format);

// A text as a text file holds it: split into lines at its line breaks (CR LF, CR or LF),
// each line followed by CR LF, the last one included.
QString TextFileLines(const QString& text);
