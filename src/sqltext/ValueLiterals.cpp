#include "sqltext/ValueLiterals.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Batches.h"
#include "sqltext/Error.h"
#include "sqltext/Quoting.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace varnett::sqltext {

namespace {

using Kind = Value::Kind;

enum class Form {
    Text, UnicodeText, Integer, Bit, Exact, Float, DateTime, Date, Time, DateTimeOffset,
    Guid, Binary, Variant,
};

Form formOf(SqlType type)
{
    switch (type) {
    case SqlType::VarChar: case SqlType::Char: case SqlType::Text:
        return Form::Text;
    case SqlType::NVarChar: case SqlType::NChar: case SqlType::NText: case SqlType::Xml:
        return Form::UnicodeText;
    case SqlType::Int: case SqlType::SmallInt: case SqlType::TinyInt: case SqlType::BigInt:
        return Form::Integer;
    case SqlType::Bit:
        return Form::Bit;
    case SqlType::Decimal: case SqlType::Numeric: case SqlType::Money: case SqlType::SmallMoney:
        return Form::Exact;
    case SqlType::Float: case SqlType::Real:
        return Form::Float;
    case SqlType::DateTime: case SqlType::SmallDateTime: case SqlType::DateTime2:
        return Form::DateTime;
    case SqlType::Date:
        return Form::Date;
    case SqlType::Time:
        return Form::Time;
    case SqlType::DateTimeOffset:
        return Form::DateTimeOffset;
    case SqlType::UniqueIdentifier:
        return Form::Guid;
    case SqlType::Binary: case SqlType::VarBinary: case SqlType::Timestamp: case SqlType::Image:
        return Form::Binary;
    case SqlType::SqlVariant: case SqlType::Unknown:
        break;
    }
    return Form::Variant;
}

[[noreturn]] void refuse(const ColumnDesc& column, std::string_view text, std::string_view what)
{
    throw Error("The value '" + std::string(text) + "' of the column '" + column.name
                + "' is not " + std::string(what));
}

// A value as an error message names it.
std::string shown(const Value& value)
{
    char buffer[40];
    std::to_chars_result result{buffer, std::errc()};
    switch (value.kind) {
    case Kind::Null:
        return "NULL";
    case Kind::Integer:
        result = std::to_chars(buffer, buffer + sizeof buffer, value.integer);
        break;
    case Kind::Real:
        result = std::to_chars(buffer, buffer + sizeof buffer, value.real);
        break;
    case Kind::Text:
        return value.bytes;
    case Kind::Blob:
        return "binary data of " + std::to_string(value.bytes.size()) + " bytes";
    }
    return std::string(buffer, result.ptr);
}

std::string_view trimBlanks(std::string_view text) { return trim(text, isSpaceOrControl); }

void appendPlainQuoted(std::string& out, std::string_view text, bool unicode)
{
    sqltext::appendQuoted(out, text, unicode ? "N'" : "'", '\'');
}

// True when the text holds a NUL or a line that is only GO: written inside
// one literal, such a line would end the script's batch there.
bool needsConcatenation(std::string_view text)
{
    // One pass over the bytes: most texts hold no NUL and no line break, and
    // then only the whole text can be a GO line.
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* lineStart = begin;
    for (const char* c = begin; c != end; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte > '\r')
            continue;
        if (byte == '\0')
            return true;
        if (byte == '\r' || byte == '\n') {
            if (isGoLine(std::string_view(lineStart, static_cast<std::size_t>(c - lineStart))))
                return true;
            lineStart = c + 1;
        }
    }
    return isGoLine(std::string_view(lineStart, static_cast<std::size_t>(end - lineStart)));
}

