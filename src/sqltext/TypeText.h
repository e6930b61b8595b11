#pragma once

#include "sqltext/ColumnType.h"

#include <optional>
#include <string>

namespace varnett::sqltext {

// The SQL type a generated parameter of this column is declared with, as the
// field list shows it: "[varchar](51)" for varchar(50), "[decimal](19,2)" for
// decimal(10,2), "[image]" for image, and so on. Columns of an unknown type
// have none.
//
// A char or binary length of 0 means none was declared and counts as 1, the
// server's default. varchar and nvarchar parameters are one character longer
// than the column, but never longer than the server allows (8000 and 4000).
// Throws varnett::Error for a length, precision or scale no column can have.
std::optional<std::string> typeText(const ColumnDesc& column);

// The type text, or else the declared type name in brackets ("[geography]").
// Empty when the column has neither.
std::string typeTextOrDeclared(const ColumnDesc& column);

} // namespace varnett::sqltext
