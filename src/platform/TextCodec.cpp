#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <iconv.h>

namespace tamvik {

namespace {

const char kBomUtf16LE[] = "\xFF\xFE";
const char kBomUtf16BE[] = "\xFE\xFF";
const char kBomUtf8[] = "\xEF\xBB\xBF";

bool IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

// Converts through glibc's iconv; Qt's own codecs do not cover CP932 everywhere.
// Unconvertible input is replaced (one U+FFFD or '?' per bad byte/character) instead of
// failing, so a damaged file still opens.
QByteArray IconvConvert(const QByteArray& in, const char* from, const char* to,
                        const QByteArray& replacement) {
    QByteArray out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.reserve(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof(buffer);
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<qsizetype>(dst - buffer));
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated sequence at the end): skip one byte.
        out.append(replacement);
        ++src;
        --srcLeft;
    }
    char* dst = buffer;
    size_t dstLeft = sizeof(buffer);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<qsizetype>(dst - buffer));
    iconv_close(cd);
    return out;
}

QString DecodeCp932(const QByteArray& bytes) {
    const QByteArray utf16 = IconvConvert(bytes, "CP932", "UTF-16LE", QByteArray("\xFD\xFF", 2));
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}

QByteArray EncodeCp932(const QString& text) {
    const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return IconvConvert(utf16, "UTF-16LE", "CP932", QByteArray("?"));
}

} // namespace

TextEncoding DetectTextEncoding(const QByteArray& bytes) {
    if (bytes.startsWith(kBomUtf16LE))
        return TextEncoding::Utf16LE;
    if (bytes.startsWith(kBomUtf16BE))
        return TextEncoding::Utf16BE;
    if (bytes.startsWith(kBomUtf8))
        return TextEncoding::Utf8Bom;
    return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Cp932;
}

QString DecodeText(const QByteArray& bytes) {
    return DecodeText(bytes, DetectTextEncoding(bytes));
}

QString DecodeText(const QByteArray& bytes, TextEncoding encoding) {
    // The mark is skipped only when it is there, so a caller may force an encoding on
    // bytes without one.
    switch (encoding) {
    case TextEncoding::Utf16LE: {
        QStringDecoder d(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        return d.decode(bytes.startsWith(kBomUtf16LE) ? bytes.mid(2) : bytes);
    }
    case TextEncoding::Utf16BE: {
        QStringDecoder d(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        return d.decode(bytes.startsWith(kBomUtf16BE) ? bytes.mid(2) : bytes);
    }
    case TextEncoding::Utf8Bom:
    case TextEncoding::Utf8: {
        QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return d.decode(bytes.startsWith(kBomUtf8) ? bytes.mid(3) : bytes);
    }
    case TextEncoding::Cp932:
        return DecodeCp932(bytes);
    }
    return QString();
}

QByteArray EncodeText(const QString& text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf16LE: {
        QStringEncoder e(QStringEncoder::Utf16LE, QStringEncoder::Flag::Stateless);
        return QByteArray(kBomUtf16LE, 2) + QByteArray(e.encode(text));
    }
    case TextEncoding::Utf16BE: {
        QStringEncoder e(QStringEncoder::Utf16BE, QStringEncoder::Flag::Stateless);
        return QByteArray(kBomUtf16BE, 2) + QByteArray(e.encode(text));
    }
    case TextEncoding::Utf8Bom:
        return QByteArray(kBomUtf8, 3) + text.toUtf8();
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Cp932:
        return EncodeCp932(text);
    }
    return QByteArray();
}

} // namespace tamvik
