#pragma once

#include "sqltext/TsqlTokens.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace varnett::data {

using sqltext::Token;
using sqltext::TsqlTokens;

// Rewrites the tokens [first, last) of a T-SQL text into text SQLite reads
// the same way: N'...' strings lose the N, 0x... binary constants become
// X'...', a bracketed name holding "]" becomes a `...` name, varchar(max),
// nvarchar(max) and varbinary(max) become quoted type names, a "+" that
// joins strings (a string literal on either side, or NCHAR or CHAR after it)
// becomes "||", CAST(x AS sql_variant) becomes (x), comments become blanks
// (T-SQL comments nest, SQLite's do not), and numbers are written as
// exactSqliteNumber gives them. The engine gives SQLite an NCHAR function
// like its CHAR.
std::string toSqliteText(const TsqlTokens& tokens, std::size_t first, std::size_t last);

// A number literal (digits, ".", an exponent; no sign) as SQLite must see it
// to get the double that a correctly rounded reading gives. SQLite's own
// reading misses by one unit in the last place for some literals, so those
// are rewritten: to 18 significant digits, or for doubles below 1e-280 to an
// exact expression such as "(3.0/4611686018427387904/...)". Integers that
// fit 64 bits, literals equal in value to their 18-digit text ("1.5",
// "0.25") and numbers out of the double range stay as they are.
std::string exactSqliteNumber(std::string_view literal);

} // namespace varnett::data
