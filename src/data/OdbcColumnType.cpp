#include "data/OdbcColumnType.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string_view>
#include <vector>

namespace varnett::data {

using sqltext::ColumnDesc;
using sqltext::kMaxLength;
using sqltext::SqlType;

namespace {

constexpr long kMaxBytes = 8000;      // longest varchar and varbinary with a length
constexpr long kMaxWideChars = 4000;  // longest nvarchar with a length

std::string trim(std::string_view text)
{
    auto begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    auto end = text.find_last_not_of(" \t");
    return std::string(text.substr(begin, end - begin + 1));
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct NameOfType {
    std::string_view name;
    SqlType type;
};

constexpr NameOfType kTypes[] = {
    {"varchar", SqlType::VarChar},     {"nvarchar", SqlType::NVarChar},
    {"sysname", SqlType::NVarChar},    {"char", SqlType::Char},
    {"nchar", SqlType::NChar},         {"text", SqlType::Text},
    {"ntext", SqlType::NText},         {"int", SqlType::Int},
    {"integer", SqlType::Int},         {"smallint", SqlType::SmallInt},
    {"tinyint", SqlType::TinyInt},     {"bigint", SqlType::BigInt},
    {"bit", SqlType::Bit},             {"decimal", SqlType::Decimal},
    {"dec", SqlType::Decimal},         {"numeric", SqlType::Numeric},
    {"money", SqlType::Money},         {"smallmoney", SqlType::SmallMoney},
    {"float", SqlType::Float},         {"real", SqlType::Real},
    {"datetime", SqlType::DateTime},   {"smalldatetime", SqlType::SmallDateTime},
    {"date", SqlType::Date},           {"time", SqlType::Time},
    {"datetime2", SqlType::DateTime2}, {"datetimeoffset", SqlType::DateTimeOffset},
    {"binary", SqlType::Binary},       {"varbinary", SqlType::VarBinary},
    {"timestamp", SqlType::Timestamp}, {"rowversion", SqlType::Timestamp},
    {"image", SqlType::Image},         {"uniqueidentifier", SqlType::UniqueIdentifier},
    {"sql_variant", SqlType::SqlVariant}, {"xml", SqlType::Xml},
};

SqlType typeNamed(const std::string& name)
{
    for (const auto& entry : kTypes)
        if (entry.name == name)
            return entry.type;
    return SqlType::Unknown;
}

// Removes the word "identity" (any case); true when it was there.
bool takeIdentity(std::string& text)
{
    std::string folded = lower(text);
    for (std::size_t at = folded.find("identity"); at != std::string::npos;
         at = folded.find("identity", at + 1)) {
        bool wordStart = at == 0 || !std::isalnum(static_cast<unsigned char>(folded[at - 1]));
        std::size_t end = at + 8;
        bool wordEnd = end == folded.size() || !std::isalnum(static_cast<unsigned char>(folded[end]));
        if (wordStart && wordEnd) {
            text.erase(at, 8);
            return true;
        }
    }
    return false;
}

// The numbers in "(10,2)" or "(max)"; an argument that is neither ends the list.
std::vector<int> typeArguments(std::string_view inside)
{
    std::vector<int> numbers;
    std::size_t start = 0;
    while (start <= inside.size()) {
        std::size_t comma = inside.find(',', start);
        std::string part = lower(trim(inside.substr(start, comma == std::string_view::npos
                                                               ? std::string_view::npos
                                                               : comma - start)));
        if (part == "max") {
            numbers.push_back(kMaxLength);
        } else if (!part.empty() && part.size() <= 9
                   && std::all_of(part.begin(), part.end(),
                                  [](char c) { return c >= '0' && c <= '9'; })) {
            numbers.push_back(std::stoi(part));
        } else {
            break;
        }
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return numbers;
}

int catalogLength(const std::optional<long>& size)
{
    if (!size || *size < 0)
        return 0;
    return static_cast<int>(std::min<long>(*size, INT_MAX));
}

// A varying length as the catalog reports it: 0 or past the limit is (max).
int varyingLength(const std::optional<long>& size, long limit)
{
    if (!size || *size == 0 || *size > limit)
        return kMaxLength;
    return catalogLength(size);
}

} // namespace

ColumnDesc describeCatalogColumn(const CatalogColumn& column)
{
    ColumnDesc desc;
    desc.name = column.name;

    std::string text = column.typeName;
    desc.identity = takeIdentity(text);
    std::vector<int> args;
    if (auto open = text.find('('); open != std::string::npos) {
        auto close = text.find(')', open);
        args = typeArguments(std::string_view(text).substr(
            open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
        text.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
    }
    // "double  precision" and the like: one blank between words.
    std::string base;
    for (char c : trim(text)) {
        if (c == ' ' || c == '\t') {
            if (!base.empty() && base.back() != ' ')
                base += ' ';
        } else {
            base += c;
        }
    }
    desc.typeName = base;
    desc.type = typeNamed(lower(base));

    switch (desc.type) {
    case SqlType::Char:
    case SqlType::NChar:
    case SqlType::Binary:
    case SqlType::Timestamp:
        desc.length = args.empty() ? catalogLength(column.columnSize) : args[0];
        break;
    case SqlType::VarChar:
    case SqlType::VarBinary:
        desc.length = args.empty() ? varyingLength(column.columnSize, kMaxBytes) : args[0];
        break;
    case SqlType::NVarChar:
        if (!args.empty())
            desc.length = args[0];
        else if (lower(base) == "sysname" && !column.columnSize)
            desc.length = 128;
        else
            desc.length = varyingLength(column.columnSize, kMaxWideChars);
        break;
    case SqlType::Decimal:
    case SqlType::Numeric:
        if (!args.empty()) {
            desc.precision = args[0];
            desc.scale = args.size() > 1 ? args[1] : 0;
        } else {
            desc.precision = catalogLength(column.columnSize);
            desc.scale = column.decimalDigits.value_or(0);
        }
        break;
    case SqlType::Money:
        desc.precision = 19;
        desc.scale = 4;
        break;
    case SqlType::SmallMoney:
        desc.precision = 10;
        desc.scale = 4;
        break;
    default:
        break;
    }
    return desc;
}

} // namespace varnett::data
