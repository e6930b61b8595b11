#include "sqltext/Generators.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"
#include "sqltext/TypeText.h"
#include "sqltext/Utf8.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

constexpr std::size_t kMaxNameLength = 128;

// Characters of a UTF-8 text.
std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return !isUtf8Continuation(c);
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
                                        std::vector<std::string> parameters,
                                        const GeneratorOptions& options = {})
{
    // The server takes names of at most 128 characters; a longer proposal
    // (a table name near the limit with "SP_INSERT_" before it) is refused
    // here rather than written into a procedure the server rejects.
    const ObjectName object = objectNameOrWhole(procedureName);
    if (characterCount(object.name) > kMaxNameLength)
        throw Error("The procedure name '" + object.name + "' is longer than "
                    + std::to_string(kMaxNameLength) + " characters");
    std::vector<std::string> lines;
    lines.push_back((options.createOrAlter ? "CREATE OR ALTER PROCEDURE " : "CREATE PROCEDURE ")
                    + procedureNameText(procedureName));
    appendJoined(lines, std::move(parameters), ",");
    lines.insert(lines.end(), {"", "AS BEGIN", ""});
    return lines;
}

// The statement lines as the options want them in the body: after
// SET NOCOUNT ON, and with what follows the statement (the checks) inside
// TRY/CATCH with a transaction.
void appendBody(std::vector<std::string>& lines, const GeneratorOptions& options,
                std::vector<std::string> statement, std::vector<std::string> after = {})
{
    if (options.setNoCount)
        lines.push_back("SET NOCOUNT ON;");
    if (options.tryCatch)
        lines.insert(lines.end(), {"BEGIN TRY", "BEGIN TRANSACTION"});
    lines.insert(lines.end(), std::make_move_iterator(statement.begin()),
                 std::make_move_iterator(statement.end()));
    lines.insert(lines.end(), std::make_move_iterator(after.begin()),
                 std::make_move_iterator(after.end()));
    if (options.tryCatch)
        lines.insert(lines.end(), {"COMMIT TRANSACTION", "END TRY", "BEGIN CATCH",
                                   "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;", "THROW;",
                                   "END CATCH"});
}

// The error a procedure with the concurrency check raises when no row was
// changed.
std::vector<std::string> rowversionCheckLines()
{
    return {"IF @@ROWCOUNT = 0",
            "THROW 50001, 'The row was changed or deleted by another user.', 1;"};
}

// The key's fields; throws when the table has none.
const std::vector<Field>& requireKey(std::string_view table, const TableFacts& facts)
{
    if (facts.key.empty())
        throw Error("The table '" + std::string(table)
                    + "' has no primary key or unique index to take the conditions from");
    return facts.key;
}

// The rowversion column the concurrency check compares, if the option is on
// and the table has one.
const Field* checkedRowversion(const GeneratorOptions& options, const TableFacts& facts)
{
    return options.rowversionCheck && facts.rowversion ? &*facts.rowversion : nullptr;
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

// The WHERE conditions of a procedure with the parameters they declare:
// each column declared once, first in the parameter list.
struct Conditions {
    std::vector<std::string> parameters;
    std::vector<std::string> lines;     // without " AND"
    std::vector<std::string> declared;  // columns, in declaration order
    std::vector<std::string> equal;     // columns compared with "="

    bool declares(const std::string& column) const
    {
        return std::find(declared.begin(), declared.end(), column) != declared.end();
    }
    bool compares(const std::string& column) const
    {
        return std::find(equal.begin(), equal.end(), column) != equal.end();
    }

    // "[Name] = @pName" per field, each declared with its own type.
    void addFields(const std::vector<Field>& fields, Parameters& names)
    {
        for (const Field& field : fields) {
            if (!declares(field.name)) {
                declared.push_back(field.name);
                parameters.push_back(names.of(field.name) + " "
                                     + parameterType(field.name, field.typeText,
                                                     field.declaredType));
            }
            equal.push_back(field.name);
            lines.push_back(bracketQuote(field.name) + " = " + names.of(field.name));
        }
    }

    // The rows of the condition list, each declared under the name its
    // WHERE line uses and the type the field had when its row was added.
    void addRows(const std::vector<ConditionRow>& rows, const std::vector<Field>& fields,
                 Parameters& names)
    {
        for (const ConditionRow& row : rows) {
            if (row.field.empty())
                throw Error("A condition has no field name");
            checkCondition(row.field, row.type, row.op);
            const std::string column = conditionColumn(row.field, fields, declared);
            if (!declares(column)) {
                declared.push_back(column);
                parameters.push_back(names.of(column) + " "
                                     + parameterType(row.field, row.typeText, row.declaredType));
            }
            if (row.op == 0)
                equal.push_back(column);
            std::string value = names.of(column);
            if (row.op == kLikeOperator)
                value += "+'%'";
            lines.push_back(quoteIfNeeded(row.field) + std::string(operatorItem(row.op)) + value);
        }
    }
};

} // namespace

