#include "sqltext/TsqlTokens.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Quoting.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace varnett::sqltext {

namespace {

// The character classes of AsciiText.h as a table, for the tokenizer's inner
// loops.
enum : unsigned char { kBlank = 1, kWordStart = 2, kWordChar = 4, kDigit = 8, kHex = 16 };

constexpr std::array<unsigned char, 256> kClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        classes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(
            (isWhiteSpace(c) ? kBlank : 0) | (isWordStart(c) ? kWordStart : 0)
            | (isWordChar(c) ? kWordChar : 0) | (isAsciiDigit(c) ? kDigit : 0)
            | (isHexDigit(c) ? kHex : 0));
    }
    return classes;
}();

inline bool is(char c, unsigned char cls)
{
    return (kClasses[static_cast<unsigned char>(c)] & cls) != 0;
}

} // namespace

TokenState TokenState::decode(int value)
{
    TokenState state;
    const int kind = value & 0xF;
    if (kind < Normal || kind > InBacktickName)
        return state;
    state.kind = static_cast<Kind>(kind);
    state.depth = value >> 4;
    if (state.kind == InBlockComment && state.depth < 1)
        state.depth = 1;
    if (state.kind != InBlockComment)
        state.depth = 0;
    return state;
}

TokenReader::TokenReader(std::string_view text, TokenState state, Backticks backticks)
    : m_text(text), m_state(state), m_backticks(backticks)
{
}

bool TokenReader::next(Token& token)
{
    if (m_pos >= m_text.size())
        return false;
    token.begin = m_pos;
    token.line = m_line;
    token.unterminated = false;
    token.kind = m_state.kind == TokenState::Normal ? scan(token.unterminated)
                                                    : resume(token.unterminated);
    token.end = m_pos;
    token.endLine = m_line - (m_text[m_pos - 1] == '\n' ? 1 : 0);
    if (!token.unterminated) {
        if (m_state.kind != TokenState::Normal)
            m_state = {};
    } else {
        switch (token.kind) {
        case Token::Kind::BlockComment:
            break; // scanning left the depth in m_state
        case Token::Kind::String:
        case Token::Kind::NString:
            m_state = {TokenState::InString, 0};
            break;
        case Token::Kind::Bracketed:
            m_state = {TokenState::InBracketName, 0};
            break;
        case Token::Kind::Quoted:
            m_state = {TokenState::InQuotedName, 0};
            break;
        default:
            m_state = {TokenState::InBacktickName, 0};
            break;
        }
    }
    return true;
}

void TokenReader::countLines(std::size_t from)
{
    const char* at = m_text.data() + from;
    const char* const end = m_text.data() + m_pos;
    while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
        ++m_line;
        at = static_cast<const char*>(found) + 1;
    }
}

// The rest of the construct the state holds open, from the start of the text.
Token::Kind TokenReader::resume(bool& unterminated)
{
    switch (m_state.kind) {
    case TokenState::InBlockComment:
        unterminated = !blockComment();
        return Token::Kind::BlockComment;
    case TokenState::InString:
        unterminated = !quoted('\'');
        return Token::Kind::String;
    case TokenState::InBracketName:
        unterminated = !quoted(']');
        return Token::Kind::Bracketed;
    case TokenState::InQuotedName:
        unterminated = !quoted('"');
        return Token::Kind::Quoted;
    default:
        unterminated = !quoted('`');
        return Token::Kind::Backticked;
    }
}

Token::Kind TokenReader::scan(bool& unterminated)
{
    const char c = m_text[m_pos];
    const char next = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : '\0';
    if (is(c, kWordStart) && !((c == 'N' || c == 'n') && next == '\'')) {
        ++m_pos;
        while (m_pos < m_text.size() && is(m_text[m_pos], kWordChar))
            ++m_pos;
        return Token::Kind::Word;
    }
    if (is(c, kBlank)) {
        for (; m_pos < m_text.size() && is(m_text[m_pos], kBlank); ++m_pos)
            if (m_text[m_pos] == '\n')
                ++m_line;
        return Token::Kind::Space;
    }
    if (c == '-' && next == '-') {
        m_pos = std::min(m_text.find_first_of("\r\n", m_pos), m_text.size());
        return Token::Kind::LineComment;
    }
    if (c == '/' && next == '*') {
        m_state.depth = 0;
        unterminated = !blockComment();
        return Token::Kind::BlockComment;
    }
    if ((c == 'N' || c == 'n') && next == '\'') {
        m_pos += 2;
        unterminated = !quoted('\'');
        return Token::Kind::NString;
    }
    if (c == '0' && (next == 'x' || next == 'X')) {
        m_pos += 2;
        while (m_pos < m_text.size() && is(m_text[m_pos], kHex))
            ++m_pos;
        return Token::Kind::Binary;
    }
    if (is(c, kDigit) || (c == '.' && is(next, kDigit))) {
        number();
        return Token::Kind::Number;
    }
    ++m_pos;
    switch (c) {
    case '\'':
        unterminated = !quoted('\'');
        return Token::Kind::String;
    case '"':
        unterminated = !quoted('"');
        return Token::Kind::Quoted;
    case '[':
        unterminated = !quoted(']');
        return Token::Kind::Bracketed;
    case '`':
        if (m_backticks == Backticks::Symbol)
            return Token::Kind::Symbol;
        unterminated = !quoted('`');
        return Token::Kind::Backticked;
    default:
        return Token::Kind::Symbol;
    }
}

