#pragma once

#include "ResultFormat.h"
#include "ResultTable.h"

#include <QString>

class CResponse;
class CTerminalResponse;
struct CSDScale;

// The value of scale scaleIndex (from 0) in an SD answer text, where every value is one
// character, "-" before a negative one ("12-30" holds 1, 2, -3, 0); "" when the text has
// no such value.
QString GetSDScaleValue(const QString& answer, int scaleIndex);

// The caption of a word pair: "left <-> right", or the one word that is set.
QString SDScaleCaption(const CSDScale& scale);
// The value of scale `scale` in a terminal's answer to a trial; "" for no answer.
QString SDCellValue(const CTerminalResponse& terminal, int trial, int scale);

// The tabulation of one SD result in layout 0 (trials x subjects), 1 (trials x pairs of
// words) or 2 (subjects x pairs of words): column 0 for the node buttons, column 1 for
// the row labels, one group per trial (layouts 0, 1) or subject (layout 2). A result
// without SD parameters has no scales; another layout gives an empty table.
ResultTable ShowSDTotals(const CResponse& response, int layout, const ResultFormat& format);

// The word that begins every group row's label in a layout: IDS_39 (trial) or IDS_187.
QString SDNodeWord(int layout, const ResultFormat& format);
