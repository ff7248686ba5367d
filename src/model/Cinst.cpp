#include "Cinst.h"

#include "AtomicFile.h"
#include "TextCodec.h"

#include <QFile>
#include <stdexcept>

bool CInstruction::Load(const QString& path) {
    lines.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot open file " + path.toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error("Cannot read file " + path.toStdString());
    const QString text = tamvik::DecodeText(bytes);

    // Lines end with CR LF, LF or a lone CR; a break at the very end adds no empty line.
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        lines << text.mid(pos, end - pos);
        if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n && text[end + 1] == QLatin1Char('\n'))
            ++end;
        pos = end + 1;
    }
    return true;
}

bool CInstruction::Save(const QString& path) const {
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1String("\r\n");
    const QByteArray bytes = tamvik::EncodeText(text, tamvik::TextEncoding::Utf16LE);
    // A work-folder entry: the archive it is packed into is what is made durable.
    if (!tamvik::WriteFileInPlace(path, bytes))
        throw std::runtime_error("Cannot write file " + path.toStdString());
    return true;
}
