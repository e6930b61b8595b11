#include "data/sqlite/SqliteEngine.h"

#include "data/sqlite/BatchPlan.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Utf8.h"
#include "sqltext/Error.h"
#include "data/sqlite/HelpTextRows.h"
#include "data/sqlite/PreparedInserts.h"
#include "data/sqlite/ProcedureCatalog.h"
#include "data/sqlite/SqliteCursor.h"
#include "data/sqlite/SqliteDialect.h"
#include "data/sqlite/SqliteSchema.h"
#include "data/sqlite/SqliteStatement.h"
#include "data/sqlite/TsqlTables.h"
#include "sqltext/TsqlTokens.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcedureText.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace varnett::data {

using sqltext::Token;
using sqltext::TsqlTokens;

namespace {

namespace fs = std::filesystem;

constexpr int kBusyTimeoutMs = 5000;

std::string joinParts(const NameParts& parts)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i > 0 ? "." : "") + parts[i];
    return out;
}

// The file of a schema: the database file's name, "-schema-" and the schema
// name with every character but letters, digits, "_" and "-" written %XX.
std::string schemaFileName(const std::string& databaseFile, std::string_view schema)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = fs::path(databaseFile).filename().string() + "-schema-";
    for (char c : schema) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'
            || c == '-') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0x0F];
        }
    }
    return out;
}

class SqliteEngine final : public Engine {
public:
    SqliteEngine(sqlite3* db, std::string name, std::string file)
        : m_db(db), m_name(std::move(name)), m_file(std::move(file)), m_catalog(db), m_inserts(db)
    {
    }
    ~SqliteEngine() override
    {
        m_inserts.clear();
        m_statements.clear();
        sqlite3_close_v2(m_db);
    }

    std::string databaseName() const override { return m_name; }
    std::string databaseFile() const override { return m_file; }

    std::vector<ObjectName> listTables() override { return listTablesAndViews(m_db, m_schemas); }
    std::vector<ObjectName> listViews() override { return listViewNames(m_db, m_schemas); }

    std::vector<ProcedureRef> listProcedures() override
    {
        std::vector<ObjectName> objects;
        for (const std::string& name : m_catalog.names())
            objects.push_back({"dbo", name});
        for (const std::string& schema : m_schemas)
            for (const std::string& name : ProcedureCatalog(m_db, schema).names())
                objects.push_back({schema, name});
        std::sort(objects.begin(), objects.end(), sqltext::lessObjectName);
        std::vector<ProcedureRef> procedures;
        for (ObjectName& object : objects)
            procedures.push_back({std::move(object), 1});
        return procedures;
    }

    std::unique_ptr<RowCursor> openTable(const ObjectName& table) override
    {
        return openRows(table, {});
    }

    // A T-SQL condition in SQLite's text; empty for none.
    static std::string sqliteCondition(const std::string& condition)
    {
        if (condition.find_first_not_of(" \t\r\n") == std::string::npos)
            return {};
        TsqlTokens tokens(condition, sqltext::Backticks::Names);
        return toSqliteText(tokens, 0, tokens.tokens().size());
    }

    std::unique_ptr<RowCursor> openRows(const ObjectName& table,
                                        const std::string& condition) override
    {
        const std::string database = databaseFor(table);
        const std::string sql = sqliteCondition(condition);
        return std::make_unique<SqliteCursor>(m_db, table.name,
                                              describeColumns(m_db, table.name, database),
                                              database, sql);
    }

    std::optional<std::uint64_t> countRows(const ObjectName& table,
                                           const std::string& condition) override
    {
        const std::string database = databaseFor(table);
        const std::string sql = sqliteCondition(condition);
        return countSqliteRows(m_db, table.name, database, sql);
    }

    // The tables a table refers to, as the lists show them: SQLite's keys
    // refer to tables of the same database file, so of the same schema.
    std::vector<ObjectName> referencedTables(const ObjectName& table) override
    {
        const std::string database = databaseFor(table);
        describeColumns(m_db, table.name, database);   // an unknown table fails as when opened
        SqliteStatement keys(m_db,
                             "SELECT DISTINCT \"table\" FROM pragma_foreign_key_list(?1, ?2)");
        keys.bind(1, table.name).bind(2, database);
        std::vector<ObjectName> names;
        while (keys.step())
            names.push_back({table.schema, keys.text(0)});
        return names;
    }

