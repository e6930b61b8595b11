#include "data/sqlite/InsertBatch.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Quoting.h"
#include "sqltext/TsqlTokens.h"

#include <charconv>
#include <cstring>

namespace varnett::data {

namespace {

using sqltext::Token;
using Kind = sqltext::Token::Kind;

class Reader {
public:
    Reader(std::string_view text, InsertBatch& out)
        : m_text(text), m_tokens(text, {}, sqltext::Backticks::Names), m_out(out)
    {
        advance();
    }

    bool run()
    {
        m_out.statements.clear();
        m_out.values.clear();
        m_out.arena.clear();
        for (;;) {
            if (!statement())
                return false;
            skipBlanks();
            if (m_atEnd)
                return true;
            if (!isSymbol(';'))
                return false;
            while (!m_atEnd && (isSymbol(';') || m_token.kind == Kind::Space))
                advance();
            if (m_atEnd)
                return true;
        }
    }

private:
    void advance() { m_atEnd = !m_tokens.next(m_token); }

    std::string_view raw() const { return m_text.substr(m_token.begin, m_token.end - m_token.begin); }

    bool isSymbol(char c) const
    {
        return !m_atEnd && m_token.kind == Kind::Symbol && m_text[m_token.begin] == c;
    }

    bool isWord(std::string_view upper) const
    {
        return !m_atEnd && m_token.kind == Kind::Word && sqltext::equalsNoCase(raw(), upper);
    }

    void skipBlanks()
    {
        while (!m_atEnd && m_token.kind == Kind::Space)
            advance();
    }

    // INSERT [INTO] name [(columns)] VALUES: words, quoted names, blanks and
    // the symbols of a name and a column list.
    bool header(std::string_view& text)
    {
        if (!isWord("INSERT"))
            return false;
        const std::size_t start = m_token.begin;
        for (;;) {
            if (m_atEnd)
                return false;
            switch (m_token.kind) {
            case Kind::Word:
                if (sqltext::equalsNoCase(raw(), "VALUES")) {
                    text = m_text.substr(start, m_token.end - start);
                    advance();
                    return true;
                }
                break;
            case Kind::Bracketed:
            case Kind::Quoted:
            case Kind::Backticked:
                if (m_token.unterminated)
                    return false;
                break;
            case Kind::Space:
                break;
            case Kind::Symbol:
                if (!isSymbol('.') && !isSymbol(',') && !isSymbol('(') && !isSymbol(')'))
                    return false;
                break;
            default:
                return false;
            }
            advance();
        }
    }

    bool string(InsertValue& value, std::size_t open)
    {
        if (m_token.unterminated)
            return false;
        const std::size_t start = m_token.begin + open;
        std::string_view body = m_text.substr(start, m_token.end - 1 - start);
        // SQLite's SQL text ends at a NUL byte: such a value takes the general road.
        if (std::memchr(body.data(), '\0', body.size()))
            return false;
        value.kind = InsertValue::Kind::Text;
        if (!std::memchr(body.data(), '\'', body.size())) {
            value.offset = start;
            value.size = body.size();
            return true;
        }
        value.inArena = true;
        value.offset = m_out.arena.size();
        sqltext::appendUnquoted(m_out.arena, body, '\'');
        value.size = m_out.arena.size() - value.offset;
        return true;
    }

    void binary(InsertValue& value)
    {
        using sqltext::hexDigitValue;
        std::string_view digits = raw().substr(2);
        value.kind = InsertValue::Kind::Blob;
        value.inArena = true;
        value.offset = m_out.arena.size();
        std::size_t i = 0;
        // An odd count of digits reads as if a 0 stood before them.
        if (digits.size() % 2 != 0)
            m_out.arena += static_cast<char>(hexDigitValue(digits[i++]));
        for (; i < digits.size(); i += 2)
            m_out.arena += static_cast<char>(hexDigitValue(digits[i]) * 16
                                             + hexDigitValue(digits[i + 1]));
        value.size = m_out.arena.size() - value.offset;
    }

    // digits [. digits] [e [sign] digits], or . digits ...; as SQLite reads
    // it: an integer when it has neither point nor exponent and fits, else a
    // double. A "-" before 9223372036854775808 gives the smallest integer.
    bool number(InsertValue& value, bool negative)
    {
        const std::string_view text = raw();
        const bool whole = text.find_first_of(".eE") == std::string_view::npos;
        if (whole) {
            std::uint64_t magnitude = 0;
            auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
            const std::uint64_t limit = negative ? (std::uint64_t{1} << 63)
                                                 : (std::uint64_t{1} << 63) - 1;
            if (result.ec == std::errc() && magnitude <= limit) {
                value.kind = InsertValue::Kind::Integer;
                value.integer = negative ? static_cast<std::int64_t>(0 - magnitude)
                                         : static_cast<std::int64_t>(magnitude);
                return true;
            }
        }
        double real = 0;
        auto result = std::from_chars(text.data(), text.data() + text.size(), real);
        // Out of range (SQLite makes it infinite) takes the general road.
        if (result.ec != std::errc() || result.ptr != text.data() + text.size())
            return false;
        value.kind = InsertValue::Kind::Real;
        value.real = negative ? -real : real;
        return true;
    }

    bool value()
    {
        if (m_atEnd)
            return false;
        InsertValue value;
        switch (m_token.kind) {
        case Kind::String:
            if (!string(value, 1))
                return false;
            break;
        case Kind::NString:
            if (!string(value, 2))
                return false;
            break;
        case Kind::Binary:
            binary(value);
            break;
        case Kind::Number:
            if (!number(value, false))
                return false;
            break;
        case Kind::Symbol: {
            // A sign stands right before its number.
            const bool negative = isSymbol('-');
            if (!negative && !isSymbol('+'))
                return false;
            advance();
            if (m_atEnd || m_token.kind != Kind::Number || !number(value, negative))
                return false;
            break;
        }
        default:
            if (!isWord("NULL"))
                return false;
            break;
        }
        advance();
        m_out.values.push_back(value);
        return true;
    }

    // ( value, ... ) — the count of values is returned in `count`.
    bool row(std::size_t& count)
    {
        if (!isSymbol('('))
            return false;
        advance();
        count = 0;
        for (;;) {
            skipBlanks();
            if (!value())
                return false;
            ++count;
            skipBlanks();
            if (isSymbol(',')) {
                advance();
                continue;
            }
            if (!isSymbol(')'))
                return false;
            advance();
            return true;
        }
    }

    bool statement()
    {
        skipBlanks();
        InsertStatement statement;
        statement.firstValue = m_out.values.size();
        if (!header(statement.header))
            return false;
        for (;;) {
            skipBlanks();
            std::size_t count = 0;
            if (!row(count))
                return false;
            if (statement.rows == 0)
                statement.columns = count;
            else if (count != statement.columns)
                return false;
            ++statement.rows;
            skipBlanks();
            if (!isSymbol(','))
                break;
            advance();
        }
        m_out.statements.push_back(statement);
        return true;
    }

    std::string_view m_text;
    sqltext::TokenReader m_tokens;
    Token m_token;
    bool m_atEnd = false;
    InsertBatch& m_out;
};

} // namespace

bool readInsertBatch(std::string_view batch, InsertBatch& out)
{
    return Reader(batch, out).run();
}

} // namespace varnett::data
