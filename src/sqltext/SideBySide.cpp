#include "sqltext/SideBySide.h"

#include "sqltext/TextDiff.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

using Kind = SideBySideRow::Kind;

// A run of differing lines, removed and added in whatever order the
// comparison gave them, as rows.
void flushRun(std::vector<std::string>& removed, std::vector<std::string>& added,
              std::vector<SideBySideRow>& rows)
{
    const std::size_t paired = std::min(removed.size(), added.size());
    for (std::size_t i = 0; i < paired; ++i)
        rows.push_back({Kind::Changed, std::move(removed[i]), std::move(added[i])});
    for (std::size_t i = paired; i < removed.size(); ++i)
        rows.push_back({Kind::Removed, std::move(removed[i]), std::nullopt});
    for (std::size_t i = paired; i < added.size(); ++i)
        rows.push_back({Kind::Added, std::nullopt, std::move(added[i])});
    removed.clear();
    added.clear();
}

std::string withoutCr(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n')
            out += text[i];
    return out;
}

} // namespace

std::vector<SideBySideRow> sideBySide(std::string_view before, std::string_view after)
{
    // The lines are matched without their CR, so that lines whose ends
    // alone differ still face each other (as changed rows); the rows keep
    // the lines as they are. Only a CR before an LF goes, so both forms have
    // the same lines.
    const std::vector<std::string> left = diffLines(before);
    const std::vector<std::string> right = diffLines(after);
    std::size_t l = 0;
    std::size_t r = 0;
    std::vector<SideBySideRow> rows;
    std::vector<std::string> removed;
    std::vector<std::string> added;
    for (const DiffLine& line : compareLines(withoutCr(before), withoutCr(after))) {
        switch (line.kind) {
        case DiffLine::Kind::Removed:
            removed.push_back(left.at(l++));
            break;
        case DiffLine::Kind::Added:
            added.push_back(right.at(r++));
            break;
        case DiffLine::Kind::Same:
            flushRun(removed, added, rows);
            rows.push_back({left.at(l) == right.at(r) ? Kind::Same : Kind::Changed, left.at(l), right.at(r)});
            ++l;
            ++r;
            break;
        }
    }
    flushRun(removed, added, rows);
    return rows;
}

} // namespace varnett::sqltext
