#pragma once

#include "sqltext/Value.h"
#include "sqltext/ColumnType.h"

#include <string>

namespace varnett::sqltext {

// Appends the T-SQL literal of a column value to `out`, written so that it
// loads back exactly and reads the same under any server language:
//   NULL for a null value;
//   '...' for varchar, char and text, N'...' for nvarchar, nchar, ntext and
//   xml, each ' doubled (an empty string stays '');
//   decimal digits for the integer types, 1 or 0 for bit;
//   the exact value for decimal, numeric, money and smallmoney, "." as
//   separator and never an exponent;
//   the shortest text that reads back to the same double for float and real
//   (a real column's float written as the double it is), "." as separator
//   and "E" before an exponent; numbers given as text are read strictly
//   (one sign at most, before the digits and before the exponent's digits);
//   'yyyy-mm-ddThh:mm:ss[.f...]' for datetime, smalldatetime and datetime2,
//   'yyyy-mm-dd' for date, 'hh:mm:ss[.f...]' for time and
//   'yyyy-mm-ddThh:mm:ss[.f...]+hh:mm' for datetimeoffset, the fraction only
//   when it is not zero and without trailing zeros;
//   'XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX' for uniqueidentifier;
//   0x and two upper-case hex digits a byte for binary, varbinary, image and
//   timestamp (0x alone when empty).
// A text that holds a NUL or a line that is only GO (which would end a
// batch of a script) is written as a concatenation of literals and NCHAR(n)
// (CHAR(n) for varchar) for its CR, LF and NUL characters.
// sql_variant keeps the type of its value: CAST(n AS bigint) for a whole
// number, CAST(x AS float) for another number, N'...' for text, 0x... for
// bytes. Unknown types take the form of the value's own kind, without casts. Throws varnett::Error, naming the column, for a value that its
// column type cannot hold (a text that is no number, no date, no identifier).
void appendLiteral(std::string& out, const ColumnDesc& column, const Value& value);

// The literal of appendLiteral as a text of its own.
std::string literal(const ColumnDesc& column, const Value& value);

} // namespace varnett::sqltext
