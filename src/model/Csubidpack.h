#pragma once

#include <QString>
#include <cstdint>

// Turns the integer pair (id, id2) that stores a subject's sub-ID in a terminal response or
// a questionnaire row back into the sub-ID text, for display. Stateless; make one where
// needed.
class CSubIDPack {
public:
    CSubIDPack() = default;
    ~CSubIDPack() = default;

    // The 4 bytes of id, then those of id2, least significant first, up to the first zero
    // byte: one character per byte. Never throws.
    QString Unpack(std::int32_t id, std::int32_t id2) const noexcept;
};
