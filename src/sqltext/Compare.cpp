#include "sqltext/Compare.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

int foldedCode(char c)
{
    auto code = static_cast<unsigned char>(c);
    return code >= 'a' && code <= 'z' ? code - ('a' - 'A') : code;
}

} // namespace

int compareTexts(std::string_view a, std::string_view b)
{
    std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        int difference = foldedCode(a[i]) - foldedCode(b[i]);
        if (difference != 0)
            return difference;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace varnett::sqltext
