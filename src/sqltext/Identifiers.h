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
// letters, digits, "_", "@", "#" or "$" (non-ASCII letters count as letters).
bool isRegularIdentifier(std::string_view name);

// True for a T-SQL reserved keyword (ORDER, USER, TABLE, ...), any letter case.
bool isReservedKeyword(std::string_view name);

// The name as it can stand in a statement: bare when it is a regular
// identifier and no reserved keyword, otherwise bracket-quoted.
std::string quoteIfNeeded(std::string_view name);

// The name made fit for a variable name: every character that a regular
// identifier cannot hold becomes "_" ("Order Date" gives "Order_Date").
std::string variableSafe(std::string_view name);

// Splits a multi-part object name ("db.dbo.[a]]b]", "dbo.x", "\"q\".x") into
// its parts, without brackets or quotes. Throws varnett::Error for an
// unterminated bracket or quote.
std::vector<std::string> splitMultipartName(std::string_view name);

} // namespace varnett::sqltext