    // Attaches the file of every schema the database has made.
    void attachSchemas()
    {
        SqliteStatement find(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
        find.bind(1, kSchemaTable);
        if (!find.step())
            return;
        SqliteStatement query(m_db, "SELECT name, file FROM " + sqliteQuote(kSchemaTable));
        while (query.step()) {
            const std::string schema = query.text(0);
            const std::string file = (fs::path(m_file).parent_path() / query.text(1)).string();
            std::error_code ignored;
            if (!fs::exists(file, ignored))
                throw Error("The file '" + file + "' of the schema '" + schema
                            + "' is missing.");
            attach(file, schema);
        }
        std::sort(m_schemas.begin(), m_schemas.end(), sqltext::lessNoCase);
    }

    void executeBatch(const std::string& sql) override
    {
        // Rows of a data script: bound to statements prepared once.
        if (m_inserts.run(sql))
            return;
        BatchPlan plan = planBatch(sql);
        if (plan.condition) {
            if (conditionHolds(*plan.condition))
                executeBatch(plan.guarded);
            return;
        }
        if (plan.executed) {
            executeBatch(*plan.executed);
            return;
        }
        if (plan.createsProcedure) {
            createProcedure(plan.procedureSchema, plan.procedureName, sql, plan.createOrAlter);
            return;
        }
        std::optional<std::string> firstError;
        auto note = [&](std::string message) {
            if (!firstError)
                firstError = std::move(message);
        };
        for (const BatchStep& step : plan.steps) {
            switch (step.kind) {
            case BatchStep::Kind::RunSql:
                try {
                    execSqlite(m_db, step.sql);
                } catch (const Error& error) {
                    // SQLite stops at a failing statement; so does the batch.
                    note(error.what());
                    throw Error(*firstError);
                }
                break;
            case BatchStep::Kind::DropProcedures:
                for (const NameParts& name : step.names)
                    if (!dropProcedure(name) && !step.ifExists)
                        note(cannotDrop(name));
                break;
            case BatchStep::Kind::CreateSchema:
                try {
                    createSchema(step.names.front().front());
                } catch (const Error& error) {
                    note(error.what());
                }
                break;
            case BatchStep::Kind::DropIfProcedure: {
                auto tested = localName(step.tested);
                if (tested && ProcedureCatalog(m_db, tested->first).contains(tested->second)
                    && !dropProcedure(step.names.front()))
                    note(cannotDrop(step.names.front()));
                break;
            }
            case BatchStep::Kind::SessionOptions:
                for (const auto& [option, on] : step.options) {
                    if (option == "QUOTED_IDENTIFIER")
                        m_settings.quotedIdentifier = on;
                    else if (option == "ANSI_NULLS")
                        m_settings.ansiNulls = on;
                }
                break;
            case BatchStep::Kind::CreateTable:
            case BatchStep::Kind::CreateIndex:
            case BatchStep::Kind::AlterTable:
                try {
                    runTableStatement(step);
                } catch (const Error& error) {
                    note(error.what());
                    throw Error(*firstError);
                }
                break;
            case BatchStep::Kind::Ignore:
                break;
            }
        }
        if (firstError)
            throw Error(*firstError);
        if (plan.createdView && !plan.createdView->empty()) {
            const NameParts& view = *plan.createdView;
            const auto database =
                databaseOf(view.size() >= 2 && !view[view.size() - 2].empty() ? view[view.size() - 2]
                                                                              : std::string("dbo"));
            if (database)
                recordTsqlView(m_db, *database, view.back(), sql, m_settings);
        }
    }

    sqltext::SchemaObject schemaObject(const sqltext::ObjectName& object) override
    {
        return readTsqlObject(m_db, databaseFor(object), object);
    }

    // Each schema a load is to create gets its file attached now, while no
    // transaction is open (SQLite attaches outside of one only); the schema
    // is there for the load once its CREATE SCHEMA runs.
    void prepareSchemas(const std::vector<std::string>& schemas) override
    {
        if (!sqlite3_get_autocommit(m_db))
            return;
        for (const std::string& schema : schemas) {
            const bool known = databaseOf(schema)
                || std::any_of(m_pending.begin(), m_pending.end(), [&](const auto& pending) {
                       return sqltext::equalsNoCase(pending.first, schema);
                   });
            if (known || !canHoldSchema(schema))
                continue;
            const std::string file = schemaFile(schema);
            std::error_code ignored;
            if (fs::exists(file, ignored))
                continue;
            createSqliteDatabase(file);
            try {
                attachFile(file, schema);
            } catch (const Error&) {
                fs::remove(file, ignored);
                throw;
            }
            m_pending.emplace_back(schema, file);
        }
    }

    std::vector<std::string> procedureText(const ObjectName& procedure) override
    {
        return helpTextRows(procedureSource(procedure));
    }

    std::string procedureSource(const ObjectName& procedure) override
    {
        const auto database = databaseOf(procedure.schema);
        std::optional<std::string> text;
        if (database)
            text = ProcedureCatalog(m_statements, m_db, *database).text(procedure.name);
        if (!text)
            throw Error("The object '" + sqltext::procedureObjectName(m_name, procedure)
                        + "' does not exist in database '" + m_name
                        + "' or is invalid for this operation.");
        return std::move(*text);
    }

    ProcedureSettings procedureSettings(const ObjectName& procedure) override
    {
        const auto database = databaseOf(procedure.schema);
        std::optional<ProcedureSettings> settings;
        if (database)
            settings = ProcedureCatalog(m_statements, m_db, *database).settings(procedure.name);
        if (!settings)
            throw Error("The object '" + sqltext::procedureObjectName(m_name, procedure)
                        + "' does not exist in database '" + m_name + "' or is not a procedure.");
        return *settings;
    }

    sqltext::TableKeys tableKeys(const ObjectName& table) override
    {
        return describeKeys(m_db, table.name, databaseFor(table));
    }

    RunOutcome runProcedure(const RunRequest& request) override
    {
        throw Error("The embedded engine stores procedures without running them: '"
                    + sqltext::displayName(request.procedure.object)
                    + "' can be run on a SQL Server connection only.");
    }
    std::vector<ProcedureParameter> procedureParameters(const ProcedureRef& procedure) override
    {
        throw Error("The embedded engine stores procedures without running them: the parameters of '"
                    + sqltext::displayName(procedure.object)
                    + "' are described on a SQL Server connection only.");
    }

    void beginTransaction() override { execSqlite(m_db, "BEGIN"); }
    void commit() override
    {
        execSqlite(m_db, "COMMIT");
        settleSchemas();
    }
    void rollback() override
    {
        try {
            execSqlite(m_db, "ROLLBACK");
        } catch (...) {
            settleSchemas();
            throw;
        }
        settleSchemas();
    }

private:
    static constexpr std::string_view kSchemaTable = "varnett_schemas";

    // The SQLite database of a table's schema; an unknown schema is an
    // unknown object, as the server reports it.
    std::string databaseFor(const ObjectName& object) const
    {
        const auto database = databaseOf(object.schema);
        if (!database)
            throw Error("Invalid object name '" + sqltext::displayName(object) + "'.");
        return *database;
    }

    // The SQLite database that holds a schema's objects: "main" for dbo, the
    // attached schema (as attached) for another one, none for an unknown one.
    std::optional<std::string> databaseOf(std::string_view schema) const
    {
        if (sqltext::equalsNoCase(schema, "dbo"))
            return std::string("main");
        for (const std::string& attached : m_schemas)
            if (sqltext::equalsNoCase(attached, schema))
                return attached;
        return std::nullopt;
    }

    // The procedure a name of up to three parts (database, schema, name)
    // means here, as the SQLite database of its schema and its own name: the
    // database part must be this database; no schema means dbo.
    std::optional<std::pair<std::string, std::string>> localName(const NameParts& parts) const
    {
        if (parts.empty() || parts.size() > 3 || parts.back().empty())
            return std::nullopt;
        if (parts.size() == 3 && !parts[0].empty() && !sqltext::equalsNoCase(parts[0], m_name))
            return std::nullopt;
        std::string schema = "dbo";
        if (parts.size() >= 2 && !parts[parts.size() - 2].empty())
            schema = parts[parts.size() - 2];
        auto database = databaseOf(schema);
        if (!database)
            return std::nullopt;
        return std::make_pair(*database, parts.back());
    }

    bool dropProcedure(const NameParts& parts)
    {
        auto name = localName(parts);
        return name && ProcedureCatalog(m_db, name->first).remove(name->second);
    }

    void attach(const std::string& file, const std::string& schema)
    {
        attachFile(file, schema);
        m_schemas.push_back(schema);
    }

    void attachFile(const std::string& file, const std::string& schema)
    {
        SqliteStatement attach(m_db, "ATTACH DATABASE ?1 AS ?2");
        attach.bind(1, file).bind(2, schema);
        attach.step();
    }

    std::string schemaFile(const std::string& schema) const
    {
        return (fs::path(m_file).parent_path() / schemaFileName(m_file, schema)).string();
    }

    static bool canHoldSchema(const std::string& schema)
    {
        static constexpr std::string_view kTaken[] = {"dbo", "sys", "INFORMATION_SCHEMA", "guest",
                                                      "main", "temp"};
        return !schema.empty()
            && std::none_of(std::begin(kTaken), std::end(kTaken),
                            [&](std::string_view name) { return sqltext::equalsNoCase(name, schema); });
    }

    void detachAndRemove(const std::string& schema, const std::string& file)
    {
        try {
            SqliteStatement detach(m_db, "DETACH DATABASE ?1");
            detach.bind(1, schema);
            detach.step();
        } catch (const Error&) {
            return;     // still in use: the file stays attached and on disk
        }
        std::error_code ignored;
        fs::remove(file, ignored);
    }

    // After a transaction: the files prepared for schemas the load did not
    // create, and those of schemas whose creation a rollback took back, go.
    void settleSchemas()
    {
        if (!sqlite3_get_autocommit(m_db))
            return;
        for (const auto& [schema, file] : m_pending)
            detachAndRemove(schema, file);
        m_pending.clear();
        std::vector<std::string> recorded;
        SqliteStatement find(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
        find.bind(1, kSchemaTable);
        if (find.step()) {
            SqliteStatement query(m_db, "SELECT name FROM " + sqliteQuote(kSchemaTable));
            while (query.step())
                recorded.push_back(query.text(0));
        }
        std::erase_if(m_schemas, [&](const std::string& schema) {
            const bool kept = std::any_of(recorded.begin(), recorded.end(), [&](const std::string& name) {
                return sqltext::equalsNoCase(name, schema);
            });
            if (!kept)
                detachAndRemove(schema, schemaFile(schema));
            return !kept;
        });
    }

    // The T-SQL statements that build a table.
    void runTableStatement(const BatchStep& step)
    {
        auto databaseOfTable = [&](const sqltext::ObjectName& table) {
            const auto database = databaseOf(table.schema);
            if (!database)
                throw Error("The specified schema name \"" + table.schema
                            + "\" either does not exist or you do not have permission to use it.");
            return *database;
        };
        if (step.kind == BatchStep::Kind::CreateTable) {
            auto table = sqltext::readCreateTable(step.sql);
            const std::string database = databaseOfTable(table->name);
            createTsqlTable(m_db, database, std::move(*table));
        } else if (step.kind == BatchStep::Kind::CreateIndex) {
            auto index = sqltext::readCreateIndex(step.sql);
            createTsqlIndex(m_db, databaseOfTable(index->table), *index);
        } else {
            auto alter = sqltext::readAlterTable(step.sql);
            alterTsqlTable(m_db, databaseOfTable(alter->table), *alter);
        }
    }

    // The test of a guarded batch, as the server answers it.
    bool conditionHolds(const BatchCondition& condition)
    {
        bool found = false;
        if (condition.kind == BatchCondition::Kind::Schema) {
            found = condition.name.size() == 1
                && (databaseOf(condition.name.front()) || !canHoldSchema(condition.name.front()));
        } else if (auto name = localName(condition.name)) {
            // Named, not bound: a lambda cannot capture a structured binding.
            const std::string& database = name->first;
            const std::string& object = name->second;
            auto inCatalog = [&](const char* type) {
                SqliteStatement find(m_db, "SELECT 1 FROM " + sqliteQuote(database)
                                               + ".sqlite_master WHERE type = ?1 AND name = ?2"
                                                 " COLLATE NOCASE");
                find.bind(1, type).bind(2, object);
                return !isHiddenTable(object) && find.step();
            };
            if (condition.kind == BatchCondition::Kind::Index) {
                SqliteStatement find(m_db, "SELECT 1 FROM " + sqliteQuote(database)
                                               + ".sqlite_master WHERE type = 'index' AND name = ?1"
                                                 " COLLATE NOCASE AND tbl_name = ?2 COLLATE NOCASE");
                find.bind(1, condition.index).bind(2, object);
                found = find.step();
            } else if (condition.type == "U") {
                found = inCatalog("table");
            } else if (condition.type == "V") {
                found = inCatalog("view");
            } else if (condition.type == "P") {
                found = ProcedureCatalog(m_db, database).contains(object);
            } else if (condition.type == "F" || condition.type == "C" || condition.type == "PK"
                       || condition.type == "UQ") {
                found = hasConstraint(m_db, database, object);
            } else if (condition.type.empty()) {
                found = inCatalog("table") || inCatalog("view")
                    || ProcedureCatalog(m_db, database).contains(object)
                    || hasConstraint(m_db, database, object);
            }
        }
        return condition.isNull ? !found : found;
    }

    // CREATE SCHEMA: a new file beside the database file, attached under the
    // schema's name and recorded in the main file.
    void createSchema(const std::string& schema)
    {
        static constexpr std::string_view kTaken[] = {"dbo", "sys", "INFORMATION_SCHEMA", "guest"};
        const bool taken = std::any_of(std::begin(kTaken), std::end(kTaken),
                                       [&](std::string_view name) {
                                           return sqltext::equalsNoCase(name, schema);
                                       });
        if (taken || databaseOf(schema))
            throw Error("There is already an object named '" + schema + "' in the database.");
        if (schema.empty() || sqltext::equalsNoCase(schema, "main") || sqltext::equalsNoCase(schema, "temp"))
            throw Error("The embedded engine cannot hold a schema named '" + schema + "'.");
        auto pending = std::find_if(m_pending.begin(), m_pending.end(), [&](const auto& entry) {
            return sqltext::equalsNoCase(entry.first, schema);
        });
        if (pending != m_pending.end()) {
            // Attached before the transaction began; recorded inside it.
            const std::string attached = pending->first;
            m_pending.erase(pending);
            m_schemas.push_back(attached);
            recordSchema(attached, schemaFileName(m_file, attached));
            std::sort(m_schemas.begin(), m_schemas.end(), sqltext::lessNoCase);
            return;
        }
        if (!sqlite3_get_autocommit(m_db))
            throw Error("The embedded engine cannot create the schema '" + schema
                        + "' inside a transaction.");
        const std::string fileName = schemaFileName(m_file, schema);
        const std::string file = (fs::path(m_file).parent_path() / fileName).string();
        createSqliteDatabase(file);
        try {
            attach(file, schema);
        } catch (const Error& error) {
            std::error_code ignored;
            fs::remove(file, ignored);
            throw Error("Cannot create the schema '" + schema + "': " + error.what());
        }
        try {
            recordSchema(schema, fileName);
        } catch (const Error&) {
            m_schemas.pop_back();
            SqliteStatement detach(m_db, "DETACH DATABASE ?1");
            detach.bind(1, schema);
            try {
                detach.step();
            } catch (const Error&) {
                // the record's failure is the one to report
            }
            std::error_code ignored;
            fs::remove(file, ignored);
            throw;
        }
        std::sort(m_schemas.begin(), m_schemas.end(), sqltext::lessNoCase);
    }

    void recordSchema(const std::string& schema, const std::string& fileName)
    {
        execSqlite(m_db, "CREATE TABLE IF NOT EXISTS " + sqliteQuote(kSchemaTable)
                             + " (name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,"
                               " file TEXT NOT NULL)");
        SqliteStatement record(m_db, "INSERT INTO " + sqliteQuote(kSchemaTable)
                                         + " (name, file) VALUES (?1, ?2)");
        record.bind(1, schema).bind(2, fileName);
        record.step();
    }

    static std::string cannotDrop(const NameParts& parts)
    {
        return "Cannot drop the procedure '" + joinParts(parts)
            + "', because it does not exist or you do not have permission.";
    }

    // CREATE PROCEDURE, or CREATE OR ALTER when `orAlter`: then an existing
    // procedure of the name is replaced.
    void createProcedure(const std::string& schema, const std::string& name,
                         const std::string& text, bool orAlter)
    {
        const auto database = databaseOf(schema);
        if (!database)
            throw Error("The specified schema name \"" + schema
                        + "\" either does not exist or you do not have permission to use it.");
        if (orAlter && ProcedureCatalog(m_db, *database).contains(name)) {
            replaceProcedure(*database, name, text);
            return;
        }
        SqliteStatement objects(m_db, "SELECT 1 FROM " + sqliteQuote(*database)
                                          + ".sqlite_master WHERE type IN"
                                            " ('table', 'view', 'trigger') AND name = ?1 COLLATE NOCASE");
        objects.bind(1, name);
        ProcedureCatalog catalog(m_db, *database);
        if (objects.step() || catalog.contains(name))
            throw Error("There is already an object named '" + name + "' in the database.");
        catalog.add(name, text, m_settings);
    }

    // CREATE OR ALTER of an existing procedure: the new text and the
    // session's settings take the old ones' place, all or nothing.
    void replaceProcedure(const std::string& database, const std::string& name,
                          const std::string& text)
    {
        ProcedureCatalog catalog(m_db, database);
        execSqlite(m_db, "SAVEPOINT varnett_alter");
        try {
            catalog.remove(name);
            catalog.add(name, text, m_settings);
        } catch (...) {
            execSqlite(m_db, "ROLLBACK TO varnett_alter; RELEASE varnett_alter");
            throw;
        }
        execSqlite(m_db, "RELEASE varnett_alter");
    }

    sqlite3* m_db;
    std::string m_name;
    std::string m_file;
    ProcedureCatalog m_catalog;
    PreparedInserts m_inserts;
    // The catalog queries made for every procedure a script reads.
    StatementCache m_statements{m_db};
    // The attached schemas besides dbo, ordered by name.
    std::vector<std::string> m_schemas;
    // Schemas attached for a load that is to create them, with their files.
    std::vector<std::pair<std::string, std::string>> m_pending;
    // The session's SET QUOTED_IDENTIFIER and ANSI_NULLS, which a procedure
    // created in it keeps.
    ProcedureSettings m_settings;
};

// NCHAR(n): the character of code point n, as SQLite's char(n) gives it.
void ncharFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const sqlite3_int64 code = sqlite3_value_int64(arguments[0]);
    if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        sqlite3_result_null(context);
        return;
    }
    std::string text;
    sqltext::appendUtf8(text, static_cast<char32_t>(code));
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Opens an existing file; throws naming the path when it cannot.
sqlite3* openFile(const std::string& path, int flags)
{
    sqlite3* db = nullptr;
    // One thread uses a connection at a time: no mutex around every call.
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw Error("Cannot open the database file '" + path + "': " + message + ".");
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_create_function(db, "nchar", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            ncharFunction, nullptr, nullptr);
    return db;
}

} // namespace

