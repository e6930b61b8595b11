#include "data/sqlite/SqliteEngine.h"

#include "data/sqlite/BatchPlan.h"
#include "sqltext/Error.h"
#include "data/sqlite/HelpTextRows.h"
#include "data/sqlite/ProcedureCatalog.h"
#include "data/sqlite/SqliteCursor.h"
#include "data/sqlite/SqliteSchema.h"
#include "data/sqlite/SqliteStatement.h"
#include "data/sqlite/TsqlTokens.h"
#include "sqltext/Identifiers.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace varnett::data {

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

class SqliteEngine final : public Engine {
public:
    SqliteEngine(sqlite3* db, std::string name) : m_db(db), m_name(std::move(name)), m_catalog(db)
    {
    }
    ~SqliteEngine() override { sqlite3_close_v2(m_db); }

    std::string databaseName() const override { return m_name; }

    std::vector<std::string> listTables() override { return listTablesAndViews(m_db); }

    std::vector<std::string> listProcedures() override
    {
        auto names = m_catalog.names();
        std::sort(names.begin(), names.end(), lessIgnoringCase);
        for (auto& name : names)
            name += ";1";
        return names;
    }

    std::unique_ptr<RowCursor> openTable(const std::string& table) override
    {
        return std::make_unique<SqliteCursor>(m_db, table, describeColumns(m_db, table));
    }

    void executeBatch(const std::string& sql) override
    {
        BatchPlan plan = planBatch(sql);
        if (plan.createsProcedure) {
            if (plan.createOrAlter && m_catalog.contains(plan.procedureName))
                replaceProcedure(plan.procedureName, sql);
            else
                createProcedure(plan.procedureName, sql);
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
            case BatchStep::Kind::DropIfProcedure: {
                auto tested = localName(step.tested);
                if (tested && m_catalog.contains(*tested) && !dropProcedure(step.names.front()))
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
            case BatchStep::Kind::Ignore:
                break;
            }
        }
        if (firstError)
            throw Error(*firstError);
    }

    std::vector<std::string> procedureText(const std::string& objectName) override
    {
        std::optional<std::string> text;
        try {
            if (auto name = localName(sqltext::splitMultipartName(objectName)))
                text = m_catalog.text(*name);
        } catch (const Error&) {
            // a malformed name names no procedure
        }
        if (!text)
            throw Error("The object '" + objectName + "' does not exist in database '" + m_name
                        + "' or is invalid for this operation.");
        return helpTextRows(*text);
    }

    ProcedureSettings procedureSettings(const std::string& objectName) override
    {
        std::optional<ProcedureSettings> settings;
        try {
            if (auto name = localName(sqltext::splitMultipartName(objectName)))
                settings = m_catalog.settings(*name);
        } catch (const Error&) {
            // a malformed name names no procedure
        }
        if (!settings)
            throw Error("The object '" + objectName + "' does not exist in database '" + m_name
                        + "' or is not a procedure.");
        return *settings;
    }

    sqltext::TableKeys tableKeys(const std::string& table) override
    {
        return describeKeys(m_db, table);
    }

    void beginTransaction() override { execSqlite(m_db, "BEGIN"); }
    void commit() override { execSqlite(m_db, "COMMIT"); }
    void rollback() override { execSqlite(m_db, "ROLLBACK"); }

private:
    // The procedure a name of up to three parts (database, owner, name) means
    // here: the database part must be this database, the owner dbo.
    std::optional<std::string> localName(const NameParts& parts) const
    {
        if (parts.empty() || parts.size() > 3 || parts.back().empty())
            return std::nullopt;
        if (parts.size() == 3 && !parts[0].empty() && !equalsIgnoringCase(parts[0], m_name))
            return std::nullopt;
        if (parts.size() >= 2) {
            const std::string& owner = parts[parts.size() - 2];
            if (!owner.empty() && !equalsIgnoringCase(owner, "dbo"))
                return std::nullopt;
        }
        return parts.back();
    }

    bool dropProcedure(const NameParts& parts)
    {
        auto name = localName(parts);
        return name && m_catalog.remove(*name);
    }

    static std::string cannotDrop(const NameParts& parts)
    {
        return "Cannot drop the procedure '" + joinParts(parts)
            + "', because it does not exist or you do not have permission.";
    }

    void createProcedure(const std::string& name, const std::string& text)
    {
        SqliteStatement objects(m_db, "SELECT 1 FROM sqlite_master WHERE type IN"
                                      " ('table', 'view', 'trigger') AND name = ?1 COLLATE NOCASE");
        objects.bind(1, name);
        if (objects.step() || m_catalog.contains(name))
            throw Error("There is already an object named '" + name + "' in the database.");
        m_catalog.add(name, text, m_settings);
    }

    // CREATE OR ALTER of an existing procedure: the new text and the
    // session's settings take the old ones' place, all or nothing.
    void replaceProcedure(const std::string& name, const std::string& text)
    {
        execSqlite(m_db, "SAVEPOINT varnett_alter");
        try {
            m_catalog.remove(name);
            m_catalog.add(name, text, m_settings);
        } catch (...) {
            execSqlite(m_db, "ROLLBACK TO varnett_alter; RELEASE varnett_alter");
            throw;
        }
        execSqlite(m_db, "RELEASE varnett_alter");
    }

    sqlite3* m_db;
    std::string m_name;
    ProcedureCatalog m_catalog;
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
    const auto c = static_cast<std::uint32_t>(code);
    std::string text;
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Opens an existing file; throws naming the path when it cannot.
sqlite3* openFile(const std::string& path, int flags)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
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
    std::error_code error;
    auto status = fs::status(path, error);
    if (!fs::exists(status))
        throw Error("The database file '" + path + "' does not exist.");
    if (fs::is_directory(status))
        throw Error("'" + path + "' is a folder, not a database file.");

    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE);
    try {
        // SQLite reads the file lazily; make sure it is a database now.
        execSqlite(db, "SELECT count(*) FROM sqlite_master");
    } catch (const Error& e) {
        sqlite3_close_v2(db);
        throw Error("Cannot open the database file '" + path + "': " + e.what() + ".");
    }
    return std::make_unique<SqliteEngine>(db, fs::path(path).stem().string());
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
