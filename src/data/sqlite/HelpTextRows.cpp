#include "data/sqlite/HelpTextRows.h"

#include "sqltext/Utf8.h"

namespace varnett::data {

namespace {

// Byte length of the first `characters` code points of text (all of it when shorter).
std::size_t prefixBytes(std::string_view text, std::size_t characters)
{
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!sqltext::isUtf8Continuation(text[i])) {
            if (seen == characters)
                return i;
            ++seen;
        }
    }
    return text.size();
}

} // namespace

std::vector<std::string> helpTextRows(std::string_view source)
{
    std::vector<std::string> rows;
    std::size_t pos = 0;
    while (pos < source.size()) {
        std::size_t newline = source.find('\n', pos);
        std::size_t next = newline == std::string_view::npos ? source.size() : newline + 1;
        std::size_t contentEnd = next;
        if (newline != std::string_view::npos)
            contentEnd = (newline > pos && source[newline - 1] == '\r') ? newline - 1 : newline;

        std::string_view content = source.substr(pos, contentEnd - pos);
        std::string_view lineBreak = source.substr(contentEnd, next - contentEnd);
        while (true) {
            // A piece of no more bytes than the row length needs no counting.
            std::size_t piece = content.size() <= kHelpTextRowLength
                ? content.size()
                : prefixBytes(content, kHelpTextRowLength);
            if (piece == content.size()) {
                std::string row;
                row.reserve(content.size() + lineBreak.size());
                row.append(content).append(lineBreak);
                rows.push_back(std::move(row));
                break;
            }
            rows.emplace_back(content.substr(0, piece));
            content.remove_prefix(piece);
        }
        pos = next;
    }
    return rows;
}

} // namespace varnett::data
