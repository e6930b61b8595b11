#pragma once

#include "sqltext/ColumnType.h"

#include <optional>
#include <string>

namespace varnett::data {

// One row of the driver's column catalog (SQLColumns).
struct CatalogColumn {
    std::string name;
    std::string typeName;               // TYPE_NAME: "varchar", "int identity", ...
    std::optional<long> columnSize;     // COLUMN_SIZE
    std::optional<int> decimalDigits;   // DECIMAL_DIGITS
};

// The column as the program describes it. The category follows the type
// name (SQL Server's names; a driver that reports the declared text, such as
// "decimal(10,2)", has its numbers read from it); "identity" in the type name
// marks an identity column. Lengths of varchar, nvarchar and varbinary that
// are 0 or longer than the server allows stand for (max).
sqltext::ColumnDesc describeCatalogColumn(const CatalogColumn& column);

} // namespace varnett::data
