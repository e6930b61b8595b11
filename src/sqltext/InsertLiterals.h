#pragma once

#include "sqltext/ColumnType.h"
#include "sqltext/Value.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// One constant of an INSERT's VALUES lists, as written.
struct Literal {
    enum class Kind {
        Null,
        Number,     // [sign] digits [. digits] [E [sign] digits], the text kept
        Text,       // '...', the characters with '' read as '
        NText,      // N'...'
        Binary,     // 0x..., the bytes
    };
    Kind kind = Kind::Null;
    std::size_t offset = 0;     // Number, Text, NText, Binary: in InsertLiterals::arena
    std::size_t size = 0;
};

// One statement "INSERT [INTO] table (columns) VALUES (...), (...)".
struct InsertRows {
    std::string_view header;    // from INSERT up to the column list's ")"
    std::string_view table;     // the table's name as written
    std::string_view columns;   // the column list as written, inside its parentheses
    std::size_t columnCount = 0;
    std::size_t rows = 0;
    std::size_t firstValue = 0; // of InsertLiterals::values; row after row
};

// A batch of such statements, parted by ";", read into their constants.
struct InsertLiterals {
    std::vector<InsertRows> statements;
    std::vector<Literal> values;
    std::string arena;

    std::string_view bytes(const Literal& literal) const
    {
        return std::string_view(arena).substr(literal.offset, literal.size);
    }
};

// Reads the batch as the data script writes its rows: INSERT statements
// with a column list, every row as many values as the list has columns, each
// value NULL, a number, a '...' or N'...' string or a 0x constant with two
// digits a byte. Blanks and line breaks may stand between any two pieces.
// False, with `out` in no certain state, for anything else (comments,
// expressions such as 'a' + CHAR(10) or CAST(...), DEFAULT VALUES), which
// is then sent as text.
bool readInsertLiterals(std::string_view batch, InsertLiterals& out);

// How a constant is sent to a column as a bound parameter, by the column's
// type: the value the server makes of the bound parameter is the one it
// makes of the constant.
enum class BoundForm {
    Integer,    // the integer types and bit: a whole number as bigint
    Float,      // float and real: the double the number reads as
    Exact,      // decimal, numeric, money: the number's text as nvarchar
    Text,       // character, date and time, uniqueidentifier, xml: nvarchar
    Binary,     // binary types: the bytes as varbinary
    None,       // sql_variant and unknown types: sent as text only
};
BoundForm boundFormOf(SqlType type);

// The value to bind for a constant in a column of that form: Integer, Real,
// Text (UTF-8, sent as nvarchar) or Blob; Null for NULL. None where binding
// could give another value than the constant: a number where the form wants
// text or bytes and the reverse, a number out of range, and a '...' string
// holding anything but ASCII (the server reads such a constant through the
// database's code page).
std::optional<Value> boundValue(BoundForm form, Literal::Kind kind, std::string_view bytes);

} // namespace varnett::sqltext