Field fieldOf(const ColumnDesc& column)
{
    return {column.name, typeText(column).value_or(std::string()), column.typeName, column.type,
            column.identity || isServerFilled(column)};
}

TableFacts tableFacts(const std::vector<ColumnDesc>& columns, const TableKeys& keys)
{
    auto named = [&](const std::string& name) -> const ColumnDesc* {
        for (const ColumnDesc& column : columns)
            if (column.name == name)
                return &column;
        for (const ColumnDesc& column : columns)
            if (equalsNoCase(column.name, name))
                return &column;
        return nullptr;
    };
    auto firstOf = [&](const std::vector<std::string>& names, auto shows) -> std::optional<Field> {
        for (const std::string& name : names)
            if (const ColumnDesc* column = named(name))
                return fieldOf(*column);
        for (const ColumnDesc& column : columns)
            if (shows(column))
                return fieldOf(column);
        return std::nullopt;
    };

    TableFacts facts;
    for (const std::string& name : keys.key)
        if (const ColumnDesc* column = named(name))
            facts.key.push_back(fieldOf(*column));
    facts.primaryKey = keys.primaryKey && !facts.key.empty();
    facts.identity = firstOf(keys.identity, [](const ColumnDesc& c) { return c.identity; });
    facts.rowversion = firstOf(keys.rowversion,
                               [](const ColumnDesc& c) { return c.type == SqlType::Timestamp; });
    return facts;
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
    case ProcedureKind::Select:
        object.name = "SP_SELECT_" + object.name;
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
    if (kind == ProcedureKind::Delete || kind == ProcedureKind::Select)
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
                                         std::string_view procedureName,
                                         const GeneratorOptions& options, const TableFacts& facts)
{
    checkInputs(table, fields, procedureName);
    const std::vector<Field> written = writtenFields(fields);
    Parameters names;
    std::vector<std::string> parameters = fieldParameters(written, names);
    std::vector<std::string> after;
    if (options.identityOutput && facts.identity) {
        const Field& identity = *facts.identity;
        const std::string& variable = names.of(identity.name);
        parameters.push_back(variable + " "
                             + parameterType(identity.name, identity.typeText,
                                             identity.declaredType)
                             + " OUTPUT");
        after.push_back("SET " + variable + " = SCOPE_IDENTITY();");
    }
    std::vector<std::string> lines = procedureFrame(procedureName, std::move(parameters), options);

    std::vector<std::string> statement;
    statement.push_back("INSERT INTO " + sqlName(parseObjectName(table)) + "(");
    std::vector<std::string> columns;
    for (const Field& field : written)
        columns.push_back(bracketQuote(field.name));
    appendJoined(statement, std::move(columns), ",");
    statement.insert(statement.end(), {")", "", "VALUES ("});
    std::vector<std::string> values;
    for (const Field& field : written)
        values.push_back(names.of(field.name));
    appendJoined(statement, std::move(values), ",");
    statement.push_back(")");
    appendBody(lines, options, std::move(statement), std::move(after));
    lines.push_back("END");
    return lines;
}

