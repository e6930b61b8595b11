#include "sqltext/Generators.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

std::string variableName(std::string_view field) { return "@p" + variableSafe(field); }

// The type a parameter is declared with: the type text, else the declared
// type name in brackets.
std::string parameterType(const std::string& field, const std::string& typeText,
                          const std::string& declaredType)
{
    if (!typeText.empty())
        return typeText;
    if (!declaredType.empty())
        return bracketQuote(declaredType);
    throw Error("The field '" + field + "' has no data type");
}

void checkInputs(std::string_view table, const std::vector<Field>& fields,
                 std::string_view procedureName)
{
    if (table.empty())
        throw Error("No table name given for the procedure");
    if (procedureName.empty())
        throw Error("No procedure name given");
    if (fields.empty())
        throw Error("No field is selected");
    for (const Field& field : fields)
        if (field.name.empty())
            throw Error("A selected field has no name");
}

// Appends the items as lines, each but the last followed by the separator.
void appendJoined(std::vector<std::string>& lines, std::vector<std::string> items,
                  std::string_view separator)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i + 1 < items.size())
            items[i] += separator;
        lines.push_back(std::move(items[i]));
    }
}

// CREATE PROCEDURE line, parameter lines, then the blank lines around "AS BEGIN".
std::vector<std::string> procedureFrame(std::string_view procedureName,
                                        std::vector<std::string> parameters)
{
    std::vector<std::string> lines;
    lines.push_back("CREATE PROCEDURE " + std::string(procedureName));
    appendJoined(lines, std::move(parameters), ",");
    lines.insert(lines.end(), {"", "AS BEGIN", ""});
    return lines;
}

// One "@pName type" parameter per field.
std::vector<std::string> fieldParameters(const std::vector<Field>& fields)
{
    std::vector<std::string> parameters;
    for (const Field& field : fields)
        parameters.push_back(variableName(field.name) + " "
                             + parameterType(field.name, field.typeText, field.declaredType));
    return parameters;
}

// "[Name] = @pName" per field.
std::vector<std::string> assignments(const std::vector<Field>& fields)
{
    std::vector<std::string> items;
    for (const Field& field : fields)
        items.push_back(bracketQuote(field.name) + " = " + variableName(field.name));
    return items;
}

} // namespace

std::string_view operatorItem(int op)
{
    if (op < 0 || op >= static_cast<int>(kOperatorItems.size()))
        throw Error("Unknown condition operator " + std::to_string(op));
    return kOperatorItems[static_cast<std::size_t>(op)];
}

std::string conditionParameter(std::string_view field, int op)
{
    operatorItem(op);
    std::string parameter = variableName(field);
    if (op == kLikeOperator)
        parameter += "+'%'";
    return parameter;
}

std::string proposedProcedureName(ProcedureKind kind, std::string_view table)
{
    switch (kind) {
    case ProcedureKind::Insert:
        return "SP_INSERT_" + std::string(table);
    case ProcedureKind::Update:
        return "SP_UPDATE_" + std::string(table);
    case ProcedureKind::Delete:
        return "SP_DELETE_" + std::string(table);
    }
    return {};
}

std::vector<std::string> insertProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName)
{
    checkInputs(table, fields, procedureName);
    std::vector<std::string> lines = procedureFrame(procedureName, fieldParameters(fields));

    lines.push_back("INSERT INTO " + quoteIfNeeded(table) + "(");
    std::vector<std::string> columns;
    for (const Field& field : fields)
        columns.push_back(bracketQuote(field.name));
    appendJoined(lines, std::move(columns), ",");
    lines.insert(lines.end(), {")", "", "VALUES ("});
    std::vector<std::string> values;
    for (const Field& field : fields)
        values.push_back(variableName(field.name));
    appendJoined(lines, std::move(values), ",");
    lines.insert(lines.end(), {")", "END"});
    return lines;
}

std::vector<std::string> updateProcedure(std::string_view table, const std::vector<Field>& fields,
                                         const std::vector<ConditionRow>& conditions,
                                         std::string_view procedureName)
{
    checkInputs(table, fields, procedureName);

    // Condition fields first, each variable declared once (variable names are
    // compared without regard to case, as the server does), under the
    // upper-cased name and the type the field had when its row was added.
    std::vector<std::string> declared;
    std::vector<std::string> parameters;
    for (const ConditionRow& row : conditions) {
        if (row.field.empty())
            throw Error("A condition has no field name");
        operatorItem(row.op);
        std::string key = toUpperAscii(variableSafe(row.field));
        if (std::find(declared.begin(), declared.end(), key) != declared.end())
            continue;
        declared.push_back(key);
        parameters.push_back("@p" + key + " "
                             + parameterType(row.field, row.typeText, row.declaredType));
    }
    // Then every selected field whose variable is not declared yet.
    for (const Field& field : fields) {
        std::string key = toUpperAscii(variableSafe(field.name));
        if (std::find(declared.begin(), declared.end(), key) != declared.end())
            continue;
        parameters.push_back(variableName(field.name) + " "
                             + parameterType(field.name, field.typeText, field.declaredType));
    }
    std::vector<std::string> lines = procedureFrame(procedureName, std::move(parameters));

    lines.push_back("UPDATE " + quoteIfNeeded(table) + " SET");
    appendJoined(lines, assignments(fields), ",");
    lines.push_back("WHERE ");
    std::vector<std::string> where;
    for (const ConditionRow& row : conditions)
        where.push_back(quoteIfNeeded(row.field) + std::string(operatorItem(row.op))
                        + conditionParameter(row.field, row.op));
    appendJoined(lines, std::move(where), " AND");
    lines.insert(lines.end(), {"", "END"});
    return lines;
}

std::vector<std::string> deleteProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName)
{
    checkInputs(table, fields, procedureName);
    std::vector<std::string> lines = procedureFrame(procedureName, fieldParameters(fields));

    lines.push_back("DELETE FROM " + quoteIfNeeded(table));
    lines.push_back("WHERE ");
    appendJoined(lines, assignments(fields), " AND");
    lines.insert(lines.end(), {"", "END"});
    return lines;
}

} // namespace varnett::sqltext
