#include "ui/TsqlScanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using varnett::ui::scanTsql;
using varnett::ui::TsqlState;
using varnett::ui::TsqlStyle;
using varnett::ui::TsqlToken;

namespace {

// The scanned text as "style:text" pieces, for readable expectations.
std::vector<std::string> pieces(const std::string& text, TsqlState state = {},
                                TsqlState* end = nullptr)
{
    std::vector<TsqlToken> tokens;
    const TsqlState after = scanTsql(text, state, tokens);
    if (end)
        *end = after;
    std::vector<std::string> out;
    int covered = 0;
    for (const TsqlToken& token : tokens) {
        EXPECT_EQ(token.start, covered) << "tokens leave no gap";
        covered = token.start + token.length;
        std::string piece = text.substr(static_cast<std::size_t>(token.start),
                                        static_cast<std::size_t>(token.length));
        // Blanks join the default text beside them; they are left out here.
        piece.erase(0, piece.find_first_not_of(' '));
        piece.erase(piece.find_last_not_of(' ') + 1);
        if (!piece.empty())
            out.push_back(std::to_string(static_cast<int>(token.style)) + ":" + piece);
    }
    EXPECT_EQ(covered, static_cast<int>(text.size())) << "tokens cover the text";
    return out;
}

struct Row {
    const char* text;
    std::vector<std::string> expected;
};

} // namespace

// Styles: 1 line comment, 2 block comment, 3 keyword, 4 type, 5 function,
// 6 string, 7 delimited name, 8 number, 9 variable, 10 operator, 0 default.
TEST(TsqlScannerTest, ColoursEachKindOfToken)
{
    const Row rows[] = {
        {"select Name from [Order Details]", {"3:select", "0:Name", "3:from", "7:[Order Details]"}},
        {"DECLARE @p int = 0x1F", {"3:DECLARE", "9:@p", "4:int", "10:=", "8:0x1F"}},
        {"SET @@ROWCOUNT = 1.5e3", {"3:SET", "9:@@ROWCOUNT", "10:=", "8:1.5e3"}},
        {"N'it''s' + 'x'", {"6:N'it''s'", "10:+", "6:'x'"}},
        {"\"my \"\"col\"\"\" -- note ' [", {"7:\"my \"\"col\"\"\"", "1:-- note ' ["}},
        {"a]]b getdate() 12abc", {"0:a]]b", "5:getdate", "10:()", "0:12abc"}},
        {"/* a /* nested */ still */ END", {"2:/* a /* nested */ still */", "3:END"}},
        {"[a]]b] nvarchar(41)", {"7:[a]]b]", "4:nvarchar", "10:(", "8:41", "10:)"}},
        {"#temp cOuNt(*)", {"0:#temp", "5:cOuNt", "10:(*)"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(pieces(row.text), row.expected) << row.text;
}

TEST(TsqlScannerTest, OpenConstructsCarryOverToTheNextLine)
{
    struct Case {
        const char* first;
        TsqlState::Kind open;
        const char* second;
        std::vector<std::string> expected;
    } cases[] = {
        {"select 'abc", TsqlState::InString, "def' x", {"6:def'", "0:x"}},
        {"/* one /* two */", TsqlState::InBlockComment, "*/ go", {"2:*/", "3:go"}},
        {"[long", TsqlState::InBracketName, "name] 1", {"7:name]", "8:1"}},
        {"\"quoted", TsqlState::InQuotedName, "\" @v", {"7:\"", "9:@v"}},
    };
    for (const Case& c : cases) {
        TsqlState end;
        pieces(c.first, {}, &end);
        EXPECT_EQ(end.kind, c.open) << c.first;
        // The state survives the round trip through the editor's line state.
        const TsqlState kept = TsqlState::decode(end.encode());
        EXPECT_EQ(kept, end);
        TsqlState after;
        EXPECT_EQ(pieces(c.second, kept, &after), c.expected) << c.second;
        EXPECT_EQ(after.kind, TsqlState::Normal) << c.second;
    }
    // A nested comment needs both closings.
    TsqlState end;
    pieces("/* a /* b", {}, &end);
    EXPECT_EQ(end.depth, 2);
    pieces("*/", end, &end);
    EXPECT_EQ(end.kind, TsqlState::InBlockComment);
    EXPECT_EQ(end.depth, 1);
}
