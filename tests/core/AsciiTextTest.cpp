#include "sqltext/AsciiText.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;

TEST(AsciiText, EachBlankSetHoldsItsCharactersOnly)
{
    // Columns: space-or-tab, blank-or-line-break, white space, space-or-control.
    struct Case {
        char c;
        bool tab, lineBreak, white, control;
    };
    const Case cases[] = {
        {' ', true, true, true, true},      {'\t', true, true, true, true},
        {'\r', false, true, true, true},    {'\n', false, true, true, true},
        {'\f', false, false, true, true},   {'\v', false, false, true, true},
        {'\x01', false, false, false, true}, {'\x1f', false, false, false, true},
        {'\0', false, false, false, true},  {'!', false, false, false, false},
        {'a', false, false, false, false},  {'\x7f', false, false, false, false},
        {'\xa0', false, false, false, false}, {'\xc3', false, false, false, false},
    };
    for (const Case& c : cases) {
        const int code = static_cast<unsigned char>(c.c);
        EXPECT_EQ(isSpaceOrTab(c.c), c.tab) << code;
        EXPECT_EQ(isBlankOrLineBreak(c.c), c.lineBreak) << code;
        EXPECT_EQ(isWhiteSpace(c.c), c.white) << code;
        EXPECT_EQ(isSpaceOrControl(c.c), c.control) << code;
    }
}

TEST(AsciiText, TrimTakesOnlyTheSetFromBothEnds)
{
    struct Case {
        std::string_view text;
        CharTest set;
        std::string_view trimmed;
        bool blank;
    };
    const Case cases[] = {
        {"\x01 a b \x1f", isSpaceOrControl, "a b", false},
        {"\x01 a b \x1f", isWhiteSpace, "\x01 a b \x1f", false},
        {"\xc3\xa4", isSpaceOrControl, "\xc3\xa4", false},
        {" \t ", isSpaceOrControl, "", true},
        {"", isSpaceOrTab, "", true},
        {"\r\nGO\f", isWhiteSpace, "GO", false},
        {"\r\nGO\f", isBlankOrLineBreak, "GO\f", false},
        {"\tkey = v \r\n", isSpaceOrTab, "key = v \r\n", false},
        {" \r\n\f\v", isWhiteSpace, "", true},
        {" \r\n\f\v", isBlankOrLineBreak, "\f\v", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trim(c.text, c.set), c.trimmed) << c.text;
        EXPECT_EQ(isBlankText(c.text, c.set), c.blank) << c.text;
    }
}

TEST(AsciiText, CaseChangesAndComparesOnlyAsciiLetters)
{
    EXPECT_EQ(toUpperAscii("abz_ä1@[`{"), "ABZ_ä1@[`{");
    EXPECT_EQ(toLowerAscii("ABZ_Ä1@[`{"), "abz_Ä1@[`{");
    EXPECT_EQ(toUpperAscii("\xe4"), "\xe4");

    struct Case {
        std::string_view a, b;
        bool equal, less;
    };
    const Case cases[] = {
        {"SQLite", "sqlite", true, true},   // equal but for case: by bytes, "S" < "s"
        {"sqlite", "SQLITE", true, false},
        {"Ä", "ä", false, true},            // UTF-8 bytes are not folded
        {"[", "{", false, true},
        {"@", "`", false, true},            // no folding of the bytes beside the letters
        {"abc", "ABCD", false, true},
        {"b", "A", false, false},
        {"", "", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equalsNoCase(c.a, c.b), c.equal) << c.a << " " << c.b;
        EXPECT_EQ(lessNoCase(c.a, c.b), c.less) << c.a << " " << c.b;
    }
    EXPECT_TRUE(startsWithNoCase("tcp:host", "TCP:"));
    EXPECT_FALSE(startsWithNoCase("tc", "tcp"));
}
