#pragma once

#include "GridData.h"

#include <QString>
#include <vector>

// Spreadsheet workbooks (.xlsx) of grids, one named sheet per grid. A cell that shows a
// decimal number goes in as that number, with a number format that shows as many
// decimals as the cell did ("4.000" as 4 shown "0.000"); any other cell as text.
class XlsxWriter {
public:
    struct Sheet {
        QString name;
        const GridData* data = nullptr;
        // The grid columns written, in order (every column when empty); the first row
        // written. The grid's first written cell lands on the sheet's first cell.
        std::vector<int> columns;
        int firstRow = 0;
        // The decimal point of the grid's numbers.
        QChar decimalPoint = QLatin1Char('.');
    };
    // Writes the workbook beside path and renames it over path only when the library
    // has closed it successfully: a failure (false, error set) leaves nothing new under
    // path. error names what failed.
    static bool Write(const QString& path, const std::vector<Sheet>& sheets, QString* error = nullptr);
};
