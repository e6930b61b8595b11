#include "cli/Commands.h"
#include "cli/Output.h"

#include "sqltext/Error.h"
#include "sqltext/Generators.h"
#include "sqltext/TypeText.h"

#include <algorithm>

namespace varnett::cli {

namespace {

using sqltext::ColumnDesc;
using sqltext::ConditionRow;
using sqltext::Field;
using sqltext::ProcedureKind;

// A field as the field list holds it: its type text, and its declared type
// for the generators to fall back on when it has none.
Field fieldOf(const ColumnDesc& column)
{
    return {column.name, sqltext::typeText(column).value_or(std::string()), column.typeName};
}

ProcedureKind kindOf(const std::string& command)
{
    if (command == "insert")
        return ProcedureKind::Insert;
    if (command == "update")
        return ProcedureKind::Update;
    return ProcedureKind::Delete;
}

} // namespace

void generateProcedure(Session& session, const Invocation& invocation)
{
    const ProcedureKind kind = kindOf(invocation.command);
    const std::string table = session.resolveTable(invocation.operands.at(0));
    const std::vector<ColumnDesc> columns = session.columnsOf(table);

    std::vector<Field> fields;
    if (invocation.fields.empty()) {
        for (const ColumnDesc& column : columns)
            fields.push_back(fieldOf(column));
    }
    for (const std::string& name : invocation.fields) {
        Field field = fieldOf(findColumn(columns, name, table));
        if (std::any_of(fields.begin(), fields.end(),
                        [&](const Field& f) { return f.name == field.name; }))
            throw Error("The field '" + field.name + "' is given more than once.");
        fields.push_back(std::move(field));
    }

    // Each --where adds a condition row, as a field dropped on the list does.
    std::vector<ConditionRow> conditions;
    for (const std::string& where : invocation.wheres) {
        WhereCondition condition = parseWhere(where);
        Field field = fieldOf(findColumn(columns, condition.field, table));
        conditions.push_back({field.name, condition.op, field.typeText, field.declaredType});
    }

    const std::string name = invocation.name.value_or(sqltext::proposedProcedureName(kind, table));
    switch (kind) {
    case ProcedureKind::Insert:
        printLines(sqltext::insertProcedure(table, fields, name));
        break;
    case ProcedureKind::Update:
        printLines(sqltext::updateProcedure(table, fields, conditions, name));
        break;
    case ProcedureKind::Delete:
        printLines(sqltext::deleteProcedure(table, fields, name));
        break;
    }
}

} // namespace varnett::cli
