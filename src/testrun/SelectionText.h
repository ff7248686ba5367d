#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// Turns a selection text such as "1,3,5-7" into one byte per number 1..count (1 selected).
// Items are split as a comma text: at commas and at blanks or control characters, with
// double-quoted items holding blanks. An item with '-' is a range whose missing or
// non-numeric ends stand for 1 and count, in either order; numbers outside 1..count are
// clamped (ranges) or ignored (single numbers). A blank text selects everything.
// False, with the mask left empty, for a negative count or when the mask cannot be made.
bool BuildSelectionMask(const QString& text, int count, std::vector<uint8_t>& mask);

// The items of a comma text, as the selection reads them (empty items included).
std::vector<QString> SplitCommaText(const QString& text);
