#pragma once

#include "data/sqlite/TsqlTokens.h"

#include <cstddef>
#include <string>

namespace varnett::data {

// Rewrites the tokens [first, last) of a T-SQL text into text SQLite reads
// the same way: N'...' strings lose the N, 0x... binary constants become
// X'...', a bracketed name holding "]" becomes a `...` name, varchar(max),
// nvarchar(max) and varbinary(max) become quoted type names, a "+" that
// joins strings (a string literal on either side, or NCHAR or CHAR after it)
// becomes "||", and comments become blanks (T-SQL comments nest, SQLite's do
// not). The engine gives SQLite an NCHAR function like its CHAR.
std::string toSqliteText(const TsqlTokens& tokens, std::size_t first, std::size_t last);

} // namespace varnett::data
