#pragma once

#include "GridData.h"

#include <QString>
#include <vector>

// Spreadsheet workbooks (.xlsx) of grids, one named sheet per grid. A cell goes in as a
// number when the number reads back as exactly the cell's text, else as text.
class XlsxWriter {
public:
    struct Sheet {
        QString name;
        const GridData* data = nullptr;
        // The grid columns written, in order (every column when empty); the first row
        // written. The grid's first written cell lands on the sheet's first cell.
        std::vector<int> columns;
        int firstRow = 0;
    };
    // Writes the workbook beside path and renames it over path only when the library
    // has closed it successfully: a failure (false, error set) leaves nothing new under
    // path. error names what failed.
    static bool Write(const QString& path, const std::vector<Sheet>& sheets, QString* error = nullptr);
};
