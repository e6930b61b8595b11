#include "sqltext/ColumnType.h"

#include "sqltext/AsciiText.h"

#include <array>
#include <charconv>
#include <optional>
#include <vector>

namespace varnett::sqltext {

namespace {

// How a type takes its parenthesised arguments.
enum class Args {
    None,       // int, money, ...: no arguments
    Length,     // char(n), binary(n): one length, 1 when omitted
    MaxLength,  // varchar(n|max): as Length, or max
    Decimal,    // decimal(p[,s]): precision 18 and scale 0 when omitted
    Fraction,   // time(n), datetime2(n): fractional digits 0 to 7
    Float,      // float(n): 1 to 53; up to 24 it is a real
};

struct TypeRule {
    std::string_view name;      // lower case
    SqlType type;
    Args args;
    int maxLength;              // upper bound of the length, for Length and MaxLength
    bool identityAllowed;
};

constexpr std::array<TypeRule, 44> kRules = {{
    {"varchar", SqlType::VarChar, Args::MaxLength, 8000, false},
    {"nvarchar", SqlType::NVarChar, Args::MaxLength, 4000, false},
    {"char", SqlType::Char, Args::Length, 8000, false},
    {"nchar", SqlType::NChar, Args::Length, 4000, false},
    {"text", SqlType::Text, Args::None, 0, false},
    {"ntext", SqlType::NText, Args::None, 0, false},
    {"int", SqlType::Int, Args::None, 0, true},
    {"integer", SqlType::Int, Args::None, 0, true},
    {"smallint", SqlType::SmallInt, Args::None, 0, true},
    {"tinyint", SqlType::TinyInt, Args::None, 0, true},
    {"bigint", SqlType::BigInt, Args::None, 0, true},
    {"bit", SqlType::Bit, Args::None, 0, false},
    {"decimal", SqlType::Decimal, Args::Decimal, 0, true},
    {"numeric", SqlType::Numeric, Args::Decimal, 0, true},
    {"money", SqlType::Money, Args::None, 0, false},
    {"smallmoney", SqlType::SmallMoney, Args::None, 0, false},
    {"float", SqlType::Float, Args::Float, 0, false},
    {"real", SqlType::Real, Args::None, 0, false},
    {"datetime", SqlType::DateTime, Args::None, 0, false},
    {"smalldatetime", SqlType::SmallDateTime, Args::None, 0, false},
    {"date", SqlType::Date, Args::None, 0, false},
    {"time", SqlType::Time, Args::Fraction, 0, false},
    {"datetime2", SqlType::DateTime2, Args::Fraction, 0, false},
    {"datetimeoffset", SqlType::DateTimeOffset, Args::Fraction, 0, false},
    {"binary", SqlType::Binary, Args::Length, 8000, false},
    {"varbinary", SqlType::VarBinary, Args::MaxLength, 8000, false},
    {"timestamp", SqlType::Timestamp, Args::None, 0, false},
    {"rowversion", SqlType::Timestamp, Args::None, 0, false},
    {"image", SqlType::Image, Args::None, 0, false},
    {"uniqueidentifier", SqlType::UniqueIdentifier, Args::None, 0, false},
    {"sql_variant", SqlType::SqlVariant, Args::None, 0, false},
    {"xml", SqlType::Xml, Args::None, 0, false},
    // The synonyms the server accepts for these types.
    {"character", SqlType::Char, Args::Length, 8000, false},
    {"char varying", SqlType::VarChar, Args::MaxLength, 8000, false},
    {"character varying", SqlType::VarChar, Args::MaxLength, 8000, false},
    {"national character", SqlType::NChar, Args::Length, 4000, false},
    {"national char", SqlType::NChar, Args::Length, 4000, false},
    {"national character varying", SqlType::NVarChar, Args::MaxLength, 4000, false},
    {"national char varying", SqlType::NVarChar, Args::MaxLength, 4000, false},
    {"nchar varying", SqlType::NVarChar, Args::MaxLength, 4000, false},
    {"national text", SqlType::NText, Args::None, 0, false},
    {"dec", SqlType::Decimal, Args::Decimal, 0, true},
    {"double precision", SqlType::Float, Args::None, 0, false},
    {"binary varying", SqlType::VarBinary, Args::MaxLength, 8000, false},
}};

bool isTypeWordChar(char c)
{
    return c != '(' && c != ')' && c != ',' && !isBlankOrLineBreak(c);
}

std::string lowered(std::string_view text) { return toLowerAscii(text); }

// The declared text cut into words and the punctuation ( ) and ,.
std::vector<std::string_view> tokenize(std::string_view text)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isBlankOrLineBreak(text[i])) {
            ++i;
        } else if (!isTypeWordChar(text[i])) {
            tokens.push_back(text.substr(i, 1));
            ++i;
        } else {
            std::size_t start = i;
            while (i < text.size() && isTypeWordChar(text[i]))
                ++i;
            tokens.push_back(text.substr(start, i - start));
        }
    }
    return tokens;
}

