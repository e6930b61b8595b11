// The scripts folder on the real server: export, the four states of a
// comparison, deploy and write back, and the refusal of a procedure that
// changed on the server after the comparison.
#include "ServerFixture.h"

#include "data/ProcedureFolder.h"
#include "support/Engines.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

using namespace varnett;
using namespace varnett::testing;

namespace {

const std::string kHead = "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nGO\r\n";

// A procedure's name as the catalog lists it: Babelfish lowercases
// procedure names in its catalog views.
std::string listed(std::string name)
{
    if (isBabelfish())
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string states(const std::vector<data::FolderEntry>& entries)
{
    std::string lines;
    for (const data::FolderEntry& entry : entries)
        lines += data::stateText(entry.state) + "\t" + sqltext::displayName(entry.procedure) + "\n";
    return lines;
}

} // namespace

TEST(ServerFolder, ExportCompareDeployWriteBackAndTheRefusal)
{
    TempDir dir;
    ScratchDatabase db;
    // Babelfish refuses ]] in a bracketed name and keeps no module text in a
    // schema whose name needs brackets.
    const std::string schema = isBabelfish() ? "Sales" : "x]]y z";
    const std::string shownSchema = isBabelfish() ? "Sales" : "x]y z";
    db.run("CREATE SCHEMA [" + schema + "]");
    db.run("CREATE PROCEDURE Plain AS\r\nSELECT 1\r\n");
    db.run("CREATE PROCEDURE [O'Brien] AS SELECT 'o'");
    db.run("CREATE PROCEDURE [" + schema + "].[a.b c] AS\r\nSELECT '" + std::string(3000, 'w') + "'\r\n");
    const std::string folder = dir.file("scripts");
    cli(dir, db, {"export", "--folder", folder});
    const auto file = [&](const std::string& name) { return folder + "/dbo." + listed(name) + ".sql"; };
    EXPECT_TRUE(std::filesystem::exists(folder + "/" + shownSchema + "." + listed("a") + "%2E" + listed("b c") + ".sql"));
    // Exported again, the bytes are the same: nothing in them moves.
    const std::string plain = readFile(file("Plain"));
    // Babelfish keeps the text without the line end that closes it.
    EXPECT_EQ(plain, kHead + "CREATE PROCEDURE Plain AS\r\nSELECT 1\r\n" + (isBabelfish() ? "" : "\r\n") + "GO\r\n");
    cli(dir, db, {"export", "--folder", folder});
    EXPECT_EQ(readFile(file("Plain")), plain);

    writeFile(file("Plain"), kHead + "CREATE PROCEDURE Plain AS\nSELECT 2\nGO\n");
    writeFile(folder + "/dbo.New.sql", kHead + "CREATE PROCEDURE New AS SELECT 'new'\r\nGO\r\n");
    std::filesystem::remove(file("O'Brien"));
    auto engine = db.open();
    std::vector<data::FolderEntry> entries = data::compareWithFolder(*engine, folder);
    const std::string other = shownSchema + "." + listed("[a.b c]");
    EXPECT_EQ(states(entries), "only in the folder\tNew\nonly in the database\t" + listed("O'Brien")
                                   + "\ndifferent\t" + listed("Plain") + "\nsame\t" + other + "\n");

    // Someone else changes Plain after the comparison: nothing is deployed.
    db.run("DROP PROCEDURE Plain");
    db.run("CREATE PROCEDURE Plain AS SELECT 'someone else'");
    EXPECT_EQ(errorOf([&] { data::deployFromFolder(*engine, {entries[0], entries[2]}); }),
              "The procedure '" + listed("Plain") + "' changed on the server since the comparison: compare "
              "its text again first.");
    EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM sys.procedures WHERE name = 'New'"), "0");
    EXPECT_EQ(scalar(db.name(), "EXEC Plain"), "someone else");
    engine.reset();

    // Compared again, the command line deploys what differs or is new, then
    // writes back what only the database has.
    EXPECT_EQ(cli(dir, db, {"deploy", "--folder", folder}), "New\n" + listed("Plain") + "\n");
    EXPECT_EQ(scalar(db.name(), "EXEC Plain"), "2");
    EXPECT_EQ(scalar(db.name(), "EXEC New"), "new");
    EXPECT_EQ(cli(dir, db, {"write-back", "--folder", folder}), "dbo." + listed("O'Brien") + ".sql\n");
    EXPECT_EQ(readFile(file("O'Brien")), kHead + "CREATE PROCEDURE [O'Brien] AS SELECT 'o'\r\nGO\r\n");
    EXPECT_EQ(cli(dir, db, {"compare", "--folder", folder}),
              "same\t" + listed("New") + "\nsame\t" + listed("O'Brien") + "\nsame\t" + listed("Plain")
                  + "\nsame\t" + other + "\n");
}
