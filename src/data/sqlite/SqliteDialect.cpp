#include "data/sqlite/SqliteDialect.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Quoting.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace varnett::data {

namespace {

// Below this, SQLite's reading of an 18-digit literal scales in two steps
// and can round twice.
constexpr double kSmallestScaledOnce = 1e-280;

// The digits of a decimal literal without leading or trailing zeros, and the
// power of ten of its last digit: "1.50" and "15e-1" both give 15, -1.
struct DecimalValue {
    std::string digits;
    long exponent = 0;
    bool operator==(const DecimalValue&) const = default;
};

DecimalValue decimalValue(std::string_view literal)
{
    DecimalValue value;
    std::size_t i = 0;
    bool afterPoint = false;
    for (; i < literal.size() && literal[i] != 'e' && literal[i] != 'E'; ++i) {
        if (literal[i] == '.') {
            afterPoint = true;
            continue;
        }
        value.digits += literal[i];
        if (afterPoint)
            --value.exponent;
    }
    if (i < literal.size()) {
        std::string_view rest = literal.substr(i + 1);
        if (!rest.empty() && rest.front() == '+')
            rest.remove_prefix(1);
        long exponent = 0;
        std::from_chars(rest.data(), rest.data() + rest.size(), exponent);
        value.exponent += exponent;
    }
    std::size_t first = value.digits.find_first_not_of('0');
    if (first == std::string::npos)
        return {};
    value.digits.erase(0, first);
    while (value.digits.back() == '0') {
        value.digits.pop_back();
        ++value.exponent;
    }
    return value;
}

// 18 significant digits, trailing zeros of the mantissa left out. Such a
// text lies within 1e-17 of the double, far nearer than the half unit that
// rounding has room for, so SQLite's slightly inexact scaling still lands on
// the double.
std::string eighteenDigits(double number)
{
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number,
                                std::chars_format::scientific, 17);
    std::string text(buffer, result.ptr);
    std::size_t e = text.find('e');
    std::size_t end = e;
    while (end > 0 && text[end - 1] == '0')
        --end;
    if (end > 0 && text[end - 1] == '.')
        --end;
    return text.substr(0, end) + text.substr(e);
}

// An expression of exact steps for a tiny double: its 53-bit integer
// mantissa divided by powers of two (each division by a power of two is
// exact for a result that is a double).
std::string powerOfTwoExpression(double number)
{
    int exponent = 0;
    double fraction = std::frexp(number, &exponent);
    auto mantissa = static_cast<std::int64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    while (mantissa % 2 == 0) {
        mantissa /= 2;
        ++exponent;
    }
    std::string out = "(" + std::to_string(mantissa) + ".0";
    while (exponent < 0) {
        int step = std::min(-exponent, 62);
        out += "/" + std::to_string(std::int64_t{1} << step);
        exponent += step;
    }
    return out + ")";
}

} // namespace

std::string exactSqliteNumber(std::string_view literal)
{
    const char* first = literal.data();
    const char* last = literal.data() + literal.size();
    if (literal.find_first_of(".eE") == std::string_view::npos) {
        // An integer SQLite keeps exactly; 2^63 too, which after a minus
        // sign is the smallest 64-bit integer.
        std::uint64_t whole = 0;
        auto result = std::from_chars(first, last, whole);
        if (result.ec == std::errc() && result.ptr == last
            && whole <= std::uint64_t{1} << 63)
            return std::string(literal);
    }
    double number = 0;
    auto result = std::from_chars(first, last, number);
    if (result.ec != std::errc() || result.ptr != last || number == 0 || !std::isfinite(number))
        return std::string(literal);
    if (number < kSmallestScaledOnce)
        return powerOfTwoExpression(number);
    std::string exact = eighteenDigits(number);
    return decimalValue(exact) == decimalValue(literal) ? std::string(literal) : exact;
}

