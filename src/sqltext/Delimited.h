#pragma once

#include <optional>
#include <string>

namespace varnett::sqltext {

// A field of a delimited line (RFC 4180): quoted when it must be (it holds
// the delimiter, a quote or a line break, starts or ends with a blank, or is
// empty), each quote doubled inside. NULL is an empty field, the empty text "".
std::string delimitedField(const std::optional<std::string>& value, char delimiter);

// The same with a comma.
inline std::string csvField(const std::optional<std::string>& value)
{
    return delimitedField(value, ',');
}

} // namespace varnett::sqltext
