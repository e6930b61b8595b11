#include "sqltext/TextDiff.h"

// The line comparison is dtl's (Debian libdtl-dev): Myers' O(ND) difference
// algorithm, with unified hunks.
#include <dtl/dtl.hpp>

#include <sstream>

namespace varnett::sqltext {

namespace {

using LineDiff = dtl::Diff<std::string, std::vector<std::string>>;

LineDiff diffOf(std::string_view before, std::string_view after)
{
    LineDiff diff(diffLines(before), diffLines(after));
    diff.onHuge();
    diff.compose();
    return diff;
}

} // namespace

std::vector<std::string> diffLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<DiffLine> compareLines(std::string_view before, std::string_view after)
{
    std::vector<DiffLine> lines;
    for (const auto& [line, info] : diffOf(before, after).getSes().getSequence()) {
        const DiffLine::Kind kind = info.type == dtl::SES_DELETE ? DiffLine::Kind::Removed
            : info.type == dtl::SES_ADD                          ? DiffLine::Kind::Added
                                                                 : DiffLine::Kind::Same;
        lines.push_back({kind, line});
    }
    return lines;
}

std::string unifiedDiff(std::string_view before, std::string_view after, std::string_view beforeName,
                        std::string_view afterName)
{
    if (before == after)
        return {};
    LineDiff diff = diffOf(before, after);
    diff.composeUnifiedHunks();
    std::ostringstream out;
    out << "--- " << beforeName << '\n' << "+++ " << afterName << '\n';
    diff.printUnifiedFormat(out);
    return out.str();
}

} // namespace varnett::sqltext
