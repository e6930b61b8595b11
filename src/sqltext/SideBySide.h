#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// One row of two texts shown side by side, lines that are equal facing each
// other. A changed row pairs a line of the first text with the line of the
// second that took its place; a removed row has no line on the right, an
// added row none on the left (the view shows a blank filler line there).
struct SideBySideRow {
    enum class Kind { Same, Removed, Added, Changed };
    Kind kind;
    std::optional<std::string> left;
    std::optional<std::string> right;

    friend bool operator==(const SideBySideRow&, const SideBySideRow&) = default;
};

// The rows of the two texts, lines cut as diffLines cuts them (a CR before
// the LF stays with its line). Lines that differ only in that CR face each
// other as a changed row. In each run of differing lines the first lines
// removed and added pair up as changed rows; the rest are removed or added
// rows, in the order of their texts.
std::vector<SideBySideRow> sideBySide(std::string_view before, std::string_view after);

} // namespace varnett::sqltext
