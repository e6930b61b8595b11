#include "sqltext/InsertLiterals.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Quoting.h"
#include "sqltext/TsqlTokens.h"

#include <charconv>
#include <cstdint>

namespace varnett::sqltext {

namespace {

using TokenKind = Token::Kind;

class Reader {
public:
    Reader(std::string_view text, InsertLiterals& out) : m_text(text), m_tokens(text), m_out(out)
    {
        advance();
    }

    bool run()
    {
        m_out.statements.clear();
        m_out.values.clear();
        m_out.arena.clear();
        skipBlanks();
        if (m_atEnd)
            return false;
        while (!m_atEnd) {
            if (!statement())
                return false;
            skipBlanks();
            while (isSymbol(';')) {
                advance();
                skipBlanks();
            }
        }
        return true;
    }

private:
    void advance() { m_atEnd = !m_tokens.next(m_token); }

    std::string_view raw() const { return m_text.substr(m_token.begin, m_token.end - m_token.begin); }

    bool isSymbol(char c) const
    {
        return !m_atEnd && m_token.kind == TokenKind::Symbol && m_text[m_token.begin] == c;
    }

    bool isWord(std::string_view word) const
    {
        return !m_atEnd && m_token.kind == TokenKind::Word && equalsNoCase(raw(), word);
    }

    void skipBlanks()
    {
        while (!m_atEnd && m_token.kind == TokenKind::Space)
            advance();
    }

    bool isName() const
    {
        return !m_atEnd
            && (m_token.kind == TokenKind::Bracketed || m_token.kind == TokenKind::Quoted
                || m_token.kind == TokenKind::Word)
            && !m_token.unterminated;
    }

    // INSERT [INTO] name (column, ...) VALUES
    bool header(InsertRows& rows)
    {
        if (!isWord("INSERT"))
            return false;
        const std::size_t start = m_token.begin;
        advance();
        skipBlanks();
        if (isWord("INTO")) {
            advance();
            skipBlanks();
        }
        // The name: parts parted by dots.
        const std::size_t nameStart = m_atEnd ? 0 : m_token.begin;
        std::size_t nameEnd = nameStart;
        for (;;) {
            if (!isName() || isWord("VALUES") || isWord("DEFAULT"))
                return false;
            nameEnd = m_token.end;
            advance();
            skipBlanks();
            if (!isSymbol('.'))
                break;
            advance();
            skipBlanks();
        }
        rows.table = m_text.substr(nameStart, nameEnd - nameStart);
        if (!isSymbol('('))
            return false;
        advance();
        skipBlanks();
        const std::size_t listStart = m_atEnd ? 0 : m_token.begin;
        for (;;) {
            if (!isName())
                return false;
            ++rows.columnCount;
            advance();
            skipBlanks();
            if (isSymbol(')'))
                break;
            if (!isSymbol(','))
                return false;
            advance();
            skipBlanks();
        }
        rows.columns = m_text.substr(listStart, m_token.begin - listStart);
        rows.header = m_text.substr(start, m_token.end - start);
        advance();
        skipBlanks();
        if (!isWord("VALUES"))
            return false;
        advance();
        return true;
    }

    Literal inArena(Literal::Kind kind, std::size_t offset)
    {
        return {kind, offset, m_out.arena.size() - offset};
    }

    bool string(Literal& value, std::size_t open, Literal::Kind kind)
    {
        if (m_token.unterminated)
            return false;
        const std::size_t start = m_token.begin + open;
        const std::size_t offset = m_out.arena.size();
        appendUnquoted(m_out.arena, m_text.substr(start, m_token.end - 1 - start), '\'');
        value = inArena(kind, offset);
        return true;
    }

    bool binary(Literal& value)
    {
        const std::string_view digits = raw().substr(2);
        if (digits.size() % 2 != 0)
            return false;
        const std::size_t offset = m_out.arena.size();
        for (std::size_t i = 0; i < digits.size(); i += 2)
            m_out.arena += static_cast<char>(hexDigitValue(digits[i]) * 16
                                             + hexDigitValue(digits[i + 1]));
        value = inArena(Literal::Kind::Binary, offset);
        return true;
    }

    bool number(Literal& value, char sign)
    {
        const std::size_t offset = m_out.arena.size();
        if (sign)
            m_out.arena += sign;
        m_out.arena += raw();
        value = inArena(Literal::Kind::Number, offset);
        return true;
    }

