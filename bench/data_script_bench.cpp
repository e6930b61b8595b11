// Times varnett-script on large inputs:
//  1. the data transfer of an embedded table of 1,000,000 rows with eight
//     columns of mixed types into an empty copy, end to end (data-script,
//     then load), for
//       (a) the default script format,
//       (b) --rows-per-insert 1000 --batch 10,
//     against (c) "sqlite3 FILE .dump TABLE" and sqlite3 reading that output
//     into an empty database: wall times, ratios, and each run's peak memory
//     (the larger of its two processes);
//     and the data script alone against "sqlite3 .dump" alone;
//  2. proc-script of 5,000 procedures of 200 lines that call one another in
//     chains.
//
// Usage: data_script_bench [--rows N] [--procedures N] [--keep] [PATH_TO_VARNETT_SCRIPT]
// Without a path, varnett-script is taken from the folder of this program.

#include "RunProgram.h"
#include "sqltext/Error.h"
#include "data/sqlite/SqliteEngine.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace varnett::bench;

namespace {

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw varnett::Error(sqlite3_errmsg(db));
}

void exec(sqlite3* db, const char* sql)
{
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

const char* const kOrdersTable = "CREATE TABLE Orders ("
                                 " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                 " customer nvarchar(60),"
                                 " code varchar(20),"
                                 " amount decimal(12,2),"
                                 " ratio float,"
                                 " created datetime,"
                                 " active bit,"
                                 " payload varbinary(16))";

// A database of the embedded engine holding the table Orders, empty.
void buildEmptyCopy(const std::string& path)
{
    varnett::data::createSqliteDatabase(path);
    sqlite3* db = nullptr;
    check(db, sqlite3_open(path.c_str(), &db));
    exec(db, kOrdersTable);
    sqlite3_close(db);
}

long rowCount(const std::string& path)
{
    sqlite3* db = nullptr;
    check(db, sqlite3_open(path.c_str(), &db));
    sqlite3_stmt* count = nullptr;
    check(db, sqlite3_prepare_v2(db, "SELECT count(*) FROM Orders", -1, &count, nullptr));
    check(db, sqlite3_step(count));
    long rows = static_cast<long>(sqlite3_column_int64(count, 0));
    sqlite3_finalize(count);
    sqlite3_close(db);
    return rows;
}

// The table Orders with `rows` rows of mixed values: quotes, Unicode, NULLs,
// fractions, binary.
void buildTable(const std::string& path, long rows)
{
    varnett::data::createSqliteDatabase(path);
    sqlite3* db = nullptr;
    check(db, sqlite3_open(path.c_str(), &db));
    exec(db, kOrdersTable);
    exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    check(db, sqlite3_prepare_v2(db, "INSERT INTO Orders (customer, code, amount, ratio, created,"
                                     " active, payload) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
                                 -1, &insert, nullptr));
    char text[128];
    unsigned char bytes[16];
    for (long i = 0; i < rows; ++i) {
        if (i % 10 == 7) {
            sqlite3_bind_null(insert, 1);
        } else {
            std::snprintf(text, sizeof text, "O'Brien & Söhne \"Nº %ld\" 's", i);
            sqlite3_bind_text(insert, 1, text, -1, SQLITE_TRANSIENT);
        }
        std::snprintf(text, sizeof text, "C-%08ld", i * 7919 % 100000000);
        sqlite3_bind_text(insert, 2, text, -1, SQLITE_TRANSIENT);
        std::snprintf(text, sizeof text, "%ld.%02ld", (i * 37) % 1000000, i % 100);
        sqlite3_bind_text(insert, 3, text, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 4, static_cast<double>(i) / 3.0 + 1e-7);
        std::snprintf(text, sizeof text, "20%02ld-%02ld-%02ld %02ld:%02ld:%02ld.%03ld", i % 30,
                      i % 12 + 1, i % 28 + 1, i % 24, i % 60, (i / 60) % 60, i % 1000);
        sqlite3_bind_text(insert, 5, text, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 6, static_cast<int>(i % 2));
        int size = static_cast<int>(i % 17);
        for (int b = 0; b < size; ++b)
            bytes[b] = static_cast<unsigned char>((i >> (b % 8)) + b * 31);
        sqlite3_bind_blob(insert, 7, bytes, size, SQLITE_TRANSIENT);
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

std::string procedureName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "SP_BENCH_%05d", i);
    return name;
}

// `count` procedures of 200 lines each. In every run of 25 procedures each
// one executes the next, so the script has to turn each chain around.
void buildProcedures(const std::string& path, int count)
{
    varnett::data::createSqliteDatabase(path);
    auto engine = varnett::data::openSqliteEngine(path);
    engine->beginTransaction();
    for (int i = 0; i < count; ++i) {
        std::string text = "CREATE PROCEDURE " + procedureName(i) + "\r\n  @id int,\r\n"
                           "  @name nvarchar(40)\r\nAS\r\nBEGIN\r\n";
        int lines = 5;
        if (i % 25 != 24) {
            text += "  EXEC @rc = dbo." + procedureName(i + 1) + " @id, @name\r\n";
            ++lines;
        }
        for (; lines < 199; ++lines) {
            std::string n = std::to_string(lines);
            switch (lines % 5) {
            case 0:
                text += "  SELECT o.OrderID, o.Total, N'O''Brien' AS Name FROM Orders o WHERE o.ID = @id\r\n";
                break;
            case 1:
                text += "  UPDATE Orders SET Total = Total + " + n + " WHERE OrderID = @id -- step " + n
                    + "\r\n";
                break;
            case 2:
                text += "  IF @name LIKE 'A%' SET @name = @name + '" + n + "'\r\n";
                break;
            case 3:
                text += lines % 40 == 3 ? "  EXEC sp_log @id, 'calls a procedure not in the script'\r\n"
                                        : "  DELETE FROM AuditLog WHERE LogID < @id - " + n + "\r\n";
                break;
            default:
                text += lines % 40 == 4 ? "  EXEC (@sql)\r\n" : "\r\n";
                break;
            }
        }
        text += "END\r\n";
        engine->executeBatch(text);
    }
    engine->commit();
}

// One way of carrying the table over: writing, then reading into the copy.
struct Transfer {
    RunResult write;
    RunResult read;
    double seconds() const { return write.seconds + read.seconds; }
    long peakKiB() const { return std::max(write.maxRssKiB, read.maxRssKiB); }
};

void printTransfer(const char* name, const Transfer& t, const std::string& file, long rows)
{
    std::printf("%-40s %8.3f s  (write %7.3f s, read %7.3f s)  %7.1f MiB script"
                "  peak memory %5.1f MiB  %ld rows\n",
                name, t.seconds(), t.write.seconds, t.read.seconds, fileMiB(file),
                mib(t.peakKiB()), rows);
}

} // namespace