// The text as a concatenation in which line breaks and NULs are character
// functions: N'line 1' + NCHAR(13) + NCHAR(10) + N'GO'. A long text starts
// from an empty (max) string, so the concatenation is not cut at 8000 bytes.
void appendConcatenated(std::string& out, std::string_view text, bool unicode)
{
    constexpr std::size_t kLongestPlain = 4000;
    bool first = true;
    auto separate = [&] {
        if (!first)
            out += " + ";
        first = false;
    };
    if (text.size() > kLongestPlain) {
        out += unicode ? "CAST(N'' AS nvarchar(max))" : "CAST('' AS varchar(max))";
        first = false;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\0')
            ++end;
        if (end > start) {
            separate();
            appendPlainQuoted(out, text.substr(start, end - start), unicode);
        }
        if (end < text.size()) {
            separate();
            out += unicode ? "NCHAR(" : "CHAR(";
            out += std::to_string(static_cast<int>(text[end]));
            out += ')';
        }
        start = end + 1;
    }
}

void appendQuoted(std::string& out, std::string_view text, bool unicode)
{
    if (needsConcatenation(text))
        appendConcatenated(out, text, unicode);
    else
        appendPlainQuoted(out, text, unicode);
}

void appendInteger(std::string& out, std::int64_t number)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    out.append(buffer, result.ptr);
}

// The shortest text that reads back to the same double, with "E" before an
// exponent. A real column's value is written as the double it is, even when
// it is a float: a server's real column rounds it to the same float, and the
// embedded engine, which keeps doubles in real columns, gets it back whole.
void appendFloat(std::string& out, const ColumnDesc& column, double number)
{
    if (!std::isfinite(number))
        refuse(column, std::isnan(number) ? "NaN" : "infinity", "a finite number");
    if (number == 0 && std::signbit(number)) {
        out += "-0E0";
        return;
    }
    char buffer[40];
    std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, number);
    for (char* c = buffer; c != result.ptr; ++c)
        if (*c == 'e')
            *c = 'E';
    out.append(buffer, result.ptr);
}

// The text without a leading "+", for from_chars, which reads "-" only. A
// second sign after it ("+-5") is no number.
std::string_view withoutPlus(std::string_view text)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+'))
            return {};
    }
    return text;
}

double parseDouble(const ColumnDesc& column, std::string_view text)
{
    std::string_view trimmed = withoutPlus(trimBlanks(text));
    double number = 0;
    auto result = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
    if (trimmed.empty() || result.ec != std::errc() || result.ptr != trimmed.data() + trimmed.size())
        refuse(column, text, "a number");
    return number;
}

std::int64_t parseInteger(const ColumnDesc& column, std::string_view text)
{
    std::string_view trimmed = withoutPlus(trimBlanks(text));
    std::int64_t number = 0;
    auto result = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
    if (trimmed.empty() || result.ec != std::errc() || result.ptr != trimmed.data() + trimmed.size())
        refuse(column, text, "an integer");
    return number;
}

// An exact decimal text without exponent, leading zeros or "+": "-007.50"
// gives "-7.50", "1.5E-3" gives "0.0015". The digits given are all kept.
void appendExact(std::string& out, const ColumnDesc& column, std::string_view text)
{
    std::string_view s = trimBlanks(text);
    std::size_t p = 0;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-'))
        negative = s[p++] == '-';
    std::string digits;
    std::size_t integerDigits = 0;
    while (p < s.size() && isAsciiDigit(s[p]))
        digits += s[p++];
    integerDigits = digits.size();
    if (p < s.size() && s[p] == '.')
        for (++p; p < s.size() && isAsciiDigit(s[p]); ++p)
            digits += s[p];
    long exponent = 0;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        std::string_view rest = withoutPlus(s.substr(p + 1));
        auto result = std::from_chars(rest.data(), rest.data() + rest.size(), exponent);
        if (rest.empty() || result.ec != std::errc() || result.ptr != rest.data() + rest.size()
            || exponent < -400 || exponent > 400)
            refuse(column, text, "an exact number");
        p = s.size();
    }
    if (digits.empty() || p != s.size())
        refuse(column, text, "an exact number");

    long point = static_cast<long>(integerDigits) + exponent;
    if (point <= 0) {
        digits.insert(0, static_cast<std::size_t>(1 - point), '0');
        point = 1;
    } else if (static_cast<std::size_t>(point) > digits.size()) {
        digits.append(static_cast<std::size_t>(point) - digits.size(), '0');
    }
    std::size_t start = 0;
    while (start + 1 < static_cast<std::size_t>(point) && digits[start] == '0')
        ++start;
    if (negative && digits.find_first_not_of('0') != std::string::npos)
        out += '-';
    out.append(digits, start, static_cast<std::size_t>(point) - start);
    if (static_cast<std::size_t>(point) < digits.size()) {
        out += '.';
        out.append(digits, static_cast<std::size_t>(point));
    }
}

