#include "sqltext/TypeText.h"

#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"

namespace varnett::sqltext {

namespace {

constexpr int kMaxBytes = 8000;       // longest varchar, char, binary and varbinary
constexpr int kMaxWideChars = 4000;   // longest nvarchar

[[noreturn]] void badColumn(const ColumnDesc& column, const std::string& what)
{
    throw Error("The column '" + column.name + "' of type " + column.typeName + " has "
                + what);
}

// The declared length; 0 (none declared) counts as 1.
int declaredLength(const ColumnDesc& column, bool maxAllowed)
{
    if (column.length == kMaxLength && maxAllowed)
        return kMaxLength;
    if (column.length < 0)
        badColumn(column, "an invalid length (" + std::to_string(column.length) + ")");
    return column.length == 0 ? 1 : column.length;
}

std::string sized(const char* name, int length)
{
    std::string out = "[";
    out += name;
    out += "](";
    out += length == kMaxLength ? std::string("max") : std::to_string(length);
    out += ')';
    return out;
}

// varchar and nvarchar parameters take one character more than the column.
// Past the server's limit the limit itself still holds every value, and a
// column longer than that can only be held by (max).
std::string lengthenedVariable(const char* name, const ColumnDesc& column, int limit)
{
    int length = declaredLength(column, true);
    if (length != kMaxLength)
        length = length < limit ? length + 1 : (length == limit ? limit : kMaxLength);
    return sized(name, length);
}

std::string decimalText(const ColumnDesc& column)
{
    if (column.precision < 0 || column.precision > 38)
        badColumn(column, "an invalid precision (" + std::to_string(column.precision) + ")");
    int precision = column.precision <= 19 ? 19 : column.precision;
    if (column.scale < 0 || column.scale > precision)
        badColumn(column, "an invalid scale (" + std::to_string(column.scale) + ")");
    return "[decimal](" + std::to_string(precision) + "," + std::to_string(column.scale) + ")";
}

} // namespace

std::optional<std::string> typeText(const ColumnDesc& column)
{
    switch (column.type) {
    case SqlType::VarChar:
        return lengthenedVariable("varchar", column, kMaxBytes);
    case SqlType::NVarChar:
    case SqlType::NChar:
        return lengthenedVariable("nvarchar", column, kMaxWideChars);
    case SqlType::Char:
        return sized("char", declaredLength(column, false));
    case SqlType::Text:
        return "[text]";
    case SqlType::NText:
        return "[ntext]";
    case SqlType::Int:
    case SqlType::TinyInt:
        return "[int]";
    case SqlType::SmallInt:
        return "[smallint]";
    case SqlType::BigInt:
        return "[bigint]";
    case SqlType::Bit:
        return "[bit]";
    case SqlType::Decimal:
    case SqlType::Numeric:
        return decimalText(column);
    case SqlType::Money:
    case SqlType::SmallMoney:
        return "[decimal](19,4)";
    case SqlType::Float:
        return "[float]";
    case SqlType::Real:
        return "[real]";
    case SqlType::DateTime:
    case SqlType::SmallDateTime:
        return "[datetime]";
    case SqlType::Date:
        return "[date]";
    case SqlType::Time:
        return "[time]";
    case SqlType::DateTime2:
        return "[datetime2]";
    case SqlType::DateTimeOffset:
        return "[datetimeoffset]";
    case SqlType::Binary:
        return sized("binary", declaredLength(column, false));
    case SqlType::Timestamp:
        return "[binary](8)";
    case SqlType::VarBinary:
        return sized("varbinary", declaredLength(column, true));
    case SqlType::Image:
        return "[image]";
    case SqlType::UniqueIdentifier:
        return "[uniqueidentifier]";
    case SqlType::SqlVariant:
        return "[sql_variant]";
    case SqlType::Xml:
        return "[xml]";
    case SqlType::Unknown:
        break;
    }
    return std::nullopt;
}

std::string typeTextOrDeclared(const ColumnDesc& column)
{
    if (auto text = typeText(column))
        return *text;
    if (column.typeName.empty())
        return {};
    return bracketQuote(column.typeName);
}

} // namespace varnett::sqltext
