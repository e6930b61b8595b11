#pragma once

#include "sqltext/ColumnType.h"
#include "sqltext/GeneratorOptions.h"
#include "sqltext/TableKeys.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// A selected field of the field list.
struct Field {
    std::string name;
    std::string typeText{};       // as the field list shows it; may be empty
    std::string declaredType{};   // declared type name, used when typeText is empty
    SqlType type = SqlType::Unknown;
    bool serverFilled = false;    // identity, rowversion/timestamp or computed
};

// One row of the WHERE condition list of the Update procedure.
struct ConditionRow {
    std::string field;            // field name as the row shows it
    int op = 0;                   // index into kOperatorItems
    std::string typeText{};       // the field's type text when the row was added
    std::string declaredType{};   // declared type name, used when typeText is empty
    SqlType type = SqlType::Unknown;
};

enum class ProcedureKind { Insert, Update, Delete, Select };

// What the options need of the table beyond the selected fields, each
// column as a field: its key, its identity column, its rowversion column.
struct TableFacts {
    std::vector<Field> key;          // empty when the table has no key
    bool primaryKey = false;
    std::optional<Field> identity;
    std::optional<Field> rowversion;
};

// The facts of a table from its columns and what the catalog says of its
// keys: identity and rowversion columns as the catalog names them, else as
// the columns show them (identity flag, timestamp type). Key columns the
// column list does not hold are left out.
TableFacts tableFacts(const std::vector<ColumnDesc>& columns, const TableKeys& keys);

// The operators a condition row offers, blanks included.
inline constexpr std::array<std::string_view, 7> kOperatorItems = {
    " = ", " > ", " < ", " <> ", " >= ", " <= ", " LIKE ",
};
inline constexpr int kLikeOperator = 6;

// The field entry of a column: its type text (empty when it has none), its
// declared type, its type and whether the server fills it.
Field fieldOf(const ColumnDesc& column);

// The operator item at index 0..6; throws varnett::Error for any other index.
std::string_view operatorItem(int op);

// False for the types the server cannot compare with = < > (text, ntext,
// image, xml).
bool isComparable(SqlType type);

// The number of operator items offered for a column of the type: all seven
// for character columns (char, varchar, nchar, nvarchar) and columns of a
// type not known here, the six without LIKE for the others.
int operatorCount(SqlType type);

// Throws varnett::Error naming the field when a condition on it cannot be
// written: its type cannot be compared, or LIKE on a column that holds no
// characters.
void checkCondition(std::string_view field, SqlType type, int op);

// A condition row's parameter: "@p" + the field's variable name, followed by
// "+'%'" for LIKE. Throws varnett::Error for an operator index out of range.
std::string conditionParameter(std::string_view field, int op);

// The name proposed for a new procedure: "SP_INSERT_", "SP_UPDATE_",
// "SP_DELETE_" or "SP_SELECT_" followed by the table's name, in the table's
// schema ("Sales.Orders" gives "Sales.SP_SELECT_Orders").
std::string proposedProcedureName(ProcedureKind kind, std::string_view table);

// The procedure name as the CREATE line writes it: bare when it is a regular
// identifier and no keyword, as typed when it is already a bracketed name
// ("[a b]", "[dbo].[x]"), else bracketed ("SP_INSERT_Order Details" gives
// "[SP_INSERT_Order Details]").
std::string procedureNameText(std::string_view procedureName);

// The selected fields a generator leaves out because the server fills them
// (identity, rowversion and computed columns): the INSERT column list and
// the UPDATE SET list. None for DELETE.
std::vector<std::string> leftOutFields(ProcedureKind kind, const std::vector<Field>& fields);

// The note that tells which selected fields were left out, or empty text.
std::string leftOutNote(ProcedureKind kind, const std::vector<Field>& fields);

// Every generator:
// - writes the procedure name as procedureNameText does, table and condition
//   names bare when they can be, column lists bracketed;
// - gives each column one parameter "@p" + the name with the characters a
//   variable cannot hold made "_"; a name that another column has taken
//   already (compared without regard to case) gets the suffix 2, 3, ...;
// - throws varnett::Error for an empty table or procedure name, no fields,
//   a field without any type, or a parameter name past 128 characters;
// - with the options: writes CREATE OR ALTER, puts "SET NOCOUNT ON;" first
//   in the body and the statement inside TRY/CATCH with a transaction that
//   the CATCH block rolls back before it throws the error again. With every
//   option off the text is the plain one.

// The text of a procedure inserting one row into the table, one line per
// element. Fields come in display order; those the server fills are left
// out (an error when no other field is selected). With identityOutput and
// an identity column the new key is returned in an OUTPUT parameter, last
// in the list, set from SCOPE_IDENTITY().
std::vector<std::string> insertProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName,
                                         const GeneratorOptions& options = {},
                                         const TableFacts& facts = {});

// The text of a procedure setting the fields of the rows that meet every
// condition. Each condition field is declared once, first in the parameter
// list, with the name its WHERE line uses; a selected field declared that way
// gets no parameter of its own. Fields the server fills are not set (an
// error when no other field is selected) but may be conditions. A condition
// that checkCondition refuses is an error.
// With keyConditions and no condition rows the conditions are the key
// columns, each "= ", and the key columns are not set; a table without a
// key, or a selection of key columns only, is then an error. With
// rowversionCheck and a rowversion column the row must also have the
// rowversion given in a parameter (last in the list), and the procedure
// throws error 50001 when no row was changed.
std::vector<std::string> updateProcedure(std::string_view table, const std::vector<Field>& fields,
                                         const std::vector<ConditionRow>& conditions,
                                         std::string_view procedureName,
                                         const GeneratorOptions& options = {},
                                         const TableFacts& facts = {});

// The text of a procedure deleting the rows whose fields all equal the
// parameters. A field of a type that cannot be compared is an error.
// With keyConditions the key columns take the place of the fields (a table
// without a key is an error); rowversionCheck as for updateProcedure.
std::vector<std::string> deleteProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName,
                                         const GeneratorOptions& options = {},
                                         const TableFacts& facts = {});

// The text of a procedure returning the fields of the rows that meet every
// condition, or of every row when there is none. Conditions are declared
// and written as for updateProcedure. Key and rowversion options do not
// apply.
std::vector<std::string> selectProcedure(std::string_view table, const std::vector<Field>& fields,
                                         const std::vector<ConditionRow>& conditions,
                                         std::string_view procedureName,
                                         const GeneratorOptions& options = {});

} // namespace varnett::sqltext
