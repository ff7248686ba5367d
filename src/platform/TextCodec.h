#pragma once

#include <QByteArray>
#include <QString>

namespace tamvik {

enum class TextEncoding { Utf16LE, Utf16BE, Utf8Bom, Utf8, Cp932 };

// Detects the encoding of file bytes: by byte-order mark; without one, UTF-8 when the
// bytes are valid UTF-8, else CP932 (the code page of files made on Japanese systems).
TextEncoding DetectTextEncoding(const QByteArray& bytes);
// Decodes file bytes by DetectTextEncoding; the byte-order mark is not part of the text.
QString DecodeText(const QByteArray& bytes);
QString DecodeText(const QByteArray& bytes, TextEncoding encoding);
// Encodes with the byte-order mark of the encoding (none for Utf8 and Cp932).
QByteArray EncodeText(const QString& text, TextEncoding encoding);

} // namespace tamvik
