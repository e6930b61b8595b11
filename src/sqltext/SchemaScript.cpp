#include "sqltext/SchemaScript.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Batches.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/TableOrder.h"
#include "sqltext/TsqlTokens.h"

#include <unordered_set>

namespace varnett::sqltext {

namespace {

constexpr std::string_view kBreak = "\r\n";
constexpr std::string_view kGo = "GO\r\n";

std::string nameKey(const ObjectName& name)
{
    return toUpperAscii(name.schema) + "." + toUpperAscii(name.name);
}

std::string objectLiteral(const ObjectName& name)
{
    return stringLiteral(bracketedName(name), true);
}

const char* actionText(ReferentialAction action)
{
    switch (action) {
    case ReferentialAction::Cascade: return "CASCADE";
    case ReferentialAction::SetNull: return "SET NULL";
    case ReferentialAction::SetDefault: return "SET DEFAULT";
    case ReferentialAction::NoAction: break;
    }
    return "NO ACTION";
}

std::string keyColumns(const std::vector<KeyColumn>& columns)
{
    std::string out = "(";
    for (std::size_t i = 0; i < columns.size(); ++i)
        out += (i ? ", " : "") + bracketQuote(columns[i].name)
            + (columns[i].descending ? " DESC" : " ASC");
    return out + ")";
}

std::string nameList(const std::vector<std::string>& names)
{
    std::string out = "(";
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i ? ", " : "") + bracketQuote(names[i]);
    return out + ")";
}

std::string constraintName(const std::string& name)
{
    return name.empty() ? std::string() : "CONSTRAINT " + bracketQuote(name) + " ";
}

std::string columnLine(const SchemaColumn& column)
{
    std::string out = bracketQuote(column.name);
    if (!column.computedText.empty()) {
        out += " AS " + column.computedText;
        if (column.persisted)
            out += " PERSISTED";
        if (column.persisted && !column.nullable)
            out += " NOT NULL";
        return out;
    }
    out += " " + column.type;
    if (!column.collation.empty())
        out += " COLLATE " + column.collation;
    if (column.identity)
        out += " IDENTITY(" + column.identity->seed + "," + column.identity->increment + ")";
    out += column.nullable ? " NULL" : " NOT NULL";
    if (!column.defaultText.empty())
        out += " " + constraintName(column.defaultName) + "DEFAULT " + column.defaultText;
    return out;
}

// A view's text may not hold a line of only GO: it would end the batch there.
void refuseGoLines(const SchemaView& view)
{
    std::size_t start = 0;
    for (std::size_t line = 1; start <= view.text.size(); ++line) {
        std::size_t end = view.text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = view.text.size();
        if (isGoLine(std::string_view(view.text).substr(start, end - start)))
            throw Error("The view '" + displayName(view.name) + "' cannot be written to a script: "
                        "its line " + std::to_string(line) + " holds only GO, which would end "
                        "the script's batch there");
        if (end + 1 < view.text.size() && view.text[end] == '\r' && view.text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

std::string guard(std::string_view test, const SchemaScriptOptions& options)
{
    return options.guarded ? std::string(test) + std::string(kBreak) : std::string();
}

std::string tableBatches(const SchemaTable& table, const SchemaScriptOptions& options)
{
    if (table.columns.empty())
        throw Error("The table '" + displayName(table.name) + "' has no columns to script.");
    const std::string literal = objectLiteral(table.name);
    std::string out = guard("IF OBJECT_ID(" + literal + ", N'U') IS NULL", options);
    out += createTableStatement(table);
    out += kGo;
    if (options.leaveOutIndexes)
        return out;
    for (const SchemaIndex& index : table.indexes) {
        out += guard("IF INDEXPROPERTY(OBJECT_ID(" + literal + "), "
                         + stringLiteral(index.name, true) + ", N'IndexID') IS NULL",
                     options);
        out += createIndexStatement(table.name, index);
        out += kBreak;
        out += kGo;
    }
    return out;
}

std::string viewBatches(const SchemaView& view, const SchemaScriptOptions& options)
{
    refuseGoLines(view);
    std::string out = settingsLine(view.settings) + std::string(kBreak) + std::string(kGo);
    if (options.guarded)
        out += "IF OBJECT_ID(" + objectLiteral(view.name) + ", N'V') IS NULL EXEC("
            + stringLiteral(view.text, true) + ")";
    else
        out += view.text;
    out += kBreak;
    out += kGo;
    out += settingsLine(ProcedureSettings{}) + std::string(kBreak) + std::string(kGo);
    return out;
}

// The foreign keys of the tables, then the views and tables, each dropped
// when it exists, later ones first.
std::string dropBatches(const std::vector<const SchemaTable*>& tables,
                        const std::vector<const SchemaView*>& views)
{
    std::string out;
    for (const SchemaTable* table : tables)
        for (const SchemaForeignKey& key : table->foreignKeys)
            out += "IF OBJECT_ID(" + objectLiteral({table->name.schema, key.name})
                + ", N'F') IS NOT NULL ALTER TABLE " + bracketedName(table->name)
                + " DROP CONSTRAINT " + bracketQuote(key.name) + std::string(kBreak)
                + std::string(kGo);
    for (auto view = views.rbegin(); view != views.rend(); ++view)
        out += "IF OBJECT_ID(" + objectLiteral((*view)->name) + ", N'V') IS NOT NULL DROP VIEW "
            + bracketedName((*view)->name) + std::string(kBreak) + std::string(kGo);
    for (auto table = tables.rbegin(); table != tables.rend(); ++table)
        out += "IF OBJECT_ID(" + objectLiteral((*table)->name) + ", N'U') IS NOT NULL DROP TABLE "
            + bracketedName((*table)->name) + std::string(kBreak) + std::string(kGo);
    return out;
}

// The names a view's text refers to, each as "SCHEMA.NAME" in capitals; a
// name without schema is taken as dbo.
std::vector<std::string> namesInText(std::string_view text)
{
    TsqlTokens tokens(text);
    std::vector<const Token*> significant;
    for (const Token& token : tokens.tokens())
        if (token.significant())
            significant.push_back(&token);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < significant.size(); ++i) {
        if (!TsqlTokens::isNamePart(*significant[i])
            || (i > 0 && tokens.isSymbol(*significant[i - 1], '.')))
            continue;
        std::vector<std::string> parts = {tokens.nameValue(*significant[i])};
        std::size_t j = i + 1;
        while (j + 1 < significant.size() && tokens.isSymbol(*significant[j], '.')
               && TsqlTokens::isNamePart(*significant[j + 1])) {
            parts.push_back(tokens.nameValue(*significant[j + 1]));
            j += 2;
        }
        const std::string schema = parts.size() >= 2 ? parts[parts.size() - 2] : "dbo";
        names.push_back(nameKey({schema, parts.back()}));
    }
    return names;
}

} // namespace

std::string createTableStatement(const SchemaTable& table)
{
    std::vector<std::string> lines;
    for (const SchemaColumn& column : table.columns)
        lines.push_back(columnLine(column));
    for (const SchemaKey& key : table.keys)
        lines.push_back(constraintName(key.name) + (key.primary ? "PRIMARY KEY" : "UNIQUE")
                        + (key.clustered ? " CLUSTERED " : " NONCLUSTERED ")
                        + keyColumns(key.columns));
    for (const SchemaCheck& check : table.checks)
        lines.push_back(constraintName(check.name) + "CHECK " + check.text);
    std::string out = "CREATE TABLE " + bracketedName(table.name) + " (" + std::string(kBreak);
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += "    " + lines[i] + (i + 1 < lines.size() ? "," : "") + std::string(kBreak);
    return out + ")" + std::string(kBreak);
}

std::string createIndexStatement(const ObjectName& table, const SchemaIndex& index)
{
    std::string out = std::string("CREATE ") + (index.unique ? "UNIQUE " : "")
        + (index.clustered ? "CLUSTERED" : "NONCLUSTERED") + " INDEX " + bracketQuote(index.name)
        + " ON " + bracketedName(table) + " " + keyColumns(index.columns);
    if (!index.included.empty())
        out += " INCLUDE " + nameList(index.included);
    return out;
}

std::string addForeignKeyStatement(const ObjectName& table, const SchemaForeignKey& key)
{
    std::string out = "ALTER TABLE " + bracketedName(table) + " ADD " + constraintName(key.name)
        + "FOREIGN KEY " + nameList(key.columns) + " REFERENCES " + bracketedName(key.referenced)
        + " " + nameList(key.referencedColumns);
    if (key.onDelete != ReferentialAction::NoAction)
        out += std::string(" ON DELETE ") + actionText(key.onDelete);
    if (key.onUpdate != ReferentialAction::NoAction)
        out += std::string(" ON UPDATE ") + actionText(key.onUpdate);
    return out;
}

std::vector<std::size_t> viewOrder(const std::vector<SchemaView>& views)
{
    std::vector<std::string> keys;
    std::vector<std::vector<std::string>> referenced;
    for (const SchemaView& view : views) {
        keys.push_back(nameKey(view.name));
        referenced.push_back(namesInText(view.text));
    }
    return foreignKeyOrder(keys, referenced);
}

SchemaScriptText schemaScript(const std::vector<SchemaTable>& tables,
                              const std::vector<SchemaView>& views,
                              const SchemaScriptOptions& options)
{
    // Each object once, in its first place.
    std::unordered_set<std::string> seen;
    std::vector<const SchemaTable*> chosenTables;
    for (const SchemaTable& table : tables)
        if (seen.insert(nameKey(table.name)).second)
            chosenTables.push_back(&table);
    std::vector<SchemaView> chosenViews;
    for (const SchemaView& view : views)
        if (seen.insert(nameKey(view.name)).second)
            chosenViews.push_back(view);

    std::vector<std::string> keys;
    std::vector<std::vector<std::string>> referenced;
    for (const SchemaTable* table : chosenTables) {
        keys.push_back(nameKey(table->name));
        referenced.emplace_back();
        for (const SchemaForeignKey& key : table->foreignKeys)
            referenced.back().push_back(nameKey(key.referenced));
    }
    std::vector<const SchemaTable*> orderedTables;
    for (std::size_t i : foreignKeyOrder(keys, referenced))
        orderedTables.push_back(chosenTables[i]);
    std::vector<const SchemaView*> orderedViews;
    for (std::size_t i : viewOrder(chosenViews))
        orderedViews.push_back(&chosenViews[i]);

    SchemaScriptText script;
    std::string& out = script.beforeData;
    std::unordered_set<std::string> schemas;
    auto addSchema = [&](const ObjectName& name) {
        if (name.isDbo() || !schemas.insert(toUpperAscii(name.schema)).second)
            return;
        const std::string create = "CREATE SCHEMA " + bracketQuote(name.schema);
        if (options.guarded)
            out += "IF SCHEMA_ID(" + stringLiteral(name.schema, true) + ") IS NULL EXEC("
                + stringLiteral(create, true) + ")";
        else
            out += create;
        out += kBreak;
        out += kGo;
    };
    for (const SchemaTable* table : orderedTables)
        addSchema(table->name);
    for (const SchemaView* view : orderedViews)
        addSchema(view->name);
    if (options.dropFirst)
        out += dropBatches(orderedTables, orderedViews);
    for (const SchemaTable* table : orderedTables)
        out += tableBatches(*table, options);
    for (const SchemaView* view : orderedViews)
        out += viewBatches(*view, options);

    if (options.leaveOutForeignKeys)
        return script;
    for (const SchemaTable* table : orderedTables) {
        for (const SchemaForeignKey& key : table->foreignKeys) {
            if (options.guarded)
                script.afterData += "IF OBJECT_ID(" + objectLiteral({table->name.schema, key.name})
                    + ", N'F') IS NULL" + std::string(kBreak);
            script.afterData += addForeignKeyStatement(table->name, key);
            script.afterData += kBreak;
            script.afterData += kGo;
        }
    }
    return script;
}

} // namespace varnett::sqltext
