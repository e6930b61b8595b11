#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// The lines of a text cut at each LF; a CR before it stays with its line, so
// texts that differ only in their line ends differ line by line. A final LF
// ends the last line (no empty line follows it).
std::vector<std::string> diffLines(std::string_view text);

// One line of a comparison of two texts, in order: in both, only in the
// first (removed) or only in the second (added).
struct DiffLine {
    enum class Kind { Same, Removed, Added };
    Kind kind;
    std::string text;
};
std::vector<DiffLine> compareLines(std::string_view before, std::string_view after);

// The unified diff of two texts with three lines of context: "--- NAME",
// "+++ NAME", then "@@ -a,b +c,d @@" hunks, each line ended by LF; empty
// when the texts are equal.
std::string unifiedDiff(std::string_view before, std::string_view after, std::string_view beforeName,
                        std::string_view afterName);

} // namespace varnett::sqltext
