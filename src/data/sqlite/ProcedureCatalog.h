#pragma once

#include "data/sqlite/SqliteStatement.h"
#include "sqltext/ProcScript.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// The stored procedures of an embedded database: a table of their own inside
// the same file, created with the first procedure, so that transactions
// cover it like any other table. Names compare without regard to case.
class ProcedureCatalog {
public:
    static constexpr std::string_view kTableName = "varnett_procedures";

    // `database` is "main" (the dbo procedures) or an attached schema, whose
    // file holds a catalog table of its own.
    explicit ProcedureCatalog(sqlite3* db, std::string database = "main")
        : m_db(db), m_database(std::move(database))
    {
    }
    // The same, its queries taken from the connection's cache.
    ProcedureCatalog(StatementCache& cache, sqlite3* db, std::string database)
        : m_db(db), m_database(std::move(database)), m_cache(&cache)
    {
    }

    // The names of all procedures, in no particular order.
    std::vector<std::string> names() const;
    // The source text of the procedure, if there is one of that name.
    std::optional<std::string> text(std::string_view name) const;
    bool contains(std::string_view name) const { return text(name).has_value(); }
    // The settings the procedure was created under, if there is one of that
    // name. A procedure stored before settings were kept has the defaults.
    std::optional<sqltext::ProcedureSettings> settings(std::string_view name) const;
    // Stores a new procedure; the caller has made sure the name is free.
    void add(std::string_view name, std::string_view text,
             const sqltext::ProcedureSettings& settings = {});
    // Removes the procedure; false when there is none of that name.
    bool remove(std::string_view name);

private:
    bool exists() const;
    bool hasSettingsColumns() const;

    std::string table() const;
    // A query of the catalog, from the cache where there is one.
    SqliteStatement prepare(const std::string& sql) const;

    sqlite3* m_db;
    std::string m_database;
    StatementCache* m_cache = nullptr;
};

} // namespace varnett::data
