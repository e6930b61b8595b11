#include "ServerFixture.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/odbc/OdbcConnectionString.h"
#include "data/odbc/OdbcEngine.h"
#include "data/odbc/OdbcSession.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

Outcome runScript(const TempDir& dir, const std::vector<std::string>& args,
                  const std::string& input)
{
    std::string in = dir.file("stdin.txt"), out = dir.file("stdout.txt"),
                err = dir.file("stderr.txt");
    writeFile(in, input);
    std::vector<std::string> env = {"HOME=" + dir.path().string(),
                                    "XDG_CONFIG_HOME=" + dir.file("config"), "LANG=C.UTF-8"};
    std::vector<std::string> all = {VARNETT_SCRIPT_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    Outcome run;
    if (spawned != 0)
        return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(out);
    run.err = readFile(err);
    return run;
}

} // namespace varnett::testing
