#pragma once

#include <cstddef>
#include <string_view>

namespace varnett::sqltext {

// What nextCodePoint gives for a byte that starts no valid UTF-8 sequence.
inline constexpr char32_t kInvalidCharacter = 0xFFFFFFFF;

// True for a letter by the server's rules for regular identifiers: a letter
// of Unicode 3.2 in the Basic Multilingual Plane (ASCII a-z and A-Z included).
bool isUnicodeLetter(char32_t c);

// True for a decimal digit of Unicode 3.2 in the Basic Multilingual Plane.
bool isUnicodeDigit(char32_t c);

// The code point of the UTF-8 sequence at pos, moving pos past it. A byte
// that starts no valid sequence gives kInvalidCharacter and moves pos by one.
// pos must be inside the text.
char32_t nextCodePoint(std::string_view text, std::size_t& pos);

} // namespace varnett::sqltext
