#include "data/sqlite/TsqlTokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using varnett::data::Token;
using varnett::data::TsqlTokens;

namespace {

// "Kind:text" of every token, the texts put together.
std::vector<std::string> pieces(const TsqlTokens& tokens)
{
    static const char* const kNames[] = {"space", "line", "block", "word", "bracketed", "quoted",
                                         "backticked", "string", "nstring", "number", "binary",
                                         "symbol"};
    std::vector<std::string> out;
    for (const Token& token : tokens.tokens())
        out.push_back(std::string(kNames[static_cast<int>(token.kind)]) + ":"
                      + std::string(tokens.text(token)) + (token.unterminated ? "~" : ""));
    return out;
}

} // namespace

TEST(TsqlTokens, EveryByteBelongsToOneTokenOfItsKind)
{
    struct Case {
        std::string text;
        std::vector<std::string> pieces;
    };
    const std::vector<Case> cases = {
        // Found by fuzzing: a lower-case n before a quote starts a Unicode string.
        {"creatn's'", {"word:creatn", "string:'s'"}},
        {"x n's''t'", {"word:x", "space: ", "nstring:n's''t'"}},
        {"N'a' [b]]c]", {"nstring:N'a'", "space: ", "bracketed:[b]]c]"}},
        {"/* a /* b */ */-- c\n@x", {"block:/* a /* b */ */", "line:-- c", "space:\n", "word:@x"}},
        {"0x1F 1.5e3 \"q\"\"\"", {"binary:0x1F", "space: ", "number:1.5e3", "space: ",
                                  "quoted:\"q\"\"\""}},
        {"'open", {"string:'open~"}},
        {"[open", {"bracketed:[open~"}},
    };
    for (const Case& c : cases) {
        const TsqlTokens tokens(c.text);
        EXPECT_EQ(pieces(tokens), c.pieces) << c.text;
    }

    const TsqlTokens quoted("n'it''s' [a]]b]");
    EXPECT_EQ(quoted.stringValue(quoted.tokens()[0]), "it's");
    EXPECT_EQ(quoted.nameValue(quoted.tokens()[2]), "a]b");
}
