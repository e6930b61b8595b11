#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnett::sqltext {

// True for a byte that goes on a UTF-8 sequence rather than starting one.
constexpr bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Appends the UTF-8 bytes of one code point.
inline void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// What the decoders give for units that make no valid character.
inline constexpr char32_t kInvalidCharacter = 0xFFFFFFFF;
// What nextUtf16CodePoint gives for a high surrogate that ends the units:
// its second half may come with more of them.
inline constexpr char32_t kCutCharacter = 0xFFFFFFFE;

// The code point of the UTF-8 sequence at pos, moving pos past it. A byte
// that starts no valid sequence (cut short, overlong, a surrogate or beyond
// U+10FFFF) gives kInvalidCharacter and moves pos by one. pos must be inside
// the text.
char32_t nextCodePoint(std::string_view text, std::size_t& pos);

// The code point of the UTF-16 units at pos (unitAt(i) gives unit i of
// `count`), moving pos past it: a high and a low surrogate make one. A lone
// surrogate gives kInvalidCharacter and moves pos by one; a high surrogate
// that ends the units gives kCutCharacter and leaves pos where it is.
template <class UnitAt>
char32_t nextUtf16CodePoint(UnitAt unitAt, std::size_t count, std::size_t& pos)
{
    const char32_t unit = unitAt(pos);
    if (unit < 0xD800 || unit >= 0xE000) {
        ++pos;
        return unit;
    }
    if (unit >= 0xDC00) {
        ++pos;
        return kInvalidCharacter;
    }
    if (pos + 1 >= count)
        return kCutCharacter;
    const char32_t low = unitAt(pos + 1);
    if (low < 0xDC00 || low >= 0xE000) {
        ++pos;
        return kInvalidCharacter;
    }
    pos += 2;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

} // namespace varnett::sqltext