// The body of a delimited piece from the current position, up to and with
// its closing character. False when the text ends first.
bool TokenReader::quoted(char close)
{
    const std::size_t start = m_pos;
    const std::size_t end = delimitedEnd(m_text, m_pos, close);
    m_pos = end == std::string_view::npos ? m_text.size() : end;
    countLines(start);
    return end != std::string_view::npos;
}

// Block comments nest: the depth in m_state counts the ones open.
bool TokenReader::blockComment()
{
    const std::size_t start = m_pos;
    int& depth = m_state.depth;
    bool closed = false;
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos];
        const char next = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : '\0';
        if (c == '/' && next == '*') {
            ++depth;
            m_pos += 2;
        } else if (c == '*' && next == '/') {
            m_pos += 2;
            if (--depth == 0) {
                closed = true;
                break;
            }
        } else {
            ++m_pos;
        }
    }
    countLines(start);
    if (!closed)
        m_state.kind = TokenState::InBlockComment;
    return closed;
}

// digits [. digits] [e [sign] digits], or . digits ...
void TokenReader::number()
{
    auto at = [this](std::size_t pos) { return pos < m_text.size() ? m_text[pos] : '\0'; };
    while (is(at(m_pos), kDigit))
        ++m_pos;
    if (at(m_pos) == '.') {
        ++m_pos;
        while (is(at(m_pos), kDigit))
            ++m_pos;
    }
    const char e = at(m_pos);
    if (e == 'e' || e == 'E') {
        std::size_t digits = m_pos + 1;
        if (at(digits) == '+' || at(digits) == '-')
            ++digits;
        if (isAsciiDigit(at(digits))) {
            m_pos = digits;
            while (isAsciiDigit(at(m_pos)))
                ++m_pos;
        }
    }
}

TsqlTokens::TsqlTokens(std::string_view text, Backticks backticks) : m_text(text)
{
    TokenReader reader(text, {}, backticks);
    Token token;
    while (reader.next(token))
        m_tokens.push_back(token);
}

bool TsqlTokens::isKeyword(const Token& token, std::string_view upperKeyword) const
{
    return token.kind == Token::Kind::Word && equalsNoCase(text(token), upperKeyword);
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
    return sqltext::nameValue(m_text, token);
}

std::string TsqlTokens::stringValue(const Token& token) const
{
    return sqltext::stringValue(m_text, token);
}

namespace {

// The characters between the marks of a delimited token, doubled closers
// undone.
std::string unquotedBody(std::string_view raw, std::size_t open, char close, bool unterminated)
{
    std::string_view body = raw.substr(std::min(open, raw.size()));
    if (!unterminated && !body.empty())
        body.remove_suffix(1);
    std::string out;
    out.reserve(body.size());
    appendUnquoted(out, body, close);
    return out;
}

} // namespace

std::string nameValue(std::string_view text, const Token& token)
{
    std::string_view raw = text.substr(token.begin, token.end - token.begin);
    switch (token.kind) {
    case Token::Kind::Bracketed:
        return unquotedBody(raw, 1, ']', token.unterminated);
    case Token::Kind::Quoted:
        return unquotedBody(raw, 1, '"', token.unterminated);
    case Token::Kind::Backticked:
        return unquotedBody(raw, 1, '`', token.unterminated);
    default:
        return std::string(raw);
    }
}

std::string stringValue(std::string_view text, const Token& token)
{
    std::string_view raw = text.substr(token.begin, token.end - token.begin);
    return unquotedBody(raw, token.kind == Token::Kind::NString ? 2 : 1, '\'', token.unterminated);
}

} // namespace varnett::sqltext