std::vector<std::string> updateProcedure(std::string_view table, const std::vector<Field>& fields,
                                         const std::vector<ConditionRow>& conditions,
                                         std::string_view procedureName,
                                         const GeneratorOptions& options, const TableFacts& facts)
{
    checkInputs(table, fields, procedureName);
    std::vector<Field> written = writtenFields(fields);

    Parameters names;
    Conditions where;
    if (options.keyConditions && conditions.empty()) {
        // The row is found by its key, so the key columns are not set.
        where.addFields(requireKey(table, facts), names);
        std::erase_if(written, [&](const Field& field) { return where.declares(field.name); });
        if (written.empty())
            throw Error("Every selected field is part of the key of the table '"
                        + std::string(table) + "'; select a field to set");
    } else {
        where.addRows(conditions, written, names);
    }
    std::vector<std::string> parameters = where.parameters;
    // Then every field set whose column is not declared yet.
    for (const Field& field : written) {
        if (where.declares(field.name))
            continue;
        parameters.push_back(names.of(field.name) + " "
                             + parameterType(field.name, field.typeText, field.declaredType));
    }
    std::vector<std::string> after;
    if (const Field* rowversion = checkedRowversion(options, facts)) {
        if (!where.compares(rowversion->name)) {
            where.addFields({*rowversion}, names);
            parameters.push_back(where.parameters.back());
        }
        after = rowversionCheckLines();
    }
    std::vector<std::string> lines =
        procedureFrame(procedureName, std::move(parameters), options);

    std::vector<std::string> statement;
    statement.push_back("UPDATE " + sqlName(parseObjectName(table)) + " SET");
    appendJoined(statement, assignments(written, names), ",");
    statement.push_back("WHERE ");
    appendJoined(statement, std::move(where.lines), " AND");
    appendBody(lines, options, std::move(statement), std::move(after));
    lines.insert(lines.end(), {"", "END"});
    return lines;
}

std::vector<std::string> deleteProcedure(std::string_view table, const std::vector<Field>& fields,
                                         std::string_view procedureName,
                                         const GeneratorOptions& options, const TableFacts& facts)
{
    checkInputs(table, fields, procedureName);
    const std::vector<Field>& compared = options.keyConditions ? requireKey(table, facts) : fields;
    for (const Field& field : compared)
        checkCondition(field.name, field.type, 0);
    Parameters names;
    Conditions where;
    where.addFields(compared, names);
    std::vector<std::string> after;
    if (const Field* rowversion = checkedRowversion(options, facts)) {
        if (!where.compares(rowversion->name))
            where.addFields({*rowversion}, names);
        after = rowversionCheckLines();
    }
    std::vector<std::string> lines = procedureFrame(procedureName, where.parameters, options);

    std::vector<std::string> statement;
    statement.push_back("DELETE FROM " + sqlName(parseObjectName(table)));
    statement.push_back("WHERE ");
    appendJoined(statement, std::move(where.lines), " AND");
    appendBody(lines, options, std::move(statement), std::move(after));
    lines.insert(lines.end(), {"", "END"});
    return lines;
}

std::vector<std::string> selectProcedure(std::string_view table, const std::vector<Field>& fields,
                                         const std::vector<ConditionRow>& conditions,
                                         std::string_view procedureName,
                                         const GeneratorOptions& options)
{
    checkInputs(table, fields, procedureName);
    Parameters names;
    Conditions where;
    where.addRows(conditions, fields, names);
    std::vector<std::string> lines = procedureFrame(procedureName, where.parameters, options);

    std::vector<std::string> statement{"SELECT"};
    std::vector<std::string> columns;
    for (const Field& field : fields)
        columns.push_back(bracketQuote(field.name));
    appendJoined(statement, std::move(columns), ",");
    statement.push_back("FROM " + sqlName(parseObjectName(table)));
    if (!where.lines.empty()) {
        statement.push_back("WHERE ");
        appendJoined(statement, std::move(where.lines), " AND");
    }
    appendBody(lines, options, std::move(statement));
    lines.insert(lines.end(), {"", "END"});
    return lines;
}

} // namespace varnett::sqltext
