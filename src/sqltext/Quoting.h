#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Delimited pieces of T-SQL: strings ('...'), bracketed names ([...]) and
// quoted names ("..."). Inside one, the closing character doubled stands for
// itself; every reader and writer of such pieces goes through these three.
namespace varnett::sqltext {

// The position after the closing character of a piece whose body starts at
// `from`, or npos when the text ends first.
std::size_t delimitedEnd(std::string_view text, std::size_t from, char close);

// Appends the body of a piece (its marks taken off) with every doubled
// closing character made one.
void appendUnquoted(std::string& out, std::string_view body, char close);

// Appends `open`, the text with every closing character doubled, and the
// closing character.
void appendQuoted(std::string& out, std::string_view text, std::string_view open, char close);

} // namespace varnett::sqltext
