#pragma once

#include "StringGrid.h"

class TfrmMain;

// A parameter grid's row as high as its text and 3 pixels more.
inline void FitParameterRow(StringGrid* grid, int row) {
    grid->resizeRowToContents(row);
    grid->SetRowHeight(row, grid->rowHeight(row) + 3);
}

// The questionnaire page's and the text reports' commands (ConnectParameterPanel calls them).
void ConnectQuestionnaire(TfrmMain& w);
void ConnectParameterReports(TfrmMain& w);
