#include "sqltext/Generators.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"
#include "sqltext/TypeText.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

constexpr std::size_t kMaxNameLength = 128;

// Characters of a UTF-8 text.
std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The parameters of one procedure: one variable per column, each valid and
// different from the others by the server's (case-blind) comparison.
class Parameters {
public:
    // The variable of the column, made when the column is first named.
    const std::string& of(const std::string& column)
    {
        for (const auto& [name, variable] : m_variables)
            if (name == column)
                return variable;
        const std::string base = "@p" + variableSafe(column);
        std::string variable = base;
        for (int suffix = 2; taken(variable); ++suffix)
            variable = base + std::to_string(suffix);
        if (characterCount(variable) > kMaxNameLength)
            throw Error("The parameter name of the field '" + column + "' would be longer than "
                        + std::to_string(kMaxNameLength) + " characters");
        m_variables.emplace_back(column, std::move(variable));
        return m_variables.back().second;
    }

private:
    bool taken(const std::string& variable) const
    {
        return std::any_of(m_variables.begin(), m_variables.end(),
                           [&](const auto& entry) { return equalsNoCase(entry.second, variable); });
    }

    std::vector<std::pair<std::string, std::string>> m_variables;
};

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

// The fields the statement writes: those the server does not fill. Throws
// when that leaves none.
std::vector<Field> writtenFields(const std::vector<Field>& fields)
{
    std::vector<Field> written;
    std::copy_if(fields.begin(), fields.end(), std::back_inserter(written),
                 [](const Field& field) { return !field.serverFilled; });
    if (written.empty())
        throw Error("Every selected field is filled by the server; select a field it does not "
                    "fill");
    return written;
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
    // The server takes names of at most 128 characters; a longer proposal
    // (a table name near the limit with "SP_INSERT_" before it) is refused
    // here rather than written into a procedure the server rejects.
    const ObjectName object = objectNameOrWhole(procedureName);
    if (characterCount(object.name) > kMaxNameLength)
        throw Error("The procedure name '" + object.name + "' is longer than "
                    + std::to_string(kMaxNameLength) + " characters");
    std::vector<std::string> lines;
    lines.push_back("CREATE PROCEDURE " + procedureNameText(procedureName));
    appendJoined(lines, std::move(parameters), ",");
    lines.insert(lines.end(), {"", "AS BEGIN", ""});
    return lines;
}

// One "@pName type" parameter per field.
std::vector<std::string> fieldParameters(const std::vector<Field>& fields, Parameters& names)
{
    std::vector<std::string> parameters;
    for (const Field& field : fields)
        parameters.push_back(names.of(field.name) + " "
                             + parameterType(field.name, field.typeText, field.declaredType));
    return parameters;
}

// "[Name] = @pName" per field.
std::vector<std::string> assignments(const std::vector<Field>& fields, Parameters& names)
{
    std::vector<std::string> items;
    for (const Field& field : fields)
        items.push_back(bracketQuote(field.name) + " = " + names.of(field.name));
    return items;
}

// The column a condition row names: a selected field or an earlier condition
// of exactly that name, else one whose name differs only in letter case,
// else the row's own name.
std::string conditionColumn(const std::string& field, const std::vector<Field>& fields,
                            const std::vector<std::string>& earlier)
{
    for (const Field& f : fields)
        if (f.name == field)
            return field;
    if (std::find(earlier.begin(), earlier.end(), field) != earlier.end())
        return field;
    for (const Field& f : fields)
        if (equalsNoCase(f.name, field))
            return f.name;
    for (const std::string& name : earlier)
        if (equalsNoCase(name, field))
            return name;
    return field;
}

} // namespace

Field fieldOf(const ColumnDesc& column)
{
    return {column.name, typeText(column).value_or(std::string()), column.typeName, column.type,
            column.identity || isServerFilled(column)};
}

std::string_view operatorItem(int op)
{
    if (op < 0 || op >= static_cast<int>(kOperatorItems.size()))
        throw Error("Unknown condition operator " + std::to_string(op));
    return kOperatorItems[static_cast<std::size_t>(op)];
}

bool isComparable(SqlType type)
{
    return type != SqlType::Text && type != SqlType::NText && type != SqlType::Image
        && type != SqlType::Xml;
}

int operatorCount(SqlType type)
{
    // A type the program does not know (an alias type such as sysname) may
    // well hold characters; the server judges it.
    const bool characters = type == SqlType::Char || type == SqlType::VarChar
        || type == SqlType::NChar || type == SqlType::NVarChar || type == SqlType::Unknown;
    return characters ? kLikeOperator + 1 : kLikeOperator;
}

void checkCondition(std::string_view field, SqlType type, int op)
{
    operatorItem(op);
    if (!isComparable(type))
        throw Error("The field '" + std::string(field)
                    + "' cannot be compared: the server does not compare text, ntext, image or "
                      "xml values");
    if (op >= operatorCount(type))
        throw Error("The field '" + std::string(field)
                    + "' holds no characters; LIKE is only for character fields");
}

std::string conditionParameter(std::string_view field, int op)
{
    operatorItem(op);
    std::string parameter = "@p" + variableSafe(field);
    if (op == kLikeOperator)
        parameter += "+'%'";
    return parameter;
}

