#pragma once

#include <string>
#include <string_view>

// Byte-wise text helpers. Only ASCII letters change case and compare without
// regard to it; every other byte (UTF-8 sequences included) stays as it is,
// whatever the locale.
namespace varnett::sqltext {

// The sets of blank characters, each named for what it holds.

// Space and tab: the blanks inside one command-line word or line.
constexpr bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// Space, tab, CR and LF: the blanks around keys and values of connection
// strings and type texts.
constexpr bool isBlankOrLineBreak(char c)
{
    return isSpaceOrTab(c) || c == '\r' || c == '\n';
}

// Space, tab, CR, LF, form feed and vertical tab: the C locale's white space,
// and T-SQL's.
constexpr bool isWhiteSpace(char c) { return isBlankOrLineBreak(c) || c == '\f' || c == '\v'; }

// Space and every ASCII control character (bytes 0 to 32).
constexpr bool isSpaceOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

// The classes of characters T-SQL text is read by.

constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

constexpr bool isHexDigit(char c)
{
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a hexadecimal digit, -1 for any other character.
constexpr int hexDigitValue(char c)
{
    return isAsciiDigit(c) ? c - '0'
        : c >= 'a' && c <= 'f' ? c - 'a' + 10
        : c >= 'A' && c <= 'F' ? c - 'A' + 10
        : -1;
}

// The first character of a T-SQL word (a name, keyword or variable): an ASCII
// letter, "_", "@", "#" or any byte of a UTF-8 sequence.
constexpr bool isWordStart(char c)
{
    return isAsciiLetter(c) || c == '_' || c == '@' || c == '#' || static_cast<unsigned char>(c) >= 0x80;
}

// The characters that go on a T-SQL word: those that start one, digits and "$".
constexpr bool isWordChar(char c) { return isWordStart(c) || isAsciiDigit(c) || c == '$'; }

using CharTest = bool (*)(char);

// The text without the characters of the set at either end.
constexpr std::string_view trim(std::string_view text, CharTest blank)
{
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// True when every character is of the set (an empty text too).
constexpr bool isBlankText(std::string_view text, CharTest blank)
{
    for (char c : text)
        if (!blank(c))
            return false;
    return true;
}

constexpr char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string toLowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

inline std::string toUpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upperAscii(c);
    return out;
}

// Equal but for the case of ASCII letters.
constexpr bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

constexpr bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// Ordering without regard to the case of ASCII letters; texts that differ only
// in case are ordered by their bytes.
constexpr bool lessNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char x = lowerAscii(a[i]), y = lowerAscii(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace varnett::sqltext
