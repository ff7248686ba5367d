#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <map>
#include <vector>

// Workbooks read back in tests: members unpacked with unzip, the XML parsed.
namespace xlsx_sheet {

inline QByteArray Member(const QString& path, const QString& name) {
    QProcess unzip;
    unzip.start("unzip", {"-p", path, name});
    unzip.waitForFinished();
    return unzip.readAllStandardOutput();
}

// Cells of one sheet (from 1) by reference ("B1").
inline std::map<QString, QString> SheetCells(const QString& path, int sheet) {
    QStringList shared;
    QXmlStreamReader s(Member(path, "xl/sharedStrings.xml"));
    while (s.readNextStartElement() || !s.atEnd()) {
        if (s.isStartElement() && s.name() == QLatin1String("t"))
            shared << s.readElementText();
        else if (!s.isStartElement())
            s.readNext();
    }
    std::map<QString, QString> cells;
    QXmlStreamReader x(Member(path, QString("xl/worksheets/sheet%1.xml").arg(sheet)));
    QString ref, type;
    while (!x.atEnd()) {
        x.readNext();
        if (!x.isStartElement())
            continue;
        if (x.name() == QLatin1String("c")) {
            ref = x.attributes().value("r").toString();
            type = x.attributes().value("t").toString();
        } else if (x.name() == QLatin1String("t")) {
            // Control characters travel as _xHHHH_ escapes.
            cells[ref] = x.readElementText().replace("_x000D_", "\r");
        } else if (x.name() == QLatin1String("v")) {
            const QString v = x.readElementText();
            cells[ref] = type == "s" ? shared.value(v.toInt()) : v;
        }
    }
    return cells;
}

// The number format of each written cell of one sheet (from 1) by reference: the format
// code of its style, "General" for a cell without one.
inline std::map<QString, QString> CellFormats(const QString& path, int sheet) {
    std::map<int, QString> codes = {{0, "General"}};
    std::vector<int> styleFormats;
    QXmlStreamReader styles(Member(path, "xl/styles.xml"));
    bool inCellStyles = false;
    while (!styles.atEnd()) {
        styles.readNext();
        if (styles.isEndElement() && styles.name() == QLatin1String("cellXfs"))
            inCellStyles = false;
        if (!styles.isStartElement())
            continue;
        if (styles.name() == QLatin1String("numFmt"))
            codes[styles.attributes().value("numFmtId").toInt()] =
                styles.attributes().value("formatCode").toString();
        else if (styles.name() == QLatin1String("cellXfs"))
            inCellStyles = true;
        else if (inCellStyles && styles.name() == QLatin1String("xf"))
            styleFormats.push_back(styles.attributes().value("numFmtId").toInt());
    }
    std::map<QString, QString> formats;
    QXmlStreamReader x(Member(path, QString("xl/worksheets/sheet%1.xml").arg(sheet)));
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement || x.name() != QLatin1String("c"))
            continue;
        const int style = x.attributes().value("s").toInt();
        const int format =
            style >= 0 && style < static_cast<int>(styleFormats.size()) ? styleFormats[style] : 0;
        formats[x.attributes().value("r").toString()] =
            codes.count(format) ? codes[format] : QString::number(format);
    }
    return formats;
}

inline QStringList SheetNames(const QString& path) {
    QXmlStreamReader x(Member(path, "xl/workbook.xml"));
    QStringList names;
    while (!x.atEnd())
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("sheet"))
            names << x.attributes().value("name").toString();
    return names;
}

} // namespace xlsx_sheet