bool isPunctuation(std::string_view token)
{
    return token == "(" || token == ")" || token == ",";
}

std::optional<long long> toNumber(std::string_view token)
{
    if (!token.empty() && token.front() == '+')
        token.remove_prefix(1);
    long long value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size())
        return std::nullopt;
    return value;
}

// Reads "( a [, b] )" at tokens[pos]; returns the arguments and moves pos
// past the closing parenthesis. No group at pos gives an empty list.
std::optional<std::vector<std::string_view>> readArguments(
    const std::vector<std::string_view>& tokens, std::size_t& pos)
{
    std::vector<std::string_view> args;
    if (pos >= tokens.size() || tokens[pos] != "(")
        return args;
    ++pos;
    while (true) {
        if (pos >= tokens.size() || isPunctuation(tokens[pos]))
            return std::nullopt;
        args.push_back(tokens[pos++]);
        if (pos >= tokens.size())
            return std::nullopt;
        if (tokens[pos] == ")") {
            ++pos;
            return args;
        }
        if (tokens[pos] != ",")
            return std::nullopt;
        ++pos;
    }
}

bool inRange(const std::optional<long long>& value, long long low, long long high)
{
    return value && *value >= low && *value <= high;
}

// Applies the arguments of the rule to the column; false when they do not fit.
bool applyArguments(const TypeRule& rule, const std::vector<std::string_view>& args,
                    ColumnDesc& column)
{
    switch (rule.args) {
    case Args::None:
        return args.empty();
    case Args::Length:
    case Args::MaxLength: {
        if (args.size() > 1)
            return false;
        if (args.empty()) {
            column.length = 1;
            return true;
        }
        if (rule.args == Args::MaxLength && lowered(args[0]) == "max") {
            column.length = kMaxLength;
            return true;
        }
        auto length = toNumber(args[0]);
        if (!inRange(length, 1, rule.maxLength))
            return false;
        column.length = static_cast<int>(*length);
        return true;
    }
    case Args::Decimal: {
        if (args.size() > 2)
            return false;
        std::optional<long long> precision = 18, scale = 0;
        if (!args.empty())
            precision = toNumber(args[0]);
        if (args.size() == 2)
            scale = toNumber(args[1]);
        if (!inRange(precision, 1, 38) || !inRange(scale, 0, *precision))
            return false;
        column.precision = static_cast<int>(*precision);
        column.scale = static_cast<int>(*scale);
        return true;
    }
    case Args::Fraction:
        return args.empty() || (args.size() == 1 && inRange(toNumber(args[0]), 0, 7));
    case Args::Float:
        if (args.empty())
            return true;
        if (args.size() != 1 || !inRange(toNumber(args[0]), 1, 53))
            return false;
        if (*toNumber(args[0]) <= 24)
            column.type = SqlType::Real;
        return true;
    }
    return false;
}

// Reads "identity [(seed, increment)]" at tokens[pos]; false when the tokens
// there are something else.
bool readIdentity(const std::vector<std::string_view>& tokens, std::size_t& pos)
{
    if (pos >= tokens.size() || lowered(tokens[pos]) != "identity")
        return false;
    ++pos;
    auto args = readArguments(tokens, pos);
    if (!args || !(args->empty() || args->size() == 2))
        return false;
    for (std::string_view arg : *args) {
        if (!arg.empty() && arg.front() == '-')
            arg.remove_prefix(1);
        if (!toNumber(arg))
            return false;
    }
    return true;
}

const TypeRule* findRule(std::string_view baseName)
{
    std::string key = lowered(baseName);
    for (const TypeRule& rule : kRules)
        if (rule.name == key)
            return &rule;
    return nullptr;
}

} // namespace

ColumnDesc describeDeclaredType(std::string name, std::string_view declared)
{
    ColumnDesc column;
    column.name = std::move(name);

    auto tokens = tokenize(declared);
    std::size_t pos = 0;
    // The base name: the words before the arguments or "identity".
    while (pos < tokens.size() && !isPunctuation(tokens[pos])
           && lowered(tokens[pos]) != "identity") {
        if (!column.typeName.empty())
            column.typeName += ' ';
        column.typeName += tokens[pos++];
    }

    const TypeRule* rule = findRule(column.typeName);
    if (!rule)
        return column;

    ColumnDesc described = column;
    described.type = rule->type;
    auto args = readArguments(tokens, pos);
    if (!args || !applyArguments(*rule, *args, described))
        return column;
    if (pos < tokens.size()) {
        if (!rule->identityAllowed || !readIdentity(tokens, pos) || described.scale != 0)
            return column;
        described.identity = true;
    }
    if (pos != tokens.size())
        return column;
    return described;
}

bool isServerFilled(const ColumnDesc& column)
{
    return column.type == SqlType::Timestamp || column.computed;
}

} // namespace varnett::sqltext
