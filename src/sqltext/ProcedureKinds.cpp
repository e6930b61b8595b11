#include "sqltext/ProcedureKinds.h"

namespace varnett::sqltext {

bool writable(ProcedureKind kind, const Field& field)
{
    switch (kind) {
    case ProcedureKind::Delete:
        return isComparable(field.type);
    case ProcedureKind::Select:
        return true;
    default:
        return !field.serverFilled;
    }
}

std::vector<Field> writableFields(ProcedureKind kind, const std::vector<ColumnDesc>& columns)
{
    std::vector<Field> fields;
    for (const ColumnDesc& column : columns)
        if (Field field = fieldOf(column); writable(kind, field))
            fields.push_back(std::move(field));
    return fields;
}

std::vector<ConditionRow> keyConditionRows(const TableFacts& facts)
{
    std::vector<ConditionRow> rows;
    for (const Field& key : facts.key)
        rows.push_back({key.name, 0, key.typeText, key.declaredType, key.type});
    return rows;
}

std::vector<std::string> kindProcedure(ProcedureKind kind, std::string_view table,
                                       const std::vector<Field>& fields,
                                       const std::vector<ConditionRow>& conditions,
                                       std::string_view procedureName,
                                       const GeneratorOptions& options, const TableFacts& facts)
{
    switch (kind) {
    case ProcedureKind::Insert:
        return insertProcedure(table, fields, procedureName, options, facts);
    case ProcedureKind::Update:
        return updateProcedure(table, fields, conditions, procedureName, options, facts);
    case ProcedureKind::Delete:
        return deleteProcedure(table, fields, procedureName, options, facts);
    case ProcedureKind::Select:
        return selectProcedure(table, fields, conditions, procedureName, options);
    }
    return {};
}

} // namespace varnett::sqltext
