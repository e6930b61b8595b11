#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// Cuts a script into batches as BatchReader does, at the lines that hold only
// GO (any letter case, blanks around allowed). Lines end in CR LF or LF; a
// batch's text is its own lines joined by CR LF, without a line break after
// the last one. Batches holding nothing but blanks are left out. A UTF-8 byte
// order mark at the start is skipped.
std::vector<std::string> splitBatches(std::string_view script);

// True when the line (without its line break) holds only GO and blanks.
bool isGoLine(std::string_view line);

} // namespace varnett::sqltext
