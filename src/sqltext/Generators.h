#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// A selected field of the field list.
struct Field {
    std::string name;
    std::string typeText{};       // as the field list shows it; may be empty
    std::string declaredType{};   // declared type name, used when typeText is empty
};

// One row of the WHERE condition list of the Update procedure.
struct ConditionRow {
    std::string field;            // field name as the row shows it
    int op = 0;                   // index into kOperatorItems
    std::string typeText{};       // the field's type text when the row was added
    std::string declaredType{};   // declared type name, used when typeText is empty
};

enum class ProcedureKind { Insert, Update, Delete };

// The operators a condition row offers, blanks included.
inline constexpr std::array<std::string_view, 7> kOperatorItems = {
    " = ", " > ", " < ", " <> ", " >= ", " <= ", " LIKE ",
};
inline constexpr int kLikeOperator = 6;

// The operator item at index 0..6; throws varnett::Error for any other index.
std::string_view operatorItem(int op);

// A condition row's parameter: "@p" + the field's variable name, followed by
// "+'%'" for LIKE. Throws varnett::Error for an operator index out of range.
std::string conditionParameter(std::string_view field, int op);

// The name proposed for a new procedure: "SP_INSERT_", "SP_UPDATE_" or
// "SP_DELETE_" followed by the table name.
std::string proposedProcedureName(ProcedureKind kind, std::string_view table);

// The text of a procedure inserting one row into the table, one line per
// element. Fields come in display order. Table and field names are quoted
// where the statement needs it. Throws varnett::Error for an empty table or
// procedure name, no fields, or a field without any type.
std::vector<std::string> insertProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName);

// The text of a procedure setting the fields of the rows that meet every
// condition. Each condition field is declared once, first in the parameter
// list; a selected field declared that way gets no parameter of its own.
std::vector<std::string> updateProcedure(std::string_view table, const std::vector<Field>& fields,
                                         const std::vector<ConditionRow>& conditions,
                                         std::string_view procedureName);

// The text of a procedure deleting the rows whose fields all equal the
// parameters.
std::vector<std::string> deleteProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName);

} // namespace varnett::sqltext
