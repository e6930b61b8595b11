#include "data/odbc/OdbcText.h"

#include "sqltext/Error.h"
#include "sqltext/Utf8.h"

namespace varnett::data {

namespace {

[[noreturn]] void invalidUtf8(std::size_t position)
{
    throw Error("The text is not valid UTF-8 (at byte " + std::to_string(position + 1) + ")");
}

using sqltext::appendUtf8;

} // namespace

std::u16string utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        char32_t c = sqltext::nextCodePoint(text, i);
        if (c == sqltext::kInvalidCharacter)
            invalidUtf8(start);
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    utf16ToUtf8(text, out);
    return out;
}

void utf16ToUtf8(std::u16string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    auto unitAt = [&](std::size_t i) -> char32_t { return text[i]; };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] < 0x80) {
            out += static_cast<char>(text[i++]);
            continue;
        }
        char32_t c = sqltext::nextUtf16CodePoint(unitAt, text.size(), i);
        if (c == sqltext::kCutCharacter)
            ++i;
        if (c == sqltext::kInvalidCharacter || c == sqltext::kCutCharacter)
            c = 0xFFFD;
        appendUtf8(out, c);
    }
}

std::string stripDriverPrefixes(std::string_view message)
{
    while (!message.empty() && message.front() == '[') {
        auto close = message.find(']');
        if (close == std::string_view::npos)
            break;
        message.remove_prefix(close + 1);
        while (!message.empty() && message.front() == ' ')
            message.remove_prefix(1);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.remove_suffix(1);
    return std::string(message);
}

} // namespace varnett::data