void appendExactDouble(std::string& out, const ColumnDesc& column, double number)
{
    if (!std::isfinite(number))
        refuse(column, std::isnan(number) ? "NaN" : "infinity", "a finite number");
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    appendExact(out, column, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

// The parts of a date, time or date-and-time text.
struct Moment {
    bool hasDate = false, hasTime = false, hasOffset = false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::string_view fraction;      // digits after the seconds, trailing zeros removed
    char offsetSign = '+';
    int offsetHour = 0, offsetMinute = 0;
};

bool readNumber(std::string_view s, std::size_t& p, std::size_t minDigits, std::size_t maxDigits,
                int& number)
{
    std::size_t start = p;
    number = 0;
    while (p < s.size() && p - start < maxDigits && isAsciiDigit(s[p]))
        number = number * 10 + (s[p++] - '0');
    return p - start >= minDigits;
}

bool expect(std::string_view s, std::size_t& p, char c)
{
    if (p >= s.size() || s[p] != c)
        return false;
    ++p;
    return true;
}

bool readTime(std::string_view s, std::size_t& p, Moment& m)
{
    if (!readNumber(s, p, 1, 2, m.hour) || !expect(s, p, ':') || !readNumber(s, p, 2, 2, m.minute))
        return false;
    if (p < s.size() && s[p] == ':') {
        ++p;
        if (!readNumber(s, p, 2, 2, m.second))
            return false;
        if (p < s.size() && s[p] == '.') {
            std::size_t start = ++p;
            while (p < s.size() && isAsciiDigit(s[p]))
                ++p;
            if (p == start)
                return false;
            m.fraction = s.substr(start, p - start);
            while (!m.fraction.empty() && m.fraction.back() == '0')
                m.fraction.remove_suffix(1);
            if (m.fraction.size() > 7)
                return false;
        }
    }
    m.hasTime = true;
    return m.hour < 24 && m.minute < 60 && m.second < 60;
}

bool validDate(const Moment& m)
{
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m.year < 1 || m.month < 1 || m.month > 12 || m.day < 1 || m.day > kDays[m.month - 1])
        return false;
    bool leap = (m.year % 4 == 0 && m.year % 100 != 0) || m.year % 400 == 0;
    return m.month != 2 || m.day <= 28 || leap;
}

Moment parseMoment(const ColumnDesc& column, std::string_view text)
{
    std::string_view s = trimBlanks(text);
    Moment m;
    std::size_t p = 0;
    bool ok = true;
    if (s.size() >= 10 && s[4] == '-') {
        ok = readNumber(s, p, 4, 4, m.year) && expect(s, p, '-') && readNumber(s, p, 2, 2, m.month)
            && expect(s, p, '-') && readNumber(s, p, 2, 2, m.day) && validDate(m);
        m.hasDate = true;
        if (ok && p < s.size() && (s[p] == ' ' || s[p] == 'T')) {
            ++p;
            ok = readTime(s, p, m);
        }
    } else {
        ok = readTime(s, p, m);
    }
    if (ok && m.hasTime && p < s.size()) {
        while (p < s.size() && s[p] == ' ')
            ++p;
        m.hasOffset = true;
        if (p < s.size() && s[p] == 'Z') {
            ++p;
        } else if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
            m.offsetSign = s[p++];
            ok = readNumber(s, p, 2, 2, m.offsetHour) && expect(s, p, ':')
                && readNumber(s, p, 2, 2, m.offsetMinute) && m.offsetHour <= 14
                && m.offsetMinute < 60;
            if (m.offsetHour == 0 && m.offsetMinute == 0)
                m.offsetSign = '+';
        } else {
            ok = false;
        }
    }
    if (!ok || p != s.size())
        refuse(column, text, "a date or time");
    return m;
}

