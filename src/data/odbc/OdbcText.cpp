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
        unsigned char lead = static_cast<unsigned char>(text[i++]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            continue;
        }
        int extra;
        char32_t c;
        char32_t minimum;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, c = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, c = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, c = lead & 0x07, minimum = 0x10000;
        } else {
            invalidUtf8(start);
        }
        for (int k = 0; k < extra; ++k) {
            if (i >= text.size())
                invalidUtf8(start);
            unsigned char next = static_cast<unsigned char>(text[i]);
            if ((next & 0xC0) != 0x80)
                invalidUtf8(start);
            c = (c << 6) | (next & 0x3F);
            ++i;
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
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
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
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
