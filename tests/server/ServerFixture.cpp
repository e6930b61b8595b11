#include "ServerFixture.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/odbc/OdbcConnectionString.h"
#include "data/odbc/OdbcEngine.h"
#include "data/odbc/OdbcSession.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace varnett::testing {

namespace {

std::shared_ptr<data::OdbcSession> sessionFor(const std::string& connection)
{
    data::ConnectionString parsed = data::ConnectionString::parse(connection);
    data::OdbcConnectRequest request =
        data::toOdbcConnectRequest(parsed, data::defaultSqlServerDriver());
    return std::make_shared<data::OdbcSession>(request.connectionString, request.loginTimeout);
}

void drain(data::OdbcStatement& statement)
{
    while (statement.check(SQLMoreResults(statement.handle()), "SQLMoreResults") != SQL_NO_DATA) {
    }
}

} // namespace

const std::string& serverConnection()
{
    static const std::string connection = [] {
        const char* text = std::getenv("VARNETT_SERVER");
        if (!text || !*text)
            throw std::runtime_error("VARNETT_SERVER names no server: run scripts/test-server");
        return std::string(text);
    }();
    return connection;
}

std::string withCatalog(const std::string& connection, const std::string& database)
{
    data::ConnectionString parsed = data::ConnectionString::parse(connection);
    parsed.set("Initial Catalog", database);
    return parsed.render();
}

std::string withPassword(const std::string& connection, const std::string& password)
{
    data::ConnectionString parsed = data::ConnectionString::parse(connection);
    parsed.set("Password", password);
    return parsed.render();
}

bool isBabelfish()
{
    static const bool babelfish = [] {
        auto version = scalar({}, "SELECT @@VERSION");
        return version && version->find("Babelfish") != std::string::npos;
    }();
    return babelfish;
}

std::vector<Row> query(const std::string& database, const std::string& sql,
                       const std::vector<std::string>& parameters)
{
    auto session = sessionFor(database.empty() ? serverConnection()
                                               : withCatalog(serverConnection(), database));
    data::OdbcStatement statement(session);
    SQLRETURN rc = statement.execute(sql, parameters);
    std::vector<Row> rows;
    for (;;) {
        if (rc != SQL_NO_DATA && statement.resultColumns() > 0) {
            const SQLSMALLINT columns = statement.resultColumns();
            while (statement.fetch()) {
                Row row;
                for (SQLSMALLINT c = 1; c <= columns; ++c)
                    row.push_back(statement.text(static_cast<SQLUSMALLINT>(c)));
                rows.push_back(std::move(row));
            }
            drain(statement);
            return rows;
        }
        rc = statement.check(SQLMoreResults(statement.handle()), "SQLMoreResults");
        if (rc == SQL_NO_DATA)
            return rows;
    }
}

std::optional<std::string> scalar(const std::string& database, const std::string& sql,
                                  const std::vector<std::string>& parameters)
{
    std::vector<Row> rows = query(database, sql, parameters);
    if (rows.empty() || rows[0].empty())
        return std::nullopt;
    return rows[0][0];
}

ScratchDatabase::ScratchDatabase()
{
    static std::atomic<int> counter{0};
    m_name = "vt_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    auto session = sessionFor(serverConnection());
    data::OdbcStatement statement(session);
    statement.execute("CREATE DATABASE " + sqltext::bracketQuote(m_name));
    drain(statement);
}

ScratchDatabase::~ScratchDatabase()
{
    try {
        auto session = sessionFor(serverConnection());
        data::OdbcStatement statement(session);
        statement.execute("DROP DATABASE " + sqltext::bracketQuote(m_name));
        drain(statement);
    } catch (const std::exception&) {
        // The server goes with its data at the end of the run.
    }
}

std::unique_ptr<data::Engine> ScratchDatabase::open() const
{
    return data::openEngine(connection());
}

void ScratchDatabase::run(const std::string& sql) const
{
    auto session = sessionFor(connection());
    data::OdbcStatement statement(session);
    statement.execute(sql);
    drain(statement);
}

std::string cli(const TempDir& dir, const ScratchDatabase& db, std::vector<std::string> args,
                const std::string& input)
{
    args.insert(args.begin(), {"--connection", db.connection()});
    Outcome run = runScript(dir, args, input);
    EXPECT_EQ(run.status, 0) << args[2] << ": " << run.err;
    return run.out;
}

void createGenerated(const TempDir& dir, const ScratchDatabase& db,
                     const std::vector<std::string>& generate)
{
    std::vector<std::string> args = {"--connection", db.connection()};
    args.insert(args.end(), generate.begin(), generate.end());
    Outcome text = runScript(dir, args);
    ASSERT_EQ(text.status, 0) << text.err;
    Outcome created = runScript(dir, {"--connection", db.connection(), "exec", "-"}, text.out);
    ASSERT_EQ(created.status, 0) << created.err << "\n" << text.out;
}

std::string rowsOf(const std::vector<Row>& rows)
{
    std::string out;
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c)
            out += (c ? "|" : "") + row[c].value_or("NULL");
        out += "\n";
    }
    return out;
}

const char* const kItems =
    "CREATE TABLE dbo.Items (ItemID int IDENTITY(1,1) PRIMARY KEY, Name nvarchar(40) NOT NULL,"
    " Price decimal(10,2) NULL, Code varchar(10) NULL)";

} // namespace varnett::testing
