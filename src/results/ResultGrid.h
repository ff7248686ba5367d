#pragma once

#include "ResultTable.h"

class StringGrid;

// Puts a result table into a grid in one go, with its drawing suspended: cells, fixed
// rows and columns, the default row height from the first header text (+ 5) and a
// double header row where the table asks for one. Columns are not sized. The cells are
// taken over, not copied, from a table handed over for good.
void ShowResultTable(StringGrid* grid, ResultTable table);

// Leaves a grid without cells, for a view that has no result to show.
void ClearResultGrid(StringGrid* grid);

// A read-only grid of the result window: no edits, the window's font.
void SetupResultGrid(StringGrid* grid);

// Takes a column out of a grid; the other columns keep their texts and widths.
void RemoveGridColumn(StringGrid* grid, int col);
