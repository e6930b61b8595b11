#include "cli/Commands.h"
#include "cli/Output.h"

#include "sqltext/Error.h"
#include "sqltext/Generators.h"

#include <algorithm>
#include <iostream>

namespace varnett::cli {

namespace {

using sqltext::ColumnDesc;
using sqltext::ConditionRow;
using sqltext::Field;
using sqltext::ProcedureKind;

// True when the statement of the procedure can write the column: INSERT
// and UPDATE leave out what the server fills, DELETE what it cannot compare;
// SELECT reads every column.
bool writable(ProcedureKind kind, const Field& field)
{
    switch (kind) {
    case ProcedureKind::Delete:
        return sqltext::isComparable(field.type);
    case ProcedureKind::Select:
        return true;
    default:
        return !field.serverFilled;
    }
}

ProcedureKind kindOf(const std::string& command)
{
    if (command == "insert")
        return ProcedureKind::Insert;
    if (command == "update")
        return ProcedureKind::Update;
    if (command == "select")
        return ProcedureKind::Select;
    return ProcedureKind::Delete;
}

// The facts the options need, read from the catalog only when they need them.
sqltext::TableFacts factsFor(Session& session, const sqltext::ObjectName& table,
                             const std::vector<ColumnDesc>& columns,
                             const sqltext::GeneratorOptions& options)
{
    if (!options.identityOutput && !options.keyConditions && !options.rowversionCheck)
        return {};
    return sqltext::tableFacts(columns, session.engine().tableKeys(table));
}

} // namespace

void generateProcedure(Session& session, const Invocation& invocation)
{
    const ProcedureKind kind = kindOf(invocation.command);
    const sqltext::ObjectName object = session.resolveTable(invocation.operands.at(0));
    const std::string table = sqltext::displayName(object);
    const std::vector<ColumnDesc> columns = session.columnsOf(object);

    std::vector<Field> fields;
    if (invocation.fields.empty()) {
        for (const ColumnDesc& column : columns)
            if (Field field = sqltext::fieldOf(column); writable(kind, field))
                fields.push_back(std::move(field));
        if (fields.empty())
            throw Error("The table '" + table + "' has no field the procedure can write.");
    }
    for (const std::string& name : invocation.fields) {
        Field field = sqltext::fieldOf(findColumn(columns, name, table));
        if (std::any_of(fields.begin(), fields.end(),
                        [&](const Field& f) { return f.name == field.name; }))
            throw Error("The field '" + field.name + "' is given more than once.");
        fields.push_back(std::move(field));
    }

    // Each --where adds a condition row, as a field dropped on the list does.
    std::vector<ConditionRow> conditions;
    for (const std::string& where : invocation.wheres) {
        WhereCondition condition = parseWhere(where);
        Field field = sqltext::fieldOf(findColumn(columns, condition.field, table));
        sqltext::checkCondition(field.name, field.type, condition.op);
        conditions.push_back({field.name, condition.op, field.typeText, field.declaredType,
                              field.type});
    }

    const std::string name = invocation.name.value_or(sqltext::proposedProcedureName(kind, table));
    const sqltext::GeneratorOptions& options = invocation.options;
    const sqltext::TableFacts facts = factsFor(session, object, columns, options);
    std::vector<std::string> lines;
    switch (kind) {
    case ProcedureKind::Insert:
        lines = sqltext::insertProcedure(table, fields, name, options, facts);
        break;
    case ProcedureKind::Update:
        lines = sqltext::updateProcedure(table, fields, conditions, name, options, facts);
        break;
    case ProcedureKind::Delete:
        lines = sqltext::deleteProcedure(table, fields, name, options, facts);
        break;
    case ProcedureKind::Select:
        lines = sqltext::selectProcedure(table, fields, conditions, name, options);
        break;
    }
    if (const std::string note = sqltext::leftOutNote(kind, fields); !note.empty())
        std::cerr << "varnett-script: " << note << ".\n";
    printLines(lines);
}

} // namespace varnett::cli
