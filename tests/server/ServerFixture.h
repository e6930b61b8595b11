#pragma once

#include "data/Engine.h"
#include "support/RunScript.h"
#include "support/TempDir.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnett::testing {

// The connection string of the test server's own login (VARNETT_SERVER, as
// scripts/babelfish start prints it).
const std::string& serverConnection();

// The connection string with another Initial Catalog or password.
std::string withCatalog(const std::string& connection, const std::string& database);
std::string withPassword(const std::string& connection, const std::string& password);

// True when the server is Babelfish rather than SQL Server.
bool isBabelfish();

using Row = std::vector<std::optional<std::string>>;

// Runs T-SQL on its own connection to the database; returns the rows of the
// first result that has columns, each value as text (NULL as none).
std::vector<Row> query(const std::string& database, const std::string& sql,
                       const std::vector<std::string>& parameters = {});
// The first value of the first row, or none.
std::optional<std::string> scalar(const std::string& database, const std::string& sql,
                                  const std::vector<std::string>& parameters = {});

// A database of the test's own, created on the server and dropped with the
// object.
class ScratchDatabase {
public:
    ScratchDatabase();
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::string& name() const { return m_name; }
    std::string connection() const { return withCatalog(serverConnection(), m_name); }
    // Opens the engine the program uses on this database.
    std::unique_ptr<data::Engine> open() const;
    // Runs batches (no rows) on a connection of their own.
    void run(const std::string& sql) const;

private:
    std::string m_name;
};

// The procedure varnett-script generates with the arguments ("insert", TABLE,
// ...), created on the database with varnett-script exec; fails the test
// unless both succeed.
void createGenerated(const TempDir& dir, const ScratchDatabase& db,
                     const std::vector<std::string>& generate);

// Rows as lines of values joined by "|", NULL as NULL.
std::string rowsOf(const std::vector<Row>& rows);

// A table with an identity key, for the generated procedures.
extern const char* const kItems;

// varnett-script on the database; fails the test unless it exits with 0.
std::string cli(const TempDir& dir, const ScratchDatabase& db, std::vector<std::string> args,
                const std::string& input = {});

} // namespace varnett::testing
