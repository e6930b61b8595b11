#include "ServerFixture.h"

#include <gtest/gtest.h>

using namespace varnett::testing;

namespace {


} // namespace

// Names with quotes, blanks, dots, keywords and letters beyond ASCII go
// through every command.
TEST(ServerNames, HostileNamesThroughEveryCommand)
{
    // Babelfish keeps names of at most 63 bytes and refuses ]] in a bracketed name.
    const std::string longName = isBabelfish() ? std::string(60, 'L') : std::string(128, 'L');
    // Babelfish keeps no module text in a schema whose name needs brackets.
    const std::string schema = isBabelfish() ? "Human_Res" : "Human Re.s";
    const std::string table = "[" + schema + "].[O'Brien Größe.x]";
    const std::string create =
        "CREATE TABLE " + table + " ([Select] int PRIMARY KEY, [a b'c] nvarchar(10), [Ωμέγα] int, ["
        + longName + "] varchar(5))";
    TempDir dir;
    ScratchDatabase source;
    source.run("CREATE SCHEMA [" + schema + "]");
    source.run(create);

    EXPECT_EQ(cli(dir, source, {"tables"}),
              (isBabelfish() ? "Human_Res" : "[Human Re.s]") + std::string(".[O'Brien Größe.x]\n"));
    EXPECT_EQ(cli(dir, source, {"fields", table}),
              "Select\t[int]\na b'c\t[nvarchar](11)\nΩμέγα\t[int]\n" + longName + "\t[varchar](6)\n");

    const std::string procedure = cli(dir, source, {"insert", table});
    const std::string name = "[" + schema + "].[SP_INSERT_O'Brien Größe.x]";
    ASSERT_NE(procedure.find(isBabelfish() ? "CREATE PROCEDURE Human_Res.[SP_INSERT_O'Brien Größe.x]"
                                           : "CREATE PROCEDURE " + name),
              std::string::npos) << procedure;
    cli(dir, source, {"exec", "-"}, procedure);
    query(source.name(), "EXEC " + name + " ?, ?, ?, ?", {"1", "it's", "7", "GO"});
    query(source.name(), "EXEC " + name + " ?, ?, ?, ?", {"2", "]]'", "-1", "x"});
    EXPECT_EQ(scalar(source.name(), "SELECT COUNT(*) FROM " + table), "2");

    EXPECT_NE(cli(dir, source, {"text", name}).find("[O'Brien Größe.x]("),
              std::string::npos);

    // Both scripts load into a copy.
    const std::string procs = dir.file("procs.sql"), data = dir.file("data.sql");
    cli(dir, source, {"proc-script", "--out", procs, name});
    cli(dir, source, {"data-script", "--out", data, "--rows-per-insert", "2", table});
    ScratchDatabase target;
    target.run("CREATE SCHEMA [" + schema + "]");
    target.run(create);
    cli(dir, target, {"load", procs});
    cli(dir, target, {"load", data});
    EXPECT_EQ(scalar({}, "SELECT COUNT(*) FROM (SELECT * FROM [" + source.name() + "]." + table
                             + " EXCEPT SELECT * FROM [" + target.name() + "]." + table + ") AS d"),
              "0");
    query(target.name(), "EXEC " + name + " ?, ?, ?, ?", {"3", "new", "3", "y"});
    EXPECT_EQ(scalar(target.name(), "SELECT COUNT(*) FROM " + table), "3");

    // Update and drop find the procedure of that schema.
    cli(dir, target, {"update-procedure", "-"},
        "CREATE PROCEDURE " + name + " AS SELECT N'replaced'\r\n");
    EXPECT_EQ(scalar(target.name(), "EXEC " + name), "replaced");
    cli(dir, target, {"drop", name});
    EXPECT_EQ(cli(dir, target, {"procedures"}), "");
}
