#pragma once

#include <QString>
#include <QStringList>

// A file dialog's filter from a text table's "name|pattern|name|pattern" form: each name
// already shows its pattern, so the names alone make the dialog's filter list.
inline QString DialogFilter(const QString& tableFilter) {
    const QStringList parts = tableFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2)
        filters << parts.at(i);
    return filters.join(QStringLiteral(";;"));
}
