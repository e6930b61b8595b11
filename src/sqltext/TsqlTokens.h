#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// One lexical piece of a T-SQL text. Every byte of the text belongs to
// exactly one token, so the tokens put back together give the text again.
struct Token {
    enum class Kind {
        Space,          // blanks and line breaks
        LineComment,    // -- up to the line break (LF or CR, not included)
        BlockComment,   // /* ... */, nested ones included
        Word,           // identifiers, keywords and variables (@x, #t)
        Bracketed,      // [name] with ]] for ]
        Quoted,         // "name" with "" for "
        Backticked,     // `name` with `` for ` (SQLite; read only when asked)
        String,         // '...' with '' for '
        NString,        // N'...'
        Number,         // 12, 1.5, 2e10 (12abc is the number 12 and the word abc)
        Binary,         // 0x1F (T-SQL binary constant)
        Symbol,         // any other single byte
    };
    Kind kind = Kind::Symbol;
    std::size_t begin = 0;      // byte offsets into the text
    std::size_t end = 0;
    int line = 0;               // line of the first byte, counting LFs from 0
    int endLine = 0;            // line of the last byte
    bool unterminated = false;  // a string, quoted name or comment that runs to the end

    bool significant() const
    {
        return kind != Kind::Space && kind != Kind::LineComment && kind != Kind::BlockComment;
    }
};

// What a text leaves open at its end: a construct that goes on past it (a
// block comment, which nests in T-SQL, a string or a delimited name). A text
// that starts where another one stopped (the next line in an editor) is read
// from that state.
struct TokenState {
    enum Kind {
        Normal = 0,
        InBlockComment = 1,
        InString = 2,
        InBracketName = 3,
        InQuotedName = 4,
        InBacktickName = 5,
    };
    Kind kind = Normal;
    int depth = 0; // nesting depth of block comments

    // A small integer to keep per line, and back.
    int encode() const { return static_cast<int>(kind) | (depth << 4); }
    static TokenState decode(int value);
    bool operator==(const TokenState&) const = default;
};

// Whether `name` is a quoted name, as SQLite reads it, or a symbol, as the
// server does.
enum class Backticks { Symbol, Names };

// Reads a T-SQL text token by token, from a state a text before it left.
class TokenReader {
public:
    explicit TokenReader(std::string_view text, TokenState state = {},
                         Backticks backticks = Backticks::Symbol);

    // The next token; false at the end of the text.
    bool next(Token& token);
    // What the tokens read so far leave open.
    TokenState state() const { return m_state; }
    std::string_view text() const { return m_text; }

private:
    Token::Kind scan(bool& unterminated);
    Token::Kind resume(bool& unterminated);
    bool quoted(char close);
    bool blockComment();
    void number();
    void countLines(std::size_t from);

    std::string_view m_text;
    TokenState m_state;
    Backticks m_backticks;
    std::size_t m_pos = 0;
    int m_line = 0;
};

// A T-SQL text cut into tokens.
class TsqlTokens {
public:
    explicit TsqlTokens(std::string_view text, Backticks backticks = Backticks::Symbol);

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

// The name a Word, Bracketed, Quoted or Backticked token of `text` stands for.
std::string nameValue(std::string_view text, const Token& token);
// The characters of a String or NString token of `text`, quotes removed.
std::string stringValue(std::string_view text, const Token& token);

} // namespace varnett::sqltext