namespace {

std::string backticked(std::string_view name)
{
    std::string out;
    sqltext::appendQuoted(out, name, "`", '`');
    return out;
}

// Index of the next token at or after i that is not a blank, or last.
std::size_t skipSpace(const std::vector<Token>& all, std::size_t i, std::size_t last)
{
    while (i < last && all[i].kind == Token::Kind::Space)
        ++i;
    return i;
}

// When tokens[i] starts "varchar ( max )" (or nvarchar, varbinary), the index
// of the closing parenthesis; otherwise 0.
std::size_t maxTypeEnd(const TsqlTokens& tokens, std::size_t i, std::size_t last)
{
    const auto& all = tokens.tokens();
    if (!tokens.isKeyword(all[i], "VARCHAR") && !tokens.isKeyword(all[i], "NVARCHAR")
        && !tokens.isKeyword(all[i], "VARBINARY"))
        return 0;
    std::size_t open = skipSpace(all, i + 1, last);
    if (open >= last || !tokens.isSymbol(all[open], '('))
        return 0;
    std::size_t max = skipSpace(all, open + 1, last);
    if (max >= last || !tokens.isKeyword(all[max], "MAX"))
        return 0;
    std::size_t close = skipSpace(all, max + 1, last);
    if (close >= last || !tokens.isSymbol(all[close], ')'))
        return 0;
    return close;
}

// When tokens[i] starts "CAST ( expression AS sql_variant )", the indexes of
// the opening parenthesis, of AS and of the closing parenthesis.
struct VariantCast {
    std::size_t open = 0;
    std::size_t as = 0;
    std::size_t close = 0;
};

std::optional<VariantCast> variantCast(const TsqlTokens& tokens, std::size_t i, std::size_t last)
{
    const auto& all = tokens.tokens();
    if (!tokens.isKeyword(all[i], "CAST"))
        return std::nullopt;
    VariantCast cast;
    cast.open = skipSpace(all, i + 1, last);
    if (cast.open >= last || !tokens.isSymbol(all[cast.open], '('))
        return std::nullopt;
    int depth = 0;
    std::size_t type = 0;
    for (std::size_t k = cast.open; k < last && !cast.close; ++k) {
        const Token& token = all[k];
        if (tokens.isSymbol(token, '(')) {
            ++depth;
        } else if (tokens.isSymbol(token, ')')) {
            if (--depth == 0)
                cast.close = k;
        } else if (depth == 1 && token.significant()) {
            if (tokens.isKeyword(token, "AS")) {
                cast.as = k;
                type = 0;
            } else if (cast.as && !type) {
                type = k;
            } else {
                cast.as = 0;    // AS was not followed by one type name
            }
        }
    }
    if (!cast.close || !cast.as || !type || !TsqlTokens::isNamePart(all[type])
        || !sqltext::equalsNoCase(tokens.nameValue(all[type]), "sql_variant"))
        return std::nullopt;
    return cast;
}

bool isStringToken(const Token& token)
{
    return token.kind == Token::Kind::String || token.kind == Token::Kind::NString;
}

// True when the "+" at i joins strings: a string literal stands before it,
// or a string literal or a character function (NCHAR, CHAR) after it.
bool joinsStrings(const TsqlTokens& tokens, std::size_t i, std::size_t first, std::size_t last)
{
    const auto& all = tokens.tokens();
    std::size_t before = i;
    while (before > first && !all[before - 1].significant())
        --before;
    if (before > first && isStringToken(all[before - 1]))
        return true;
    std::size_t after = i + 1;
    while (after < last && !all[after].significant())
        ++after;
    return after < last
        && (isStringToken(all[after]) || tokens.isKeyword(all[after], "NCHAR")
            || tokens.isKeyword(all[after], "CHAR"));
}

// True when the token at i is the schema dbo before a dot that starts a
// name ("dbo.Orders", "[dbo].[Orders]"), not itself after a dot: the
// objects of dbo live in SQLite's main database.
bool isDboQualifier(const TsqlTokens& tokens, std::size_t i, std::size_t first, std::size_t last)
{
    const auto& all = tokens.tokens();
    if (!sqltext::equalsNoCase(tokens.nameValue(all[i]), "dbo") || i + 2 >= last
        || !tokens.isSymbol(all[i + 1], '.') || !TsqlTokens::isNamePart(all[i + 2]))
        return false;
    return i == first || !tokens.isSymbol(all[i - 1], '.');
}

} // namespace

std::string toSqliteText(const TsqlTokens& tokens, std::size_t first, std::size_t last)
{
    const auto& all = tokens.tokens();
    std::string out;
    for (std::size_t i = first; i < last; ++i) {
        const Token& token = all[i];
        std::string_view raw = tokens.text(token);
        switch (token.kind) {
        case Token::Kind::LineComment:
        case Token::Kind::BlockComment:
            out += ' ';
            break;
        case Token::Kind::NString:
            out += raw.substr(1);
            break;
        case Token::Kind::Binary: {
            std::string_view digits = raw.substr(2);
            out += "X'";
            if (digits.size() % 2 != 0)
                out += '0';
            out += digits;
            out += '\'';
            break;
        }
        case Token::Kind::Bracketed: {
            std::string name = tokens.nameValue(token);
            if (isDboQualifier(tokens, i, first, last)) {
                out += "main";
                break;
            }
            if (!token.unterminated && name.find(']') != std::string::npos)
                out += backticked(name);
            else
                out += raw;
            break;
        }
        case Token::Kind::Number:
            out += exactSqliteNumber(raw);
            break;
        case Token::Kind::Word:
            if (isDboQualifier(tokens, i, first, last)) {
                out += "main";
                break;
            }
            // SQLite has no type that leaves a value as it is: the value
            // stands alone.
            if (auto cast = variantCast(tokens, i, last)) {
                out += '(';
                out += toSqliteText(tokens, cast->open + 1, cast->as);
                out += ')';
                i = cast->close;
                break;
            }
            if (std::size_t close = maxTypeEnd(tokens, i, last)) {
                out += '"';
                out += raw;
                out += "(max)\"";
                i = close;
                break;
            }
            out += raw;
            break;
        case Token::Kind::Symbol:
            out += tokens.isSymbol(token, '+') && joinsStrings(tokens, i, first, last) ? "||" : raw;
            break;
        default:
            out += raw;
            break;
        }
    }
    return out;
}

} // namespace varnett::data
