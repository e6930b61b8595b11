#include "cli/Commands.h"
#include "cli/Output.h"

#include "data/GeneratedProcedures.h"
#include "sqltext/Error.h"
#include "sqltext/ProcedureKinds.h"

#include <algorithm>
#include <iostream>

namespace varnett::cli {

namespace {

using sqltext::ColumnDesc;
using sqltext::ConditionRow;
using sqltext::Field;
using sqltext::ProcedureKind;

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

} // namespace

void generateProcedure(Session& session, const Invocation& invocation)
{
    const ProcedureKind kind = kindOf(invocation.command);
    const sqltext::ObjectName object = session.resolveTable(invocation.operands.at(0));
    const std::string table = sqltext::displayName(object);
    const std::vector<ColumnDesc> columns = session.columnsOf(object);

    std::vector<Field> fields;
    if (invocation.fields.empty()) {
        fields = sqltext::writableFields(kind, columns);
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
    const sqltext::TableFacts facts = data::tableFactsFor(session.engine(), object, columns, options);
    const std::vector<std::string> lines =
        sqltext::kindProcedure(kind, table, fields, conditions, name, options, facts);
    if (const std::string note = sqltext::leftOutNote(kind, fields); !note.empty())
        std::cerr << "varnett-script: " << note << ".\n";
    printLines(lines);
}

} // namespace varnett::cli

namespace varnett::cli {

void generateForTables(Session& session, const Invocation& invocation)
{
    data::GenerationRequest request;
    for (const std::string& table : invocation.operands)
        request.tables.push_back(session.resolveTable(table));
    for (const std::string& kind : invocation.kinds)
        request.kinds.push_back(kindOf(kind));
    if (invocation.pattern)
        request.patterns.fill(*invocation.pattern);
    request.options = invocation.options;

    data::Engine& engine = session.engine();
    const data::Generation generation = data::generateProcedures(engine, request);
    for (const std::string& line : data::skipSummary(generation))
        std::cerr << "varnett-script: " << line << ".\n";
    if (invocation.out)
        data::writeGeneratedScript(engine, generation, *invocation.out);
    else if (invocation.folder)
        data::writeGeneratedFolder(generation, *invocation.folder);
    else
        data::createGenerated(engine, generation);
    for (const data::GeneratedProcedure& procedure : generation.procedures)
        std::cout << sqltext::displayName(procedure.name) << '\n';
}

} // namespace varnett::cli
