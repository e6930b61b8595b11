// Connection strings: what render() writes parses back to the same keys and
// values, and no message, shown string or stored setting holds a password.
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "data/odbc/OdbcConnectionString.h"
#include "support/Engines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using varnett::data::Connection;
using varnett::data::ConnectionString;
using varnett::data::openEngine;
using varnett::data::SettingsStore;
using varnett::data::TDataMain;
using varnett::testing::errorOf;
using varnett::testing::TempDir;
using varnett::testing::writeFile;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// Every case below hides "S3cr3t" in its password.
bool holdsSecret(const std::string& text)
{
    return text.find("S3c") != std::string::npos || text.find("r3t") != std::string::npos;
}

} // namespace

TEST(ConnectionSecrets, RenderedValuesParseBackUnchanged)
{
    const std::string values[] = {
        "=abc", "==", "=", "", " lead", "trail ", "\tboth\n", "a;b", ";", "\"q", "'q", "x\"y'z",
        "\"'", "it's", "{p}w}", "}", "k=v", "a==b", "nul\0inside"s, "\r\n", "\"\"", "''",
    };
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        ConnectionString cs;
        cs.set("Provider", "SQLOLEDB");
        cs.set("Password", value);
        cs.set("Key=With=Equals", value);
        cs.set("Last", value);
        const ConnectionString back = ConnectionString::parse(cs.render());
        EXPECT_EQ(back.items(), cs.items());
    }
    ConnectionString equals;
    equals.set("Password", "=abc");
    EXPECT_EQ(equals.render(), "Password=\"=abc\"");
}

TEST(ConnectionSecrets, NoMessageOrShownStringHoldsThePassword)
{
    // Each string is malformed after (or inside) a password holding the secret.
    const std::pair<std::string, std::string> cases[] = {
        {"Provider=SQLOLEDB;Data Source=srv;Password=ab;S3cr3t;User ID=sa",
         "Invalid connection string: entry 4 has no '=' and no value"},
        {"Provider=SQLOLEDB;Password=x;S3cr3t=\"open;Data Source=srv",
         "Invalid connection string: the value of entry 3 has no closing quote"},
        {"Provider=SQLOLEDB;Pwd=x;S3cr3t='a'r3t",
         "Invalid connection string: text follows the quoted value of entry 3"},
        {"Provider=SQLOLEDB;Password=\"S3cr3t",
         "Invalid connection string: the value of 'Password' has no closing quote"},
        {"Provider=SQLOLEDB;Password='S3c'r3t;Data Source=srv",
         "Invalid connection string: text follows the quoted value of 'Password'"},
        {"Provider=SQLOLEDB;Password=S3c;=r3t", "Invalid connection string: the value of entry 3 has no key"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        const std::string parseError = errorOf([&text = text] { ConnectionString::parse(text); });
        EXPECT_EQ(parseError, message);
        EXPECT_FALSE(holdsSecret(errorOf([&text = text] { openEngine(text); })));

        Connection connection;
        connection.setConnectionString(text);
        const std::string shown = connection.connectionString();
        EXPECT_FALSE(holdsSecret(shown)) << shown;
        EXPECT_EQ(shown.find("Password"), std::string::npos) << shown;
        EXPECT_EQ(shown.find("Pwd"), std::string::npos) << shown;
    }
    // What reads well before a fault and before the password is still shown.
    Connection connection;
    connection.setConnectionString("Provider=SQLOLEDB;Data Source=srv;Password=ab;S3cr3t;x=1");
    EXPECT_EQ(connection.connectionString(), "Provider=SQLOLEDB;Data Source=srv");
    // A key before any password is named: it cannot be part of one.
    EXPECT_EQ(errorOf([] { ConnectionString::parse("Provider=SQLite;Data Source"); }),
              "Invalid connection string: the key 'Data Source' has no '=' and no value");

    // A password FreeTDS cannot take is refused without quoting it.
    const std::string refused = errorOf([] {
        varnett::data::toOdbcConnectRequest(
            ConnectionString::parse("Provider=SQLOLEDB;Data Source=h;Password=\"S3c};r3t\""),
            "FreeTDS");
    });
    EXPECT_EQ(refused, "The FreeTDS driver cannot take the value of PWD: it ends a braced value"
                       " at a '}' followed by ';'. Name a Driver that follows the ODBC rules, or"
                       " change the value");
    EXPECT_EQ(errorOf([] {
                  varnett::data::toOdbcConnectRequest(
                      ConnectionString::parse("Provider=SQLOLEDB;Data Source=h;User ID=\"a\0b\""s),
                      "FreeTDS");
              }),
              "The value of UID holds a NUL character");
}

TEST(ConnectionSecrets, AMalformedStoredStringIsNotStoredBackWithItsPassword)
{
    TempDir dir;
    SettingsStore store(QString::fromStdString(dir.file("Varnett.ini")));
    const std::string stored = "Provider=SQLite;Data Source=" + dir.file("none.db")
        + ";Password=ab;S3cr3t;more";
    store.setConnectionString(stored);

    TDataMain dataMain(store);
    const std::string startError = errorOf([&] { dataMain.DataModuleCreate(); });
    EXPECT_EQ(startError, "Invalid connection string: entry 4 has no '=' and no value");
    // Change connection, then Cancel: the store gets what the connection reports.
    dataMain.db().close();
    dataMain.storeConnectionString();
    EXPECT_EQ(store.connectionString(), "Provider=SQLite;Data Source=" + dir.file("none.db"));
}

TEST(ConnectionSecrets, ADataSourceThatIsNoDatabaseFileSaysSo)
{
    TempDir dir;
    fs::create_directory(dir.path() / "folder");
    writeFile(dir.file("notes.txt"), "These are notes, not a database, and long enough to show it."
                                     " SQLite reads the first hundred bytes as its header.");
    fs::create_symlink("/dev/null", dir.path() / "null.db");
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/null", "'/dev/null' is a device or other special file, not a database file."},
        {dir.file("null.db"),
         "'" + dir.file("null.db") + "' is a device or other special file, not a database file."},
        {dir.file("folder"), "'" + dir.file("folder") + "' is a folder, not a database file."},
        {dir.file("notes.txt"),
         "Cannot open the database file '" + dir.file("notes.txt") + "': file is not a database."},
        {dir.file("none.db"), "The database file '" + dir.file("none.db") + "' does not exist."},
        {dir.file("notes.txt") + "\0.db"s,
         "The Data Source holds a NUL character; a file name cannot hold one."},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        ConnectionString cs;
        cs.set("Provider", "SQLite");
        cs.set("Data Source", path);
        EXPECT_EQ(errorOf([&] { openEngine(cs.render()); }), message);
    }
}
