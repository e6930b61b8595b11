// Times varnett-script against a T-SQL server beside FreeTDS's freebcp, in
// one run under the same conditions:
//  1. the benchmark table (eight mixed columns) filled with 1,000,000 rows
//     through freebcp;
//  2. "varnett-script data-script --rows-per-insert 1000 --batch 10" of it
//     against "freebcp TABLE out FILE -c";
//  3. "varnett-script load" of that script into an empty copy against
//     "freebcp TABLE in FILE -c -E" of the same rows into another (reported,
//     not fatal, when freebcp fails);
// with wall times, ratios and each process's peak memory; every copy is then
// compared with the source on the server (EXCEPT both ways).
//
// Usage: server_bench --connection STRING [--rows N] [--block-rows N] [--keep]
//                     [PATH_TO_VARNETT_SCRIPT]
// The data script is also written with rows fetched one at a time
// (VARNETT_ODBC_FETCH_ROWS=1) and loaded a second time through the block load
// (VARNETT_ODBC_BLOCK_LOAD, --block-rows rows to an execution, 10 unless
// given), each into a copy of its own.
// The connection string is an OLE DB one (scripts/babelfish start prints it;
// VARNETT_SERVER is used without --connection). The login must be allowed to
// create databases: the bench makes three of its own and drops them at the end.

#include "RunProgram.h"
#include "data/ConnectionString.h"
#include "data/odbc/OdbcConnectionString.h"
#include "data/odbc/OdbcEngine.h"
#include "data/odbc/OdbcSession.h"
#include "sqltext/Error.h"


#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using varnett::Error;
using namespace varnett::bench;

namespace {

const char* const kOrdersTable = "CREATE TABLE dbo.Orders ("
                                 " id int IDENTITY PRIMARY KEY,"
                                 " customer nvarchar(60),"
                                 " code varchar(20),"
                                 " amount decimal(12,2),"
                                 " ratio float,"
                                 " created datetime,"
                                 " active bit,"
                                 " payload varbinary(16))";

// Fills the benchmark table on the server with `rows` rows of mixed values:
// quotes, Unicode, NULLs, fractions, binary of 0 to 16 bytes.
std::string fillStatement(long rows)
{
    return "WITH d AS (SELECT v FROM (VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)) t(v)),"
           " n AS (SELECT CAST(a.v + 10 * b.v + 100 * c.v + 1000 * e.v + 10000 * f.v"
           " + 100000 * g.v + 1000000 * h.v AS bigint) AS i"
           " FROM d a, d b, d c, d e, d f, d g, d h)"
           " INSERT INTO dbo.Orders (customer, code, amount, ratio, created, active, payload)"
           " SELECT CASE WHEN i % 10 = 7 THEN NULL"
           " ELSE N'O''Brien & S\xC3\xB6hne \"N\xC2\xBA ' + CAST(i AS nvarchar(20)) + N'\" ''s' END,"
           " 'C-' + RIGHT('00000000' + CAST(i * 7919 % 100000000 AS varchar(12)), 8),"
           " CAST((i * 37) % 1000000 AS decimal(12,2)) + CAST(i % 100 AS decimal(12,2)) / 100,"
           " CAST(i AS float) / 3.0 + 1e-7,"
           " DATEADD(millisecond, CAST(i % 100 * 10 AS int), DATEADD(second, CAST(i * 7 % 900000000 AS int),"
           " CAST('2000-01-01' AS datetime))),"
           " CAST(i % 2 AS bit),"
           " SUBSTRING(HASHBYTES('MD5', CAST(i AS varchar(20))), 1, CAST(i % 17 AS int))"
           " FROM n WHERE i < " + std::to_string(rows) + " ORDER BY i";
}

// The server as FreeTDS's tools reach it: a configuration file with one
// section, and the login.
struct Bcp {
    std::vector<std::string> env;
    std::vector<std::string> login;

