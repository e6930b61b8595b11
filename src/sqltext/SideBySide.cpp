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

} // namespace

std::vector<SideBySideRow> sideBySide(std::string_view before, std::string_view after)
{
    std::vector<SideBySideRow> rows;
    std::vector<std::string> removed;
    std::vector<std::string> added;
    for (DiffLine& line : compareLines(before, after)) {
        switch (line.kind) {
        case DiffLine::Kind::Removed:
            removed.push_back(std::move(line.text));
            break;
        case DiffLine::Kind::Added:
            added.push_back(std::move(line.text));
            break;
        case DiffLine::Kind::Same:
            flushRun(removed, added, rows);
            rows.push_back({Kind::Same, line.text, line.text});
            break;
        }
    }
    flushRun(removed, added, rows);
    return rows;
}

} // namespace varnett::sqltext