std::unique_ptr<Engine> openSqliteEngine(const std::string& path)
{
    if (path.empty())
        throw Error("No database file is given.");
    // The file name goes to SQLite as a C string: a NUL would cut it short
    // and name another file.
    if (path.find('\0') != std::string::npos)
        throw Error("The Data Source holds a NUL character; a file name cannot hold one.");
    std::error_code error;
    auto status = fs::status(path, error); // through symbolic links
    if (!fs::exists(status))
        throw Error("The database file '" + path + "' does not exist.");
    if (fs::is_directory(status))
        throw Error("'" + path + "' is a folder, not a database file.");
    // A device such as /dev/null reads as an empty database and takes
    // writes into nowhere.
    if (!fs::is_regular_file(status))
        throw Error("'" + path + "' is a device or other special file, not a database file.");

    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE);
    try {
        // SQLite reads the file lazily; make sure it is a database now.
        execSqlite(db, "SELECT count(*) FROM sqlite_master");
    } catch (const Error& e) {
        sqlite3_close_v2(db);
        throw Error("Cannot open the database file '" + path + "': " + e.what() + ".");
    }
    auto engine = std::make_unique<SqliteEngine>(db, fs::path(path).stem().string(), path);
    engine->attachSchemas();
    return engine;
}

void createSqliteDatabase(const std::string& path)
{
    if (path.empty())
        throw Error("No database file is given.");
    // "x" creates the file only when it does not exist yet.
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) {
        std::error_code ignored;
        if (errno == EEXIST || fs::exists(path, ignored))
            throw Error("The database file '" + path + "' already exists.");
        throw Error("Cannot create the database file '" + path + "': " + std::strerror(errno)
                    + ".");
    }
    std::fclose(file);

    try {
        sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE);
        try {
            // Writes the database header, so the file is a database from now on.
            execSqlite(db, "PRAGMA user_version = 0; VACUUM");
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
        sqlite3_close_v2(db);
    } catch (const Error& e) {
        std::error_code ignored;
        fs::remove(path, ignored);
        throw Error("Cannot create the database file '" + path + "': " + e.what());
    }
}

} // namespace varnett::data
