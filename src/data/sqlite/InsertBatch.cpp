#include "data/sqlite/InsertBatch.h"

#include <charconv>
#include <cstring>

namespace varnett::data {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isWordChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_' || c == '@'
        || c == '#' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Reader {
public:
    Reader(std::string_view text, InsertBatch& out) : m_text(text), m_out(out) {}

    bool run()
    {
        m_out.statements.clear();
        m_out.values.clear();
        m_out.arena.clear();
        for (;;) {
            if (!statement())
                return false;
            skipBlanks();
            if (atEnd())
                return true;
            if (m_text[m_pos] != ';')
                return false;
            while (!atEnd() && (m_text[m_pos] == ';' || isBlank(m_text[m_pos])))
                ++m_pos;
            if (atEnd())
                return true;
        }
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek(std::size_t ahead = 0) const
    {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0';
    }

    void skipBlanks()
    {
        while (!atEnd() && isBlank(m_text[m_pos]))
            ++m_pos;
    }

    // The word at the current position, without moving.
    std::string_view word() const
    {
        std::size_t end = m_pos;
        while (end < m_text.size() && isWordChar(m_text[end]))
            ++end;
        return m_text.substr(m_pos, end - m_pos);
    }

    static bool sameWord(std::string_view word, std::string_view upper)
    {
        if (word.size() != upper.size())
            return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            char c = word[i];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            if (c != upper[i])
                return false;
        }
        return true;
    }

    // A quoted piece ending in `close`, doubled to stand for itself.
    bool skipQuoted(char close)
    {
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            if (m_text[m_pos] == close) {
                if (peek(1) != close) {
                    ++m_pos;
                    return true;
                }
                ++m_pos;
            }
        }
        return false;
    }

    // INSERT [INTO] name [(columns)] VALUES: words, quoted names, blanks and
    // the symbols of a name and a column list.
    bool header(std::string_view& text)
    {
        std::size_t start = m_pos;
        if (!sameWord(word(), "INSERT"))
            return false;
        for (;;) {
            char c = peek();
            if (atEnd())
                return false;
            if (isWordChar(c)) {
                std::string_view w = word();
                m_pos += w.size();
                if (sameWord(w, "VALUES")) {
                    text = m_text.substr(start, m_pos - start);
                    return true;
                }
            } else if (c == '[') {
                if (!skipQuoted(']'))
                    return false;
            } else if (c == '"' || c == '`') {
                if (!skipQuoted(c))
                    return false;
            } else if (isBlank(c) || c == '.' || c == ',' || c == '(' || c == ')') {
                ++m_pos;
            } else {
                return false;
            }
        }
    }

    bool string(InsertValue& value)
    {
        std::size_t start = ++m_pos;
        bool doubled = false;
        for (;;) {
            const void* quote = std::memchr(m_text.data() + m_pos, '\'', m_text.size() - m_pos);
            if (!quote)
                return false;
            m_pos = static_cast<std::size_t>(static_cast<const char*>(quote) - m_text.data());
            if (peek(1) != '\'')
                break;
            doubled = true;
            m_pos += 2;
        }
        std::string_view raw = m_text.substr(start, m_pos - start);
        ++m_pos;
        // SQLite's SQL text ends at a NUL byte: such a value takes the general road.
        if (std::memchr(raw.data(), '\0', raw.size()))
            return false;
        value.kind = InsertValue::Kind::Text;
        if (!doubled) {
            value.offset = start;
            value.size = raw.size();
            return true;
        }
        value.inArena = true;
        value.offset = m_out.arena.size();
        for (std::size_t i = 0; i < raw.size(); ++i) {
            m_out.arena += raw[i];
            if (raw[i] == '\'')
                ++i;
        }
        value.size = m_out.arena.size() - value.offset;
        return true;
    }

    bool binary(InsertValue& value)
    {
        m_pos += 2;
        std::size_t start = m_pos;
        while (!atEnd() && hexValue(m_text[m_pos]) >= 0)
            ++m_pos;
        std::string_view digits = m_text.substr(start, m_pos - start);
        value.kind = InsertValue::Kind::Blob;
        value.inArena = true;
        value.offset = m_out.arena.size();
        std::size_t i = 0;
        // An odd count of digits reads as if a 0 stood before them.
        if (digits.size() % 2 != 0)
            m_out.arena += static_cast<char>(hexValue(digits[i++]));
        for (; i < digits.size(); i += 2)
            m_out.arena += static_cast<char>(hexValue(digits[i]) * 16 + hexValue(digits[i + 1]));
        value.size = m_out.arena.size() - value.offset;
        return true;
    }

    // digits [. digits] [e [sign] digits], or . digits ...; as SQLite reads
    // it: an integer when it has neither point nor exponent and fits, else a
    // double. A "-" before 9223372036854775808 gives the smallest integer.
    bool number(InsertValue& value, bool negative)
    {
        std::size_t start = m_pos;
        bool whole = true;
        while (isDigit(peek()))
            ++m_pos;
        if (peek() == '.') {
            whole = false;
            ++m_pos;
            while (isDigit(peek()))
                ++m_pos;
        }
        if (peek() == 'e' || peek() == 'E') {
            std::size_t digits = m_pos + 1;
            if (digits < m_text.size() && (m_text[digits] == '+' || m_text[digits] == '-'))
                ++digits;
            if (digits < m_text.size() && isDigit(m_text[digits])) {
                whole = false;
                m_pos = digits;
                while (isDigit(peek()))
                    ++m_pos;
            }
        }
        std::string_view text = m_text.substr(start, m_pos - start);
        if (text == "." || isWordChar(peek()) || peek() == '.')
            return false;
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
        InsertValue value;
        char c = peek();
        if (c == '\'') {
            if (!string(value))
                return false;
        } else if ((c == 'N' || c == 'n') && peek(1) == '\'') {
            ++m_pos;
            if (!string(value))
                return false;
        } else if (c == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
            if (!binary(value))
                return false;
        } else if (c == '-' || c == '+') {
            ++m_pos;
            if (!(isDigit(peek()) || (peek() == '.' && isDigit(peek(1)))) || !number(value, c == '-'))
                return false;
        } else if (isDigit(c) || (c == '.' && isDigit(peek(1)))) {
            if (!number(value, false))
                return false;
        } else if (sameWord(word(), "NULL")) {
            m_pos += 4;
        } else {
            return false;
        }
        m_out.values.push_back(value);
        return true;
    }

    // ( value, ... ) — the count of values is returned in `count`.
    bool row(std::size_t& count)
    {
        if (peek() != '(')
            return false;
        ++m_pos;
        count = 0;
        for (;;) {
            skipBlanks();
            if (!value())
                return false;
            ++count;
            skipBlanks();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() != ')')
                return false;
            ++m_pos;
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
            if (peek() != ',')
                break;
            ++m_pos;
        }
        m_out.statements.push_back(statement);
        return true;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    InsertBatch& m_out;
};

} // namespace

bool readInsertBatch(std::string_view batch, InsertBatch& out)
{
    return Reader(batch, out).run();
}

} // namespace varnett::data
