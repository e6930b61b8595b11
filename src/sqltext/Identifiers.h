#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// "[" + name + "]" with every "]" inside doubled.
std::string bracketQuote(std::string_view name);

// A T-SQL string literal: '...' (or N'...' when unicode) with every ' doubled.
std::string stringLiteral(std::string_view text, bool unicode);

// True for a T-SQL regular identifier: a letter, "_", "@" or "#" first, then
// letters, decimal digits, "_", "@", "#" or "$". Letters and digits are those
// of Unicode (3.2, Basic Multilingual Plane), read from UTF-8: "Preis€", a
// no-break space or an emoji make a name irregular.
bool isRegularIdentifier(std::string_view name);

// A regular identifier that does not start with "#" or "@" (which would make
// it a temporary object or a variable): a name that may stand bare.
bool isBareName(std::string_view name);

// True for a T-SQL reserved keyword (ORDER, USER, TABLE, ...), any letter case.
bool isReservedKeyword(std::string_view name);

// The name as it can stand in a statement: bare when it is a bare name
// (above) and no reserved keyword, otherwise bracket-quoted.
std::string quoteIfNeeded(std::string_view name);

// The name made fit to follow "@p" in a variable name: every character but
// letters, decimal digits and "_" becomes one "_" ("Order Date" gives
// "Order_Date", "Preis€" gives "Preis_"). "#", "$" and "@", which the server
// would take, are replaced as well, so no name reads as another variable.
std::string variableSafe(std::string_view name);

// Splits a multi-part object name ("db.dbo.[a]]b]", "dbo.x", "\"q\".x") into
// its parts, without brackets or quotes. Throws varnett::Error for an
// unterminated bracket or quote.
std::vector<std::string> splitMultipartName(std::string_view name);

} // namespace varnett::sqltext