void appendDigits(std::string& out, int number, int width)
{
    char buffer[8];
    for (int i = width - 1; i >= 0; --i) {
        buffer[i] = static_cast<char>('0' + number % 10);
        number /= 10;
    }
    out.append(buffer, static_cast<std::size_t>(width));
}

void appendDate(std::string& out, const Moment& m)
{
    appendDigits(out, m.year, 4);
    out += '-';
    appendDigits(out, m.month, 2);
    out += '-';
    appendDigits(out, m.day, 2);
}

void appendTime(std::string& out, const Moment& m)
{
    appendDigits(out, m.hour, 2);
    out += ':';
    appendDigits(out, m.minute, 2);
    out += ':';
    appendDigits(out, m.second, 2);
    if (!m.fraction.empty()) {
        out += '.';
        out.append(m.fraction);
    }
}

void appendMoment(std::string& out, const ColumnDesc& column, Form form, std::string_view text)
{
    Moment m = parseMoment(column, text);
    bool midnight = m.hour == 0 && m.minute == 0 && m.second == 0 && m.fraction.empty();
    bool fits = form == Form::Time ? m.hasTime && !m.hasOffset
        : form == Form::Date ? m.hasDate && midnight && !m.hasOffset
        : form == Form::DateTime ? m.hasDate && !m.hasOffset
        : m.hasDate;
    if (!fits)
        refuse(column, text, form == Form::Time ? "a time" : form == Form::Date ? "a date"
                                                                              : "a date and time");
    out += '\'';
    if (form != Form::Time)
        appendDate(out, m);
    if (form != Form::Date) {
        if (form != Form::Time)
            out += 'T';
        appendTime(out, m);
    }
    if (form == Form::DateTimeOffset) {
        out += m.offsetSign;
        appendDigits(out, m.offsetHour, 2);
        out += ':';
        appendDigits(out, m.offsetMinute, 2);
    }
    out += '\'';
}

void appendGuid(std::string& out, const ColumnDesc& column, std::string_view text)
{
    std::string_view s = trimBlanks(text);
    if (s.size() >= 2 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, s.size() - 2);
    std::string hex;
    for (std::size_t i = 0; i < s.size(); ++i) {
        bool hyphenPlace = s.size() == 36 && (i == 8 || i == 13 || i == 18 || i == 23);
        if (hyphenPlace ? s[i] != '-' : !isHexDigit(s[i]))
            refuse(column, text, "a unique identifier");
        if (!hyphenPlace)
            hex += s[i];
    }
    if (hex.size() != 32)
        refuse(column, text, "a unique identifier");
    out += '\'';
    for (std::size_t i = 0; i < 32; ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20)
            out += '-';
        char c = hex[i];
        out += c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    out += '\'';
}

void appendBinary(std::string& out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t at = out.size();
    out.resize(at + 2 + 2 * bytes.size());
    out[at++] = '0';
    out[at++] = 'x';
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        out[at++] = kHex[b >> 4];
        out[at++] = kHex[b & 0x0F];
    }
}

