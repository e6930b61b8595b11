#include "sqltext/Utf8.h"

namespace varnett::sqltext {

char32_t nextCodePoint(std::string_view text, std::size_t& pos)
{
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    int extra = 0;
    char32_t c = lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        c = lead & 0x07;
    } else if (lead >= 0x80) {
        ++pos;
        return kInvalidCharacter;
    }
    if (pos + static_cast<std::size_t>(extra) >= text.size()) {
        ++pos;
        return kInvalidCharacter;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kInvalidCharacter;
        }
        c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kInvalidCharacter;
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return c;
}

} // namespace varnett::sqltext
