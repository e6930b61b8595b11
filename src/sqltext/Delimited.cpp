#include "sqltext/Delimited.h"

namespace varnett::sqltext {

std::string delimitedField(const std::optional<std::string>& value, char delimiter)
{
    if (!value)
        return {};
    const char special[] = {delimiter, '"', '\r', '\n', '\0'};
    if (!value->empty() && value->find_first_of(special) == std::string::npos
        && value->front() != ' ' && value->back() != ' ')
        return *value;
    std::string out = "\"";
    for (char c : *value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

} // namespace varnett::sqltext
