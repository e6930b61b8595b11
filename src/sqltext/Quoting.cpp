#include "sqltext/Quoting.h"

namespace varnett::sqltext {

std::size_t delimitedEnd(std::string_view text, std::size_t from, char close)
{
    for (;;) {
        const std::size_t found = text.find(close, from);
        if (found == std::string_view::npos)
            return std::string_view::npos;
        if (found + 1 >= text.size() || text[found + 1] != close)
            return found + 1;
        from = found + 2;
    }
}

void appendUnquoted(std::string& out, std::string_view body, char close)
{
    for (;;) {
        const std::size_t found = body.find(close);
        if (found == std::string_view::npos)
            break;
        out.append(body.substr(0, found + 1));
        // The second of a doubled pair is dropped; a lone one (in a piece cut
        // short) is kept.
        body.remove_prefix(found + 1 < body.size() && body[found + 1] == close ? found + 2
                                                                              : found + 1);
    }
    out.append(body);
}

void appendQuoted(std::string& out, std::string_view text, std::string_view open, char close)
{
    out.append(open);
    for (;;) {
        const std::size_t found = text.find(close);
        if (found == std::string_view::npos)
            break;
        out.append(text.substr(0, found + 1));
        out += close;
        text.remove_prefix(found + 1);
    }
    out.append(text);
    out += close;
}

} // namespace varnett::sqltext
