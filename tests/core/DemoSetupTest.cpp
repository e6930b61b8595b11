#include "data/Connection.h"
#include "data/DataLinkFile.h"
#include "data/DemoDatabase.h"
#include "data/SettingsStore.h"
#include "sqltext/Error.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

using varnett::testing::readFile;
using varnett::testing::TempDir;
using varnett::testing::writeFile;
namespace data = varnett::data;
namespace fs = std::filesystem;

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

const char* const kTwoTables = "create table A (x int)\nGO\ncreate table B (y int)\nGO\n";

// The names of the files in a folder, sorted.
std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const varnett::Error& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(DemoBuild, FailuresLeaveNoFileAndNeverOverwrite)
{
    TempDir dir;
    writeFile(dir.file("good.sql"), kTwoTables);
    writeFile(dir.file("bad.sql"), "create table A (x int)\nGO\ncreate tabel B\nGO\n");
    writeFile(dir.file("taken.db"), "not a database");
    writeFile(dir.file("badschema.sql"), "create schema S\nGO\ncreate table S.A (x int)\nGO\ncreate tabel B\nGO\n");
    writeFile(dir.file("schema.sql"), "create schema S\nGO\ncreate table S.A (x int)\nGO\n");
    writeFile(dir.file("held.db-schema-S"), "someone else's file");

    struct Case {
        const char* name;
        std::string script;
        std::string target;
        std::string messageStart;
    };
    const std::vector<Case> cases = {
        {"failing batch", dir.file("bad.sql"), dir.file("out.db"), "batch 2: "},
        {"missing script", dir.file("none.sql"), dir.file("out.db"),
         "Cannot read the demo script '" + dir.file("none.sql") + "'"},
        {"existing target", dir.file("good.sql"), dir.file("taken.db"),
         dir.file("taken.db") + " already exists; it is not overwritten"},
        {"failing batch after a schema", dir.file("badschema.sql"), dir.file("out.db"), "batch 3: "},
        {"existing schema file", dir.file("schema.sql"), dir.file("held.db"),
         dir.file("held.db-schema-S") + " already exists; it is not overwritten"},
    };
    const std::vector<std::string> before = {"bad.sql", "badschema.sql", "good.sql",
                                             "held.db-schema-S", "schema.sql", "taken.db"};
    for (const Case& c : cases) {
        const std::string message = failureOf([&] { data::buildDemoDatabase(q(c.script), q(c.target)); });
        EXPECT_EQ(message.rfind(c.messageStart, 0), 0u) << c.name << ": " << message;
        EXPECT_EQ(filesIn(dir.path()), before) << c.name;
    }
    EXPECT_EQ(readFile(dir.file("taken.db")), "not a database");

    ASSERT_NO_THROW(data::buildDemoDatabase(q(dir.file("good.sql")), q(dir.file("out.db"))));
    auto built = data::openEngine("Provider=SQLite;Data Source=" + dir.file("out.db"));
    EXPECT_EQ(varnett::testing::shown(built->listTables()), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(readFile(dir.file("held.db-schema-S")), "someone else's file");

    // A schema's file comes beside the database under the name the database
    // records for it.
    // A wildcard character in the name is a plain character.
    ASSERT_NO_THROW(data::buildDemoDatabase(q(dir.file("schema.sql")), q(dir.file("two[1].db"))));
    auto schemas = data::openEngine("Provider=SQLite;Data Source=" + dir.file("two[1].db"));
    EXPECT_EQ(varnett::testing::shown(schemas->listTables()), (std::vector<std::string>{"S.A"}));
    std::vector<std::string> after = before;
    after.insert(after.end(), {"out.db", "two[1].db", "two[1].db-schema-S"});
    std::sort(after.begin(), after.end());
    EXPECT_EQ(filesIn(dir.path()), after);
}

TEST(DemoBuild, ScriptIsLookedForBesideTheProgramThenInTheDataFolders)
{
    TempDir dir;
    const std::string bin = dir.file("bin");
    const auto candidates = data::demoScriptCandidates(q(bin));
    ASSERT_GE(candidates.size(), 2);
    EXPECT_EQ(candidates[0], q(dir.file("share/varnett/sales.sql")));
    EXPECT_EQ(candidates[1], q(dir.file("bin/share/varnett/sales.sql")));
    for (qsizetype i = 2; i < candidates.size(); ++i)
        EXPECT_TRUE(candidates[i].endsWith(QStringLiteral("/varnett/sales.sql"))) << i;

    // The build folder: share/varnett in the program's own folder.
    fs::create_directories(dir.path() / "bin/share/varnett");
    writeFile(dir.file("bin/share/varnett/sales.sql"), kTwoTables);
    EXPECT_EQ(data::findDemoScript(q(bin)), q(dir.file("bin/share/varnett/sales.sql")));
    // An installation: share/varnett beside bin wins.
    fs::create_directories(dir.path() / "share/varnett");
    writeFile(dir.file("share/varnett/sales.sql"), kTwoTables);
    EXPECT_EQ(data::findDemoScript(q(bin)), q(dir.file("share/varnett/sales.sql")));
    // A folder of that name is not a script.
    TempDir other;
    fs::create_directories(other.path() / "share/varnett/sales.sql");
    const QString found = data::findDemoScript(q(other.file("bin")));
    EXPECT_NE(found, q(other.file("share/varnett/sales.sql")));
}

TEST(DemoSetup, FirstStartBuildsTheDatabaseTheDataLinkAndStoresTheConnection)
{
    TempDir dir;
    writeFile(dir.file("sales.sql"), kTwoTables);
    data::SettingsStore settings(q(dir.file("Varnett.ini")));
    const std::string folder = dir.file("data/Varnett");

    const std::string stored = data::prepareDemoConnection(settings, q(dir.file("sales.sql")), q(folder));
    const std::string expected = "Provider=SQLite;Data Source=" + folder + "/Sales.db";
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(settings.connectionString(), expected);
    EXPECT_EQ(data::readDataLinkFile(q(folder + "/DataLinks/Sales.udl")), q(expected));
    auto engine = data::openEngine(settings.connectionString());
    EXPECT_EQ(engine->databaseName(), "Sales");
    EXPECT_EQ(varnett::testing::shown(engine->listTables()), (std::vector<std::string>{"A", "B"}));

    // Once a connection is stored nothing is touched, even a lost database.
    engine.reset();
    fs::remove(folder + "/Sales.db");
    EXPECT_EQ(data::prepareDemoConnection(settings, q(dir.file("sales.sql")), q(folder)), "");
    EXPECT_FALSE(fs::exists(folder + "/Sales.db"));
    EXPECT_EQ(settings.connectionString(), expected);
}

TEST(DemoSetup, KeepsWhatIsThereAndQuotesAnAwkwardFolder)
{
    TempDir dir;
    writeFile(dir.file("sales.sql"), kTwoTables);
    // A folder name that needs quoting in a connection string, and a database
    // and data link file the user already has.
    const std::string folder = dir.file("my;data 'x'");
    fs::create_directories(fs::path(folder) / "DataLinks");
    data::buildDemoDatabase(q(dir.file("sales.sql")), q(folder + "/Sales.db"));
    writeFile(folder + "/DataLinks/Sales.udl", "[oledb]\nProvider=SQLite;Data Source=elsewhere.db\n");
    data::SettingsStore settings(q(dir.file("Varnett.ini")));

    const std::string stored =
        data::prepareDemoConnection(settings, q(dir.file("missing.sql")), q(folder));
    EXPECT_EQ(stored, "Provider=SQLite;Data Source=\"" + folder + "/Sales.db\"");
    EXPECT_EQ(varnett::testing::shown(data::openEngine(stored)->listTables()), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(readFile(folder + "/DataLinks/Sales.udl"),
              "[oledb]\nProvider=SQLite;Data Source=elsewhere.db\n");
}

TEST(DemoSetup, AFailedBuildStoresNothing)
{
    TempDir dir;
    writeFile(dir.file("bad.sql"), "create tabel A\nGO\n");
    data::SettingsStore settings(q(dir.file("Varnett.ini")));
    const std::string folder = dir.file("data/Varnett");

    const std::string message = failureOf(
        [&] { data::prepareDemoConnection(settings, q(dir.file("bad.sql")), q(folder)); });
    EXPECT_EQ(message.rfind("batch 1: ", 0), 0u) << message;
    EXPECT_EQ(settings.connectionString(), "");
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{});
}
