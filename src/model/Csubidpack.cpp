#include "Csubidpack.h"

#include <array>

namespace {

// Bytes 1..127 are ASCII. Above that the text was typed on a terminal of a Japanese
// system, whose single-byte code page gives half-width katakana for A1..DF; the other
// high bytes (lead bytes of double-byte characters, or the FF bytes of the -1 that marks
// an absent id) have no character of their own.
QChar ByteChar(std::uint8_t byte) {
    if (byte < 0x80)
        return QChar(char16_t(byte));
    if (byte >= 0xA1 && byte <= 0xDF)
        return QChar(char16_t(0xFF61 + (byte - 0xA1)));
    return QChar(QChar::ReplacementCharacter);
}

} // namespace

QString CSubIDPack::Unpack(std::int32_t id, std::int32_t id2) const noexcept {
    try {
        std::array<std::uint8_t, 8> bytes{};
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(id) >> (8 * i));
            bytes[4 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(id2) >> (8 * i));
        }
        QString text;
        for (std::uint8_t byte : bytes) {
            if (byte == 0)
                break;
            text += ByteChar(byte);
        }
        return text;
    } catch (...) {
        return QString();
    }
}