int main(int argc, char** argv)
{
    long rows = 1000000;
    int procedures = 5000;
    bool keep = false;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc)
            rows = std::atol(argv[++i]);
        else if (arg == "--procedures" && i + 1 < argc)
            procedures = std::atoi(argv[++i]);
        else if (arg == "--keep")
            keep = true;
        else
            script = arg;
    }
    if (script.empty())
        script = defaultScriptPath();

    fs::path folder = temporaryFolder("varnett-bench");
    if (folder.empty())
        return 1;
    int status = 0;
    try {
        std::string db = (folder / "Bench.db").string();
        std::cout << "Building " << rows << " rows in " << db << " ..." << std::endl;
        buildTable(db, rows);

        const std::string connection = "Provider=SQLite;Data Source=";
        auto ourTransfer = [&](const std::string& name, std::vector<std::string> options) {
            std::string out = (folder / (name + ".sql")).string();
            std::string copy = (folder / (name + ".db")).string();
            buildEmptyCopy(copy);
            std::vector<std::string> write = {script, "--connection", connection + db,
                                              "data-script", "--out", out};
            write.insert(write.end(), options.begin(), options.end());
            write.push_back("Orders");
            Transfer t;
            t.write = run(write);
            t.read = run({script, "--connection", connection + copy, "load", out});
            if (rowCount(copy) != rows)
                throw varnett::Error("the copy " + copy + " does not hold every row");
            return t;
        };
        Transfer plain = ourTransfer("default", {});
        Transfer multi = ourTransfer("multirow", {"--rows-per-insert", "1000", "--batch", "10"});

        std::string dump = (folder / "dump.sql").string();
        std::string dumpCopy = (folder / "dump.db").string();
        Transfer sqlite;
        sqlite.write = run({"sqlite3", db, ".dump Orders"}, {.outFile = dump});
        sqlite.read = run({"sqlite3", dumpCopy}, {.inFile = dump});
        if (rowCount(dumpCopy) != rows)
            throw varnett::Error("the copy " + dumpCopy + " does not hold every row");

        std::printf("Data transfer of %ld rows into an empty copy:\n", rows);
        printTransfer("(a) data-script + load", plain, (folder / "default.sql").string(), rows);
        printTransfer("(b) --rows-per-insert 1000 --batch 10", multi,
                      (folder / "multirow.sql").string(), rows);
        printTransfer("(c) sqlite3 .dump + sqlite3", sqlite, dump, rows);
        std::printf("ratio (a) / (c): %.3f   (target at most 3.0)\n",
                    plain.seconds() / sqlite.seconds());
        std::printf("ratio (b) / (c): %.3f   (target at most 1.0)\n",
                    multi.seconds() / sqlite.seconds());
        std::printf("peak memory (a) %.1f MiB, (b) %.1f MiB, (c) %.1f MiB   (target under 64 MiB"
                    " each)\n",
                    mib(plain.peakKiB()), mib(multi.peakKiB()), mib(sqlite.peakKiB()));
        std::printf("the data script alone against sqlite3 .dump alone: (a) %.3f, (b) %.3f"
                    "   (target at most 0.5)\n",
                    plain.write.seconds / sqlite.write.seconds,
                    multi.write.seconds / sqlite.write.seconds);

        std::string procDb = (folder / "Procs.db").string();
        std::cout << "Building " << procedures << " procedures of 200 lines ..." << std::endl;
        buildProcedures(procDb, procedures);
        std::vector<std::string> args = {script, "--connection",
                                         "Provider=SQLite;Data Source=" + procDb, "proc-script",
                                         "--out", (folder / "procs.sql").string()};
        for (int i = 0; i < procedures; ++i)
            args.push_back(procedureName(i));
        RunResult procs = run(args);
        std::printf("proc-script:    %8.3f s  %8.1f MiB written  peak memory %.1f MiB"
                    "   (target under 0.5 s and 64 MiB)\n",
                    procs.seconds, fileMiB((folder / "procs.sql").string()),
                    mib(procs.maxRssKiB));
    } catch (const std::exception& error) {
        std::cerr << "data_script_bench: " << error.what() << '\n';
        status = 1;
    }
    if (keep) {
        std::cout << "Files kept in " << folder.string() << '\n';
    } else {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    return status;
}
