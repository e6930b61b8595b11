#include "data/odbc/OdbcColumnType.h"

#include "sqltext/AsciiText.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string_view>

namespace varnett::data {

using sqltext::ColumnDesc;
using sqltext::kMaxLength;
using sqltext::SqlType;

namespace {

constexpr long kMaxBytes = 8000;      // longest varchar and varbinary with a length
constexpr long kMaxWideChars = 4000;  // longest nvarchar with a length

std::string lower(std::string_view text) { return sqltext::toLowerAscii(text); }

// True when the type name holds arguments, as in "decimal(10,2)": the
// driver reports the declared text. SQL Server's "numeric() identity" has
// empty ones.
bool hasArguments(std::string_view typeName)
{
    auto open = typeName.find('(');
    if (open == std::string_view::npos)
        return false;
    auto close = typeName.find(')', open);
    std::string_view inside = typeName.substr(open + 1, close == std::string_view::npos
                                                            ? std::string_view::npos
                                                            : close - open - 1);
    return inside.find_first_not_of(" \t") != std::string_view::npos;
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

int catalogNumber(const std::optional<long>& size)
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
    return catalogNumber(size);
}

} // namespace

ColumnDesc describeCatalogColumn(const CatalogColumn& column)
{
    if (hasArguments(column.typeName))
        return sqltext::describeDeclaredType(column.name, column.typeName);

    std::string base = column.typeName;
    const bool identity = takeIdentity(base);
    if (auto open = base.find('('); open != std::string::npos)
        base.erase(open, base.find(')', open) == std::string::npos
                             ? std::string::npos
                             : base.find(')', open) - open + 1);
    // sysname is SQL Server's alias of nvarchar(128).
    const bool sysname = lower(base).find("sysname") != std::string::npos;
    ColumnDesc desc = sqltext::describeDeclaredType(column.name, sysname ? "nvarchar" : base);
    if (sysname)
        desc.typeName = "sysname";
    desc.identity = identity;

    // The sizes come from the catalog, not from the declared defaults.
    desc.length = 0;
    desc.precision = 0;
    desc.scale = 0;
    switch (desc.type) {
    case SqlType::Char:
    case SqlType::NChar:
    case SqlType::Binary:
    case SqlType::Timestamp:
        desc.length = catalogNumber(column.columnSize);
        break;
    case SqlType::VarChar:
    case SqlType::VarBinary:
        desc.length = varyingLength(column.columnSize, kMaxBytes);
        break;
    case SqlType::NVarChar:
        desc.length = sysname && !column.columnSize
            ? 128
            : varyingLength(column.columnSize, kMaxWideChars);
        break;
    case SqlType::Decimal:
    case SqlType::Numeric:
        desc.precision = catalogNumber(column.columnSize);
        desc.scale = column.decimalDigits.value_or(0);
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
