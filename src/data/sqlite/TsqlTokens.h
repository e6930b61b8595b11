#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// One lexical piece of a T-SQL text. Every byte of the text belongs to
// exactly one token, so the tokens put back together give the text again.
struct Token {
    enum class Kind {
        Space,          // blanks and line breaks
        LineComment,    // -- up to the line break (not included)
        BlockComment,   // /* ... */, nested ones included
        Word,           // identifiers, keywords and variables (@x, #t)
        Bracketed,      // [name] with ]] for ]
        Quoted,         // "name" with "" for "
        Backticked,     // `name` with `` for ` (SQLite)
        String,         // '...' with '' for '
        NString,        // N'...'
        Number,         // 12, 1.5, 2e10
        Binary,         // 0x1F (T-SQL binary constant)
        Symbol,         // any other single byte
    };
    Kind kind = Kind::Symbol;
    std::size_t begin = 0;      // byte offsets into the text
    std::size_t end = 0;
    int line = 0;               // line of the first byte, counting from 0
    int endLine = 0;            // line of the last byte
    bool unterminated = false;  // a string, quoted name or comment that runs to the end

    bool significant() const
    {
        return kind != Kind::Space && kind != Kind::LineComment && kind != Kind::BlockComment;
    }
};

// A T-SQL text cut into tokens.
class TsqlTokens {
public:
    explicit TsqlTokens(std::string_view text);

    std::string_view text() const { return m_text; }
    const std::vector<Token>& tokens() const { return m_tokens; }
    std::string_view text(const Token& token) const
    {
        return m_text.substr(token.begin, token.end - token.begin);
    }

    // True for a Word token equal to the upper-case keyword, any letter case.
    bool isKeyword(const Token& token, std::string_view upperKeyword) const;
    // True for a Symbol token of that byte.
    bool isSymbol(const Token& token, char symbol) const;
    // True for tokens that can be one part of an object name.
    static bool isNamePart(const Token& token);
    // The name a Word, Bracketed, Quoted or Backticked token stands for.
    std::string nameValue(const Token& token) const;
    // The characters of a String or NString token, quotes removed.
    std::string stringValue(const Token& token) const;

private:
    std::string_view m_text;
    std::vector<Token> m_tokens;
};

} // namespace varnett::data
