#pragma once

#include "sqltext/TsqlTokens.h"

#include <string_view>
#include <vector>

namespace varnett::sqltext {

// The kinds of T-SQL text the editors colour. The numbers are the editor's
// style numbers.
enum class TsqlStyle {
    Default = 0,
    LineComment = 1,
    BlockComment = 2,
    Keyword = 3,
    DataType = 4,
    Function = 5,
    String = 6,
    Name = 7,     // [bracketed] or "quoted" identifier
    Number = 8,
    Variable = 9, // @name, @@name
    Operator = 10,
};
constexpr int kTsqlStyleCount = 11;

// A run of text of one style.
struct StyledToken {
    int start = 0;  // byte offset in the text
    int length = 0; // in bytes
    TsqlStyle style = TsqlStyle::Default;
    bool operator==(const StyledToken&) const = default;
};

// Splits UTF-8 text into styled runs that together cover it, reading its
// tokens from `state` (what the text before it left open); runs of one style
// side by side are one. Returns the state at its end.
TokenState styleTsql(std::string_view text, TokenState state, std::vector<StyledToken>& runs);

// The style of a bare word: keyword, data type, function or default.
// Letter case does not matter.
TsqlStyle wordStyle(std::string_view word);

} // namespace varnett::sqltext
