// What reaches SQL Server through FreeTDS: a fake server on 127.0.0.1 reads
// the LOGIN7 packet and gives back the user name, password and database it
// carried.
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/odbc/OdbcEngine.h"
#include "support/Engines.h"
#include "support/FakeTdsServer.h"

#include <gtest/gtest.h>

#include <filesystem>

using varnett::data::ConnectionString;
using varnett::data::defaultSqlServerDriver;
using varnett::data::openEngine;
using varnett::testing::decodeLoginPassword;
using varnett::testing::errorOf;
using varnett::testing::FakeTdsServer;

TEST(FakeTdsLogin, PasswordObfuscationIsUndone)
{
    // "a" is 0x61: nibbles swapped 0x16, XOR 0xA5 gives 0xB3.
    EXPECT_EQ(decodeLoginPassword("\xB3"), "a");
    // "}" is 0x7D: 0xD7 swapped, 0x72 after the XOR; NUL becomes 0xA5.
    EXPECT_EQ(decodeLoginPassword(std::string("\xB3\xA5\x72\xA5", 4)), std::string("a\0}\0", 4));
}

TEST(FakeTdsLogin, BracesSemicolonsAndEqualsReachTheServerUnchanged)
{
#ifndef VARNETT_HAVE_ODBC
    GTEST_SKIP() << "built without unixODBC";
#endif
    if (!std::filesystem::exists(defaultSqlServerDriver()))
        GTEST_SKIP() << "FreeTDS ODBC driver library not found";

    struct Case {
        std::string user, password, database;
    };
    const Case cases[] = {
        {"sa", "secret", "Sales"},
        {"sa", "p}w", "Sales"},
        {"sa", "p;w", "Sa;les"},
        {"u}s;r", "{p}", "d{b}"},
        {"sa", "=abc", "x=y"},
        {"sa", "a}b;c", "db"},
        {"sa", "x}", "db}"},
        {"sa", "{", "}"},
        {"sa", " blanks ", "db"},
        {"sa", "'\"", "db"},
        {"s\xC3\xA4", "\xC3\x9C\xE2\x82\xAC\xF0\x9F\x98\x80", "\xCE\xA9\xCE\xBC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        FakeTdsServer server(std::chrono::seconds(10));
        ConnectionString cs;
        cs.set("Provider", "SQLOLEDB.1");
        cs.set("Data Source", "127.0.0.1," + std::to_string(server.port()));
        cs.set("Initial Catalog", c.database);
        cs.set("User ID", c.user);
        cs.set("Password", c.password);
        cs.set("Connect Timeout", "5");
        // The fake server hangs up after the login, so opening fails.
        const std::string error = errorOf([&] { openEngine(cs.render()); });
        EXPECT_NE(error, "(no error)");
        if (c.password.size() >= 3) { // shorter ones may stand in any message by chance
            EXPECT_EQ(error.find(c.password), std::string::npos) << error;
        }
        auto login = server.login();
        ASSERT_TRUE(login.has_value()) << server.problem();
        EXPECT_EQ(login->userName, c.user);
        EXPECT_EQ(login->password, c.password);
        EXPECT_EQ(login->database, c.database);
    }
}

TEST(FakeTdsLogin, APasswordFreeTdsCannotTakeIsRefusedBeforeConnecting)
{
#ifndef VARNETT_HAVE_ODBC
    GTEST_SKIP() << "built without unixODBC";
#endif
    FakeTdsServer server(std::chrono::milliseconds(300));
    const std::string error = errorOf([&] {
        openEngine("Provider=SQLOLEDB;Data Source=127.0.0.1," + std::to_string(server.port())
                   + ";User ID=sa;Password=\"ab};cd\";Connect Timeout=5");
    });
    EXPECT_EQ(error.find("ab};cd"), std::string::npos) << error;
    EXPECT_NE(error.find("FreeTDS driver cannot take the value of PWD"), std::string::npos) << error;
    EXPECT_FALSE(server.login().has_value());
    EXPECT_EQ(server.problem(), "the time ran out");
}
