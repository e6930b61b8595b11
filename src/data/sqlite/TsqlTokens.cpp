#include "data/sqlite/TsqlTokens.h"

#include "sqltext/AsciiText.h"

#include <algorithm>

namespace varnett::data {

namespace {

using sqltext::isWhiteSpace;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isWordStart(char c)
{
    auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == '@' || u == '#'
        || u >= 0x80;
}

bool isWordChar(char c) { return isWordStart(c) || isDigit(c) || c == '$'; }

class Lexer {
public:
    explicit Lexer(std::string_view text) : m_text(text) {}

    std::vector<Token> run()
    {
        std::vector<Token> tokens;
        while (m_pos < m_text.size()) {
            Token token;
            token.begin = m_pos;
            token.line = m_line;
            token.kind = scan(token.unterminated);
            token.end = m_pos;
            token.endLine = m_line - (m_text[m_pos - 1] == '\n' ? 1 : 0);
            tokens.push_back(token);
        }
        return tokens;
    }

private:
    char at(std::size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }

    void advance()
    {
        if (m_text[m_pos] == '\n')
            ++m_line;
        ++m_pos;
    }

    Token::Kind scan(bool& unterminated)
    {
        char c = m_text[m_pos];
        char next = at(m_pos + 1);
        if (isWhiteSpace(c)) {
            while (m_pos < m_text.size() && isWhiteSpace(m_text[m_pos]))
                advance();
            return Token::Kind::Space;
        }
        if (c == '-' && next == '-') {
            while (m_pos < m_text.size() && m_text[m_pos] != '\n')
                advance();
            return Token::Kind::LineComment;
        }
        if (c == '/' && next == '*') {
            unterminated = !scanBlockComment();
            return Token::Kind::BlockComment;
        }
        if ((c == 'N' || c == 'n') && next == '\'') {
            advance();
            unterminated = !scanQuoted('\'');
            return Token::Kind::NString;
        }
        if (c == '0' && (next == 'x' || next == 'X')) {
            advance();
            advance();
            while (m_pos < m_text.size() && isHexDigit(m_text[m_pos]))
                advance();
            return Token::Kind::Binary;
        }
        if (isDigit(c) || (c == '.' && isDigit(next))) {
            scanNumber();
            return Token::Kind::Number;
        }
        if (isWordStart(c)) {
            while (m_pos < m_text.size() && isWordChar(m_text[m_pos]))
                advance();
            return Token::Kind::Word;
        }
        switch (c) {
        case '\'':
            unterminated = !scanQuoted('\'');
            return Token::Kind::String;
        case '"':
            unterminated = !scanQuoted('"');
            return Token::Kind::Quoted;
        case '[':
            unterminated = !scanQuoted(']');
            return Token::Kind::Bracketed;
        case '`':
            unterminated = !scanQuoted('`');
            return Token::Kind::Backticked;
        default:
            advance();
            return Token::Kind::Symbol;
        }
    }

    // From the opening character to the closing one; a doubled closing
    // character stands for one. False when the text ends first.
    bool scanQuoted(char close)
    {
        advance();
        while (m_pos < m_text.size()) {
            if (m_text[m_pos] == close) {
                advance();
                if (at(m_pos) != close)
                    return true;
            }
            advance();
        }
        return false;
    }

    bool scanBlockComment()
    {
        int depth = 0;
        while (m_pos < m_text.size()) {
            if (m_text[m_pos] == '/' && at(m_pos + 1) == '*') {
                ++depth;
                advance();
                advance();
            } else if (m_text[m_pos] == '*' && at(m_pos + 1) == '/') {
                advance();
                advance();
                if (--depth == 0)
                    return true;
            } else {
                advance();
            }
        }
        return false;
    }

    void scanNumber()
    {
        while (isDigit(at(m_pos)))
            advance();
        if (at(m_pos) == '.') {
            advance();
            while (isDigit(at(m_pos)))
                advance();
        }
        char e = at(m_pos);
        if (e == 'e' || e == 'E') {
            std::size_t digits = m_pos + 1;
            if (at(digits) == '+' || at(digits) == '-')
                ++digits;
            if (isDigit(at(digits))) {
                while (m_pos < digits)
                    advance();
                while (isDigit(at(m_pos)))
                    advance();
            }
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 0;
};

// The characters between the quotes of a quoted token, doubled closers undone.
std::string unquote(std::string_view quoted, char close, bool unterminated)
{
    std::string_view inner = quoted.substr(1);
    if (!unterminated && !inner.empty())
        inner.remove_suffix(1);
    std::string out;
    out.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        out += inner[i];
        if (inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close)
            ++i;
    }
    return out;
}

} // namespace

TsqlTokens::TsqlTokens(std::string_view text) : m_text(text), m_tokens(Lexer(text).run()) {}

bool TsqlTokens::isKeyword(const Token& token, std::string_view upperKeyword) const
{
    return token.kind == Token::Kind::Word && sqltext::equalsNoCase(text(token), upperKeyword);
}

bool TsqlTokens::isSymbol(const Token& token, char symbol) const
{
    return token.kind == Token::Kind::Symbol && m_text[token.begin] == symbol;
}

bool TsqlTokens::isNamePart(const Token& token)
{
    return token.kind == Token::Kind::Word || token.kind == Token::Kind::Bracketed
        || token.kind == Token::Kind::Quoted || token.kind == Token::Kind::Backticked;
}

std::string TsqlTokens::nameValue(const Token& token) const
{
    std::string_view raw = text(token);
    switch (token.kind) {
    case Token::Kind::Bracketed:
        return unquote(raw, ']', token.unterminated);
    case Token::Kind::Quoted:
        return unquote(raw, '"', token.unterminated);
    case Token::Kind::Backticked:
        return unquote(raw, '`', token.unterminated);
    default:
        return std::string(raw);
    }
}

std::string TsqlTokens::stringValue(const Token& token) const
{
    std::string_view raw = text(token);
    if (token.kind == Token::Kind::NString)
        raw.remove_prefix(1);
    return unquote(raw, '\'', token.unterminated);
}

} // namespace varnett::data