    bool literal()
    {
        if (m_atEnd)
            return false;
        Literal value;
        bool read = true;
        switch (m_token.kind) {
        case TokenKind::String:
            read = string(value, 1, Literal::Kind::Text);
            break;
        case TokenKind::NString:
            read = string(value, 2, Literal::Kind::NText);
            break;
        case TokenKind::Binary:
            read = binary(value);
            break;
        case TokenKind::Number:
            read = number(value, 0);
            break;
        case TokenKind::Symbol: {
            // A sign stands right before its number.
            const char sign = m_text[m_token.begin];
            if (sign != '-' && sign != '+')
                return false;
            advance();
            read = !m_atEnd && m_token.kind == TokenKind::Number && number(value, sign);
            break;
        }
        default:
            read = isWord("NULL");
            break;
        }
        if (!read)
            return false;
        advance();
        m_out.values.push_back(value);
        return true;
    }

    bool row(std::size_t columns)
    {
        skipBlanks();
        if (!isSymbol('('))
            return false;
        advance();
        for (std::size_t i = 0; i < columns; ++i) {
            skipBlanks();
            if (!literal())
                return false;
            skipBlanks();
            if (i + 1 < columns) {
                if (!isSymbol(','))
                    return false;
                advance();
            }
        }
        if (!isSymbol(')'))
            return false;
        advance();
        return true;
    }

    bool statement()
    {
        InsertRows rows;
        rows.firstValue = m_out.values.size();
        if (!header(rows))
            return false;
        for (;;) {
            if (!row(rows.columnCount))
                return false;
            ++rows.rows;
            skipBlanks();
            if (!isSymbol(','))
                break;
            advance();
        }
        m_out.statements.push_back(rows);
        return true;
    }

    std::string_view m_text;
    TokenReader m_tokens;
    Token m_token;
    bool m_atEnd = false;
    InsertLiterals& m_out;
};

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// [sign] digits [. digits] with at least one digit: what decimal takes.
bool isPlainNumber(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            digits = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

std::optional<std::int64_t> wholeNumber(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    std::uint64_t magnitude = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    const std::uint64_t limit = negative ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
    if (magnitude > limit)
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

std::optional<double> realNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

bool readInsertLiterals(std::string_view batch, InsertLiterals& out)
{
    return Reader(batch, out).run();
}

BoundForm boundFormOf(SqlType type)
{
    switch (type) {
    case SqlType::Int: case SqlType::SmallInt: case SqlType::TinyInt: case SqlType::BigInt:
    case SqlType::Bit:
        return BoundForm::Integer;
    case SqlType::Float: case SqlType::Real:
        return BoundForm::Float;
    case SqlType::Decimal: case SqlType::Numeric: case SqlType::Money: case SqlType::SmallMoney:
        return BoundForm::Exact;
    case SqlType::VarChar: case SqlType::NVarChar: case SqlType::Char: case SqlType::NChar:
    case SqlType::Text: case SqlType::NText: case SqlType::Xml:
    case SqlType::DateTime: case SqlType::SmallDateTime: case SqlType::Date: case SqlType::Time:
    case SqlType::DateTime2: case SqlType::DateTimeOffset: case SqlType::UniqueIdentifier:
        return BoundForm::Text;
    case SqlType::Binary: case SqlType::VarBinary: case SqlType::Timestamp: case SqlType::Image:
        return BoundForm::Binary;
    case SqlType::SqlVariant: case SqlType::Unknown:
        break;
    }
    return BoundForm::None;
}

std::optional<Value> boundValue(BoundForm form, Literal::Kind kind, std::string_view bytes)
{
    using Kind = Literal::Kind;
    Value value;
    if (form == BoundForm::None)
        return std::nullopt;
    if (kind == Kind::Null)
        return value;
    switch (form) {
    case BoundForm::Integer:
        if (kind != Kind::Number)
            return std::nullopt;
        if (auto whole = wholeNumber(bytes)) {
            value.kind = Value::Kind::Integer;
            value.integer = *whole;
            return value;
        }
        return std::nullopt;
    case BoundForm::Float:
        if (kind != Kind::Number)
            return std::nullopt;
        if (auto real = realNumber(bytes)) {
            value.kind = Value::Kind::Real;
            value.real = *real;
            return value;
        }
        return std::nullopt;
    case BoundForm::Exact:
        if (kind != Kind::Number || !isPlainNumber(bytes))
            return std::nullopt;
        value.kind = Value::Kind::Text;
        value.bytes = bytes;
        return value;
    case BoundForm::Text:
        if (kind == Kind::NText || (kind == Kind::Text && isAscii(bytes))) {
            value.kind = Value::Kind::Text;
            value.bytes = bytes;
            return value;
        }
        return std::nullopt;
    case BoundForm::Binary:
        if (kind != Kind::Binary)
            return std::nullopt;
        value.kind = Value::Kind::Blob;
        value.bytes = bytes;
        return value;
    case BoundForm::None:
        break;
    }
    return std::nullopt;
}

} // namespace varnett::sqltext