    RunResult operator()(const std::string& database, const std::string& direction,
                         const std::string& file, std::vector<std::string> more = {},
                         bool mayFail = false) const
    {
        std::vector<std::string> args = {"freebcp", "dbo.Orders", direction, file, "-c"};
        args.insert(args.end(), login.begin(), login.end());
        args.insert(args.end(), {"-D", database});
        args.insert(args.end(), more.begin(), more.end());
        return run(args, {.extraEnv = env, .mayFail = mayFail});
    }
};

Bcp bcpFor(const varnett::data::ConnectionString& connection, const fs::path& folder)
{
    std::string source = connection.value("Data Source");
    std::string host = source, port = "1433";
    if (auto comma = source.find(','); comma != std::string::npos) {
        host = source.substr(0, comma);
        port = source.substr(comma + 1);
    }
    const std::string conf = (folder / "freetds.conf").string();
    std::ofstream(conf) << "[bench]\n\thost = " << host << "\n\tport = " << port
                        << "\n\ttds version = 7.4\n\tclient charset = UTF-8\n";
    return {{"FREETDSCONF=" + conf},
            {"-S", "bench", "-U", connection.value("User ID"), "-P", connection.value("Password")}};
}

} // namespace

int main(int argc, char** argv)
{
    long rows = 1000000;
    std::size_t blockRows = 10;
    bool keep = false;
    std::string script;
    const char* fromEnv = std::getenv("VARNETT_SERVER");
    std::string connectionText = fromEnv ? fromEnv : "";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc)
            rows = std::atol(argv[++i]);
        else if (arg == "--connection" && i + 1 < argc)
            connectionText = argv[++i];
        else if (arg == "--block-rows" && i + 1 < argc)
            blockRows = static_cast<std::size_t>(std::atol(argv[++i]));
        else if (arg == "--keep")
            keep = true;
        else
            script = arg;
    }
    if (connectionText.empty()) {
        std::cerr << "usage: server_bench --connection STRING [--rows N] [--block-rows N] [--keep]"
                     " [PATH_TO_VARNETT_SCRIPT]\n";
        return 2;
    }
    if (script.empty())
        script = defaultScriptPath();

    const fs::path folder = temporaryFolder("varnett-server-bench");
    if (folder.empty())
        return 1;
    const std::vector<std::string> databases = {"varnett_bench_source", "varnett_bench_load",
                                                "varnett_bench_bcp", "varnett_bench_block"};
    int status = 0;
    const auto base = varnett::data::ConnectionString::parse(connectionText);
    auto connectionTo = [&](const std::string& database) {
        auto parsed = base;
        parsed.set("Initial Catalog", database);
        return parsed.render();
    };
    auto server = varnett::data::openOdbcEngine(connectionText);
    auto dropAll = [&] {
        for (const std::string& database : databases)
            server->executeBatch("IF DB_ID(N'" + database + "') IS NOT NULL DROP DATABASE " + database);
    };
    try {
        const Bcp bcp = bcpFor(base, folder);
        dropAll();
        for (const std::string& database : databases) {
            server->executeBatch("CREATE DATABASE " + database);
            varnett::data::openOdbcEngine(connectionTo(database))->executeBatch(kOrdersTable);
        }

        std::cout << "Filling the table with " << rows << " rows ..." << std::endl;
        varnett::data::openOdbcEngine(connectionTo(databases[0]))->executeBatch(fillStatement(rows));

        const std::string ours = (folder / "multirow.sql").string();
        const std::string theirs = (folder / "bcp-out.txt").string();
        const std::vector<std::string> dataScript = {script, "--connection", connectionTo(databases[0]),
                                                     "data-script", "--out", ours, "--rows-per-insert",
                                                     "1000", "--batch", "10", "Orders"};
        const RunResult byRow = run(dataScript, {.extraEnv = {"VARNETT_ODBC_FETCH_ROWS=1"}});
        const RunResult write = run(dataScript);
        const RunResult bcpOut = bcp(databases[0], "out", theirs);
        const RunResult load = run({script, "--connection", connectionTo(databases[1]), "load", ours});
        const RunResult blockLoad = run({script, "--connection", connectionTo(databases[3]), "load", ours},
                                        {.extraEnv = {"VARNETT_ODBC_BLOCK_LOAD=" + std::to_string(blockRows)}});
        const RunResult bcpIn = bcp(databases[2], "in", theirs, {"-E"}, true);

        // Every copy holds the source's rows, no more and no fewer.
        const auto request = varnett::data::toOdbcConnectRequest(
            varnett::data::ConnectionString::parse(connectionTo(databases[0])),
            varnett::data::defaultSqlServerDriver());
        auto session = std::make_shared<varnett::data::OdbcSession>(request.connectionString,
                                                                    request.loginTimeout);
        auto count = [&](const std::string& sql) {
            varnett::data::OdbcStatement statement(session);
            statement.execute(sql);
            std::optional<std::int64_t> value;
            if (statement.fetch())
                value = statement.integer(1);
            return value ? std::to_string(*value) : std::string("?");
        };
        for (const std::string& copy : {databases[1], databases[3], databases[2]}) {
            const std::string a = "[" + databases[0] + "].dbo.Orders";
            const std::string b = "[" + copy + "].dbo.Orders";
            const std::string held = count("SELECT COUNT_BIG(*) FROM " + b);
            const std::string left = count("SELECT COUNT_BIG(*) FROM (SELECT * FROM " + a
                                           + " EXCEPT SELECT * FROM " + b + ") d");
            const std::string right = count("SELECT COUNT_BIG(*) FROM (SELECT * FROM " + b
                                            + " EXCEPT SELECT * FROM " + a + ") d");
            std::printf("%s: %s rows, %s missing, %s extra\n", copy.c_str(), held.c_str(),
                        left.c_str(), right.c_str());
            // freebcp's own failure is reported, not the bench's.
            if (copy != databases[2] && (held != std::to_string(rows) || left != "0" || right != "0"))
                status = 1;
        }

        std::printf("Reading and writing %ld rows of eight columns (same run, same machine):\n", rows);
        std::printf("  data-script, rows fetched one at a time        %8.3f s  %7.1f MiB  peak memory %5.1f MiB\n",
                    byRow.seconds, fileMiB(ours), mib(byRow.maxRssKiB));
        std::printf("  data-script --rows-per-insert 1000 --batch 10  %8.3f s  %7.1f MiB  peak memory %5.1f MiB\n",
                    write.seconds, fileMiB(ours), mib(write.maxRssKiB));
        std::printf("  freebcp out -c                                 %8.3f s  %7.1f MiB  peak memory %5.1f MiB\n",
                    bcpOut.seconds, fileMiB(theirs), mib(bcpOut.maxRssKiB));
        std::printf("  load of that script                            %8.3f s              peak memory %5.1f MiB\n",
                    load.seconds, mib(load.maxRssKiB));
        std::printf("  the same, VARNETT_ODBC_BLOCK_LOAD=%-4zu         %8.3f s              peak memory %5.1f MiB\n",
                    blockRows, blockLoad.seconds, mib(blockLoad.maxRssKiB));
        std::printf("  freebcp in -c -E                               %8.3f s              peak memory %5.1f MiB%s\n",
                    bcpIn.seconds, mib(bcpIn.maxRssKiB), bcpIn.failed ? "  (failed)" : "");
        std::printf("ratio data-script / freebcp out: %.3f   (target at most 1.0)\n",
                    write.seconds / bcpOut.seconds);
        std::printf("ratio data-script by row / by block: %.3f\n", byRow.seconds / write.seconds);
        if (bcpIn.failed)
            std::printf("ratio load / freebcp in: none, freebcp in failed on this server\n");
        else
            std::printf("ratio load / freebcp in:         %.3f   (target at most 1.0)\n",
                        load.seconds / bcpIn.seconds);
        std::printf("ratio block load / load:         %.3f\n", blockLoad.seconds / load.seconds);
        std::printf("peak memory data-script %.1f MiB, load %.1f MiB   (target under 64 MiB each)\n",
                    mib(write.maxRssKiB), mib(load.maxRssKiB));
    } catch (const std::exception& error) {
        std::cerr << "server_bench: " << error.what() << '\n';
        status = 1;
    }
    if (!keep) {
        try {
            dropAll();
        } catch (const std::exception& error) {
            std::cerr << "server_bench: " << error.what() << '\n';
        }
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    } else {
        std::cout << "Files and databases kept; files in " << folder.string() << '\n';
    }
    return status;
}
