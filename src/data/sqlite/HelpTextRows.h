#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// The longest row, in characters, that the procedure-text query returns.
inline constexpr std::size_t kHelpTextRowLength = 255;

// Cuts a procedure's source into the rows the procedure-text query returns:
// one row per line with its own line break (CR LF or LF; a last line without
// one has none). A line longer than 255 characters (UTF-8 code points)
// becomes several rows of 255, the last piece keeping the line break; a
// character is never split. The rows joined give the source back.
std::vector<std::string> helpTextRows(std::string_view source);

} // namespace varnett::data
