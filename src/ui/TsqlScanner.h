#pragma once

#include <string_view>
#include <vector>

namespace varnett::ui {

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

// Where a scan stopped: inside a construct that goes on past the text
// (a block comment, which nests in T-SQL, a string or a delimited name).
struct TsqlState {
    enum Kind { Normal = 0, InBlockComment = 1, InString = 2, InBracketName = 3, InQuotedName = 4 };
    Kind kind = Normal;
    int depth = 0; // nesting depth of block comments

    // A small integer to keep per line, and back.
    int encode() const { return static_cast<int>(kind) | (depth << 4); }
    static TsqlState decode(int value);
    bool operator==(const TsqlState&) const = default;
};

struct TsqlToken {
    int start = 0;  // byte offset in the scanned text
    int length = 0; // in bytes
    TsqlStyle style = TsqlStyle::Default;
    bool operator==(const TsqlToken&) const = default;
};

// Splits UTF-8 text into styled tokens that together cover it, starting in
// `state` (what the text before it left open). Returns the state at its end.
TsqlState scanTsql(std::string_view text, TsqlState state, std::vector<TsqlToken>& tokens);

// The style of a bare word: keyword, data type, function or default.
// Letter case does not matter.
TsqlStyle wordStyle(std::string_view word);

} // namespace varnett::ui
