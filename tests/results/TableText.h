#pragma once

#include "ResultTable.h"

#include <QStringList>
#include <ostream>

// A table row or column as a list, so that a failed comparison prints the whole line.
inline QStringList RowOf(const ResultTable& table, int row) {
    QStringList cells;
    for (int c = 0; c < table.cells.ColCount(); ++c)
        cells << table.Cell(c, row);
    return cells;
}

inline QStringList ColumnOf(const ResultTable& table, int col) {
    QStringList cells;
    for (int r = 0; r < table.cells.RowCount(); ++r)
        cells << table.Cell(col, r);
    return cells;
}

QT_BEGIN_NAMESPACE
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << "["
        << list.join(QStringLiteral("|")).replace(QStringLiteral("\r\n"), QStringLiteral("/")).toStdString()
        << "]";
}
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("/")).toStdString() << '"';
}
QT_END_NAMESPACE
