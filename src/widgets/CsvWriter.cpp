#include "CsvWriter.h"

#include "AtomicFile.h"

#include <QtEndian>
#include <cstring>

namespace {

bool NeedsQuotes(const QString& cell) {
    for (const QChar c : cell)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    return false;
}

} // namespace

QByteArray CsvWriter::Encode(const GridData& data, const std::vector<int>& columns) {
    std::vector<int> cols = columns;
    if (cols.empty())
        for (int c = 0; c < data.ColCount(); ++c)
            cols.push_back(c);
    QString text;
    text.reserve(data.RowCount() * (static_cast<qsizetype>(cols.size()) * 8 + 2));
    for (int r = 0; r < data.RowCount(); ++r) {
        for (size_t i = 0; i < cols.size(); ++i) {
            if (i > 0)
                text += QLatin1Char(',');
            const QString& cell = data.Cell(cols[i], r);
            if (NeedsQuotes(cell)) {
                text += QLatin1Char('"');
                for (const QChar c : cell) {
                    if (c == QLatin1Char('"'))
                        text += QLatin1Char('"');
                    text += c;
                }
                text += QLatin1Char('"');
            } else {
                text += cell;
            }
        }
        text += QLatin1String("\r\n");
    }
    return EncodeText(text);
}

QByteArray CsvWriter::EncodeText(const QString& text) {
    QByteArray bytes(2 + text.size() * 2, Qt::Uninitialized);
    bytes[0] = char(0xFF);
    bytes[1] = char(0xFE);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data() + 2);
    return bytes;
}

bool CsvWriter::Write(const QString& path, const GridData& data, const std::vector<int>& columns,
                      QString* error) {
    return tamvik::WriteFileAtomically(path, Encode(data, columns), -1, error);
}
