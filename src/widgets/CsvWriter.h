#pragma once

#include "GridData.h"

#include <QByteArray>
#include <QString>
#include <vector>

// Comma-separated text of a grid: UTF-16 little-endian with a byte-order mark, cells
// separated by commas, every row ended by CR LF. A cell is quoted (its quotes doubled)
// only when it holds a comma, a quote, CR or LF, so in-cell line breaks survive.
class CsvWriter {
public:
    // columns: the grid columns written, in order; every column when empty.
    static QByteArray Encode(const GridData& data, const std::vector<int>& columns = {});
    // A text as the program writes text files: UTF-16 little-endian with a byte-order
    // mark; line breaks are the caller's (CR LF).
    static QByteArray EncodeText(const QString& text);
    // Writes the file through the atomic writer: on failure (false) nothing is left
    // under path and an existing file stays as it was; error, when given, gets the cause.
    static bool Write(const QString& path, const GridData& data, const std::vector<int>& columns = {},
                      QString* error = nullptr);
};