std::int64_t wholeNumber(const ColumnDesc& column, const Value& value)
{
    // The doubles from -2^63 up to (not including) 2^63 convert without overflow.
    double number = value.real;
    if (!(number >= -9223372036854775808.0 && number < 9223372036854775808.0)
        || std::trunc(number) != number)
        refuse(column, shown(value), "an integer");
    return static_cast<std::int64_t>(number);
}

bool bitValue(const ColumnDesc& column, std::string_view text)
{
    std::string_view s = trimBlanks(text);
    if (s == "1" || s == "true" || s == "True" || s == "TRUE")
        return true;
    if (s == "0" || s == "false" || s == "False" || s == "FALSE")
        return false;
    refuse(column, text, "a bit");
}

} // namespace

void appendLiteral(std::string& out, const ColumnDesc& column, const Value& value)
{
    if (value.kind == Kind::Null) {
        out += "NULL";
        return;
    }
    Form form = formOf(column.type);
    if (form == Form::Variant && column.type == SqlType::SqlVariant
        && (value.kind == Kind::Integer || value.kind == Kind::Real)) {
        // A bare number would take the type of its literal (int, numeric);
        // the cast keeps the value's own type in the variant.
        out += "CAST(";
        if (value.kind == Kind::Integer)
            appendInteger(out, value.integer);
        else
            appendFloat(out, column, value.real);
        out += value.kind == Kind::Integer ? " AS bigint)" : " AS float)";
        return;
    }
    if (form == Form::Variant) {
        form = value.kind == Kind::Integer ? Form::Integer
            : value.kind == Kind::Real     ? Form::Float
            : value.kind == Kind::Blob     ? Form::Binary
                                           : Form::UnicodeText;
    }
    switch (form) {
    case Form::Text:
    case Form::UnicodeText:
        if (value.kind == Kind::Integer || value.kind == Kind::Real) {
            std::string number;
            if (value.kind == Kind::Integer)
                appendInteger(number, value.integer);
            else
                appendFloat(number, column, value.real);
            appendQuoted(out, number, form == Form::UnicodeText);
        } else {
            appendQuoted(out, value.bytes, form == Form::UnicodeText);
        }
        return;
    case Form::Integer:
        appendInteger(out, value.kind == Kind::Integer ? value.integer
                           : value.kind == Kind::Real  ? wholeNumber(column, value)
                                                       : parseInteger(column, value.bytes));
        return;
    case Form::Bit: {
        bool bit = value.kind == Kind::Integer ? value.integer != 0
            : value.kind == Kind::Real         ? value.real != 0
                                               : bitValue(column, value.bytes);
        out += bit ? '1' : '0';
        return;
    }
    case Form::Exact:
        if (value.kind == Kind::Integer)
            appendInteger(out, value.integer);
        else if (value.kind == Kind::Real)
            appendExactDouble(out, column, value.real);
        else
            appendExact(out, column, value.bytes);
        return;
    case Form::Float:
        if (value.kind == Kind::Integer)
            appendInteger(out, value.integer);
        else
            appendFloat(out, column,
                        value.kind == Kind::Real ? value.real : parseDouble(column, value.bytes));
        return;
    case Form::DateTime:
    case Form::Date:
    case Form::Time:
    case Form::DateTimeOffset:
    case Form::Guid:
        if (value.kind != Kind::Text)
            refuse(column, shown(value),
                   form == Form::Guid ? "a unique identifier" : "a date or time");
        if (form == Form::Guid)
            appendGuid(out, column, value.bytes);
        else
            appendMoment(out, column, form, value.bytes);
        return;
    case Form::Binary:
        if (value.kind == Kind::Integer || value.kind == Kind::Real)
            refuse(column, shown(value), "binary data");
        appendBinary(out, value.bytes);
        return;
    case Form::Variant:
        break;
    }
}

std::string literal(const ColumnDesc& column, const Value& value)
{
    std::string out;
    appendLiteral(out, column, value);
    return out;
}

} // namespace varnett::sqltext
