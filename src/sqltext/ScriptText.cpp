#include "sqltext/ScriptText.h"

#include "sqltext/Utf8.h"
#include "sqltext/Error.h"

#include <algorithm>
#include <cstdint>

namespace varnett::sqltext {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";


int lineAt(std::string_view text, std::size_t offset)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    if (bytes.size() % 2 != 0)
        throw Error("The script is UTF-16 text with an odd number of bytes: its end is cut off.");
    auto unitAt = [&](std::size_t i) -> std::uint32_t {
        auto first = static_cast<std::uint8_t>(bytes[i]);
        auto second = static_cast<std::uint8_t>(bytes[i + 1]);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xE000) {
            std::uint32_t low = i + 3 < bytes.size() ? unitAt(i + 2) : 0;
            if (unit >= 0xDC00 || low < 0xDC00 || low >= 0xE000)
                throw Error("Line " + std::to_string(lineAt(out, out.size()))
                            + " of the script holds a broken UTF-16 character (a lone"
                              " surrogate).");
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(out, unit);
    }
    return out;
}

} // namespace

std::string scriptTextToUtf8(std::string_view bytes)
{
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark)
        return std::string(bytes.substr(kUtf8Mark.size()));
    if (bytes.substr(0, kUtf16LeMark.size()) == kUtf16LeMark)
        return utf16ToUtf8(bytes.substr(kUtf16LeMark.size()), false);
    if (bytes.substr(0, kUtf16BeMark.size()) == kUtf16BeMark)
        return utf16ToUtf8(bytes.substr(kUtf16BeMark.size()), true);
    return std::string(bytes);
}

void checkNoNul(std::string_view text)
{
    std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        throw Error("Line " + std::to_string(lineAt(text, nul))
                    + " of the script holds a NUL character.");
}

} // namespace varnett::sqltext