std::string proposedProcedureName(ProcedureKind kind, std::string_view table)
{
    // The procedure goes into the table's schema.
    ObjectName object = objectNameOrWhole(table);
    switch (kind) {
    case ProcedureKind::Insert:
        object.name = "SP_INSERT_" + object.name;
        break;
    case ProcedureKind::Update:
        object.name = "SP_UPDATE_" + object.name;
        break;
    case ProcedureKind::Delete:
        object.name = "SP_DELETE_" + object.name;
        break;
    }
    return displayName(object);
}

std::string procedureNameText(std::string_view procedureName)
{
    if (!procedureName.empty() && procedureName.front() == '[') {
        try {
            std::string requoted;
            for (const std::string& part : splitMultipartName(procedureName))
                requoted += (requoted.empty() ? "" : ".") + bracketQuote(part);
            if (requoted == procedureName)
                return requoted;
        } catch (const Error&) {
            // not a bracketed name after all
        }
    }
    try {
        const ObjectName object = parseObjectName(procedureName);
        if (procedureName.find('.') != std::string_view::npos && object.name != procedureName
            && !object.schema.empty())
            return quoteIfNeeded(object.schema) + "." + quoteIfNeeded(object.name);
        return quoteIfNeeded(object.name);
    } catch (const Error&) {
        return quoteIfNeeded(procedureName);
    }
}

std::vector<std::string> leftOutFields(ProcedureKind kind, const std::vector<Field>& fields)
{
    std::vector<std::string> names;
    if (kind == ProcedureKind::Delete)
        return names;
    for (const Field& field : fields)
        if (field.serverFilled)
            names.push_back(field.name);
    return names;
}

std::string leftOutNote(ProcedureKind kind, const std::vector<Field>& fields)
{
    const std::vector<std::string> names = leftOutFields(kind, fields);
    if (names.empty())
        return {};
    std::string note = names.size() == 1 ? "Left out, the server fills it: "
                                         : "Left out, the server fills them: ";
    for (std::size_t i = 0; i < names.size(); ++i)
        note += (i > 0 ? ", " : "") + names[i];
    return note;
}

std::vector<std::string> insertProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName)
{
    checkInputs(table, fields, procedureName);
    const std::vector<Field> written = writtenFields(fields);
    Parameters names;
    std::vector<std::string> lines = procedureFrame(procedureName, fieldParameters(written, names));

    lines.push_back("INSERT INTO " + sqlName(parseObjectName(table)) + "(");
    std::vector<std::string> columns;
    for (const Field& field : written)
        columns.push_back(bracketQuote(field.name));
    appendJoined(lines, std::move(columns), ",");
    lines.insert(lines.end(), {")", "", "VALUES ("});
    std::vector<std::string> values;
    for (const Field& field : written)
        values.push_back(names.of(field.name));
    appendJoined(lines, std::move(values), ",");
    lines.insert(lines.end(), {")", "END"});
    return lines;
}

std::vector<std::string> updateProcedure(std::string_view table, const std::vector<Field>& fields,
                                         const std::vector<ConditionRow>& conditions,
                                         std::string_view procedureName)
{
    checkInputs(table, fields, procedureName);
    const std::vector<Field> written = writtenFields(fields);

    // Condition fields first, each column declared once, under the name its
    // WHERE lines use and the type the field had when its row was added.
    Parameters names;
    std::vector<std::string> declared;       // columns, in declaration order
    std::vector<std::string> columnOfRow;
    std::vector<std::string> parameters;
    for (const ConditionRow& row : conditions) {
        if (row.field.empty())
            throw Error("A condition has no field name");
        checkCondition(row.field, row.type, row.op);
        std::string column = conditionColumn(row.field, written, declared);
        columnOfRow.push_back(column);
        if (std::find(declared.begin(), declared.end(), column) != declared.end())
            continue;
        declared.push_back(column);
        parameters.push_back(names.of(column) + " "
                             + parameterType(row.field, row.typeText, row.declaredType));
    }
    // Then every field set whose column is not declared yet.
    for (const Field& field : written) {
        if (std::find(declared.begin(), declared.end(), field.name) != declared.end())
            continue;
        parameters.push_back(names.of(field.name) + " "
                             + parameterType(field.name, field.typeText, field.declaredType));
    }
    std::vector<std::string> lines = procedureFrame(procedureName, std::move(parameters));

    lines.push_back("UPDATE " + sqlName(parseObjectName(table)) + " SET");
    appendJoined(lines, assignments(written, names), ",");
    lines.push_back("WHERE ");
    std::vector<std::string> where;
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        const ConditionRow& row = conditions[i];
        std::string value = names.of(columnOfRow[i]);
        if (row.op == kLikeOperator)
            value += "+'%'";
        where.push_back(quoteIfNeeded(row.field) + std::string(operatorItem(row.op)) + value);
    }
    appendJoined(lines, std::move(where), " AND");
    lines.insert(lines.end(), {"", "END"});
    return lines;
}

std::vector<std::string> deleteProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName)
{
    checkInputs(table, fields, procedureName);
    for (const Field& field : fields)
        checkCondition(field.name, field.type, 0);
    Parameters names;
    std::vector<std::string> lines = procedureFrame(procedureName, fieldParameters(fields, names));

    lines.push_back("DELETE FROM " + sqlName(parseObjectName(table)));
    lines.push_back("WHERE ");
    appendJoined(lines, assignments(fields, names), " AND");
    lines.insert(lines.end(), {"", "END"});
    return lines;
}

} // namespace varnett::sqltext
