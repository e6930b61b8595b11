#pragma once

#include <string_view>

namespace varnett::sqltext {

// Sort order of the table and field lists: byte by byte, the letters a to z
// counting as A to Z and every other byte by its code (0 to 255); the first
// differing pair decides, and a text that begins the other comes first.
// Returns a negative number, 0 or a positive number as a sorts before, equal
// to or after b.
int compareTexts(std::string_view a, std::string_view b);

} // namespace varnett::sqltext
