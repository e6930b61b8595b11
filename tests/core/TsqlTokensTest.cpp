#include "sqltext/TsqlStyles.h"
#include "sqltext/TsqlTokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using varnett::sqltext::Backticks;
using varnett::sqltext::StyledToken;
using varnett::sqltext::styleTsql;
using varnett::sqltext::Token;
using varnett::sqltext::TokenState;
using varnett::sqltext::TsqlTokens;

namespace {

// "kind:text" of every token, the texts put together.
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

// The text as the editor colours it, "style:text" pieces.
std::vector<std::string> styled(const std::string& text, TokenState state = {},
                                TokenState* end = nullptr)
{
    std::vector<StyledToken> runs;
    const TokenState after = styleTsql(text, state, runs);
    if (end)
        *end = after;
    std::vector<std::string> out;
    int covered = 0;
    for (const StyledToken& run : runs) {
        EXPECT_EQ(run.start, covered) << "runs leave no gap";
        covered = run.start + run.length;
        std::string piece = text.substr(static_cast<std::size_t>(run.start),
                                        static_cast<std::size_t>(run.length));
        // Blanks join the default text beside them; they are left out here.
        piece.erase(0, piece.find_first_not_of(' '));
        piece.erase(piece.find_last_not_of(' ') + 1);
        if (!piece.empty())
            out.push_back(std::to_string(static_cast<int>(run.style)) + ":" + piece);
    }
    EXPECT_EQ(covered, static_cast<int>(text.size())) << "runs cover the text";
    return out;
}

struct Row {
    std::string text;
    std::vector<std::string> expected;
};

} // namespace

TEST(TsqlTokens, EveryByteBelongsToOneTokenOfItsKind)
{
    const Row rows[] = {
        // Found by fuzzing: a lower-case n before a quote starts a Unicode string.
        {"creatn's'", {"word:creatn", "string:'s'"}},
        {"x n's''t'", {"word:x", "space: ", "nstring:n's''t'"}},
        {"N'a' [b]]c]", {"nstring:N'a'", "space: ", "bracketed:[b]]c]"}},
        {"/* a /* b */ */-- c\n@x", {"block:/* a /* b */ */", "line:-- c", "space:\n", "word:@x"}},
        {"0x1F 1.5e3 \"q\"\"\"", {"binary:0x1F", "space: ", "number:1.5e3", "space: ",
                                  "quoted:\"q\"\"\""}},
        {"'open", {"string:'open~"}},
        {"[open", {"bracketed:[open~"}},
        // A lone CR ends a line comment as LF does.
        {"--x\rBACKUP", {"line:--x", "space:\r", "word:BACKUP"}},
        // A number ends where its digits do, as the server reads it.
        {"12abc 0x1G 1e", {"number:12", "word:abc", "space: ", "binary:0x1", "word:G", "space: ",
                           "number:1", "word:e"}},
        {"`a``b`", {"backticked:`a``b`"}},
    };
    for (const Row& row : rows) {
        const TsqlTokens tokens(row.text, Backticks::Names);
        EXPECT_EQ(pieces(tokens), row.expected) << row.text;
    }
    // The server reads no backticked names.
    EXPECT_EQ(pieces(TsqlTokens("`a b`")), (std::vector<std::string>{"symbol:`", "word:a", "space: ",
                                                                   "word:b", "symbol:`"}));

    const TsqlTokens quoted("n'it''s' [a]]b]");
    EXPECT_EQ(quoted.stringValue(quoted.tokens()[0]), "it's");
    EXPECT_EQ(quoted.nameValue(quoted.tokens()[2]), "a]b");

    const TsqlTokens lines("a\n'b\r\nc'\n\nd");
    ASSERT_EQ(lines.tokens().size(), 5u);
    EXPECT_EQ(lines.tokens()[2].line, 1);
    EXPECT_EQ(lines.tokens()[2].endLine, 2);
    EXPECT_EQ(lines.tokens()[4].line, 4);
}

// Styles: 1 line comment, 2 block comment, 3 keyword, 4 type, 5 function,
// 6 string, 7 delimited name, 8 number, 9 variable, 10 operator, 0 default.
TEST(TsqlTokens, TheEditorColoursEachKindOfToken)
{
    const Row rows[] = {
        {"select Name from [Order Details]", {"3:select", "0:Name", "3:from", "7:[Order Details]"}},
        {"DECLARE @p int = 0x1F", {"3:DECLARE", "9:@p", "4:int", "10:=", "8:0x1F"}},
        {"SET @@ROWCOUNT = 1.5e3", {"3:SET", "9:@@ROWCOUNT", "10:=", "8:1.5e3"}},
        {"N'it''s' + 'x'", {"6:N'it''s'", "10:+", "6:'x'"}},
        {"\"my \"\"col\"\"\" -- note ' [", {"7:\"my \"\"col\"\"\"", "1:-- note ' ["}},
        {"a]]b getdate() 12abc", {"0:a]]b", "5:getdate", "10:()", "8:12", "0:abc"}},
        {"/* a /* nested */ still */ END", {"2:/* a /* nested */ still */", "3:END"}},
        {"[a]]b] nvarchar(41)", {"7:[a]]b]", "4:nvarchar", "10:(", "8:41", "10:)"}},
        {"#temp cOuNt(*)", {"0:#temp", "5:cOuNt", "10:(*)"}},
        {"--x\rselect `a`", {"1:--x", "0:\r", "3:select", "0:`a`"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(styled(row.text), row.expected) << row.text;
}

TEST(TsqlTokens, OpenConstructsCarryOverToTheNextLine)
{
    struct Case {
        const char* first;
        TokenState::Kind open;
        const char* second;
        std::vector<std::string> expected;
    } cases[] = {
        {"select 'abc", TokenState::InString, "def' x", {"6:def'", "0:x"}},
        {"select N'abc", TokenState::InString, "def' x", {"6:def'", "0:x"}},
        {"/* one /* two */", TokenState::InBlockComment, "*/ go", {"2:*/", "3:go"}},
        {"[long", TokenState::InBracketName, "name] 1", {"7:name]", "8:1"}},
        {"\"quoted", TokenState::InQuotedName, "\" @v", {"7:\"", "9:@v"}},
    };
    for (const Case& c : cases) {
        TokenState end;
        styled(c.first, {}, &end);
        EXPECT_EQ(end.kind, c.open) << c.first;
        // The state survives the round trip through the editor's line state.
        const TokenState kept = TokenState::decode(end.encode());
        EXPECT_EQ(kept, end);
        TokenState after;
        EXPECT_EQ(styled(c.second, kept, &after), c.expected) << c.second;
        EXPECT_EQ(after.kind, TokenState::Normal) << c.second;
    }
    // A nested comment needs both closings.
    TokenState end;
    styled("/* a /* b", {}, &end);
    EXPECT_EQ(end.depth, 2);
    styled("*/", end, &end);
    EXPECT_EQ(end.kind, TokenState::InBlockComment);
    EXPECT_EQ(end.depth, 1);
}
