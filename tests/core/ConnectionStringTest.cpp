#include "data/ConnectionString.h"
#include "sqltext/Error.h"

#include <gtest/gtest.h>

using varnett::Error;
using varnett::data::ConnectionString;

TEST(ConnectionStringTest, ParsesKeysWithoutRegardToCaseAndTrimsBlanks)
{
    auto parsed = ConnectionString::parse(
        " Provider = SQLOLEDB.1 ;Initial Catalog=Sales; data source=srv\\inst,1433;;");
    EXPECT_EQ(parsed.value("provider"), "SQLOLEDB.1");
    EXPECT_EQ(parsed.value("INITIAL CATALOG"), "Sales");
    EXPECT_EQ(parsed.value("Data Source"), "srv\\inst,1433");
    EXPECT_FALSE(parsed.get("User ID").has_value());
    EXPECT_EQ(parsed.items().size(), 3u);
}

TEST(ConnectionStringTest, QuotedValuesKeepSemicolonsAndDoubledQuotes)
{
    auto parsed = ConnectionString::parse(
        "Password=\"a;b\"\"c\";Data Source='C:\\My Files\\x.db';Key==Name=v");
    EXPECT_EQ(parsed.value("Password"), "a;b\"c");
    EXPECT_EQ(parsed.value("Data Source"), "C:\\My Files\\x.db");
    EXPECT_EQ(parsed.value("Key=Name"), "v");
}

TEST(ConnectionStringTest, MalformedTextNamesTheProblem)
{
    try {
        ConnectionString::parse("Provider=SQLite;Password=\"open");
        FAIL() << "an unterminated quote was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(),
                     "Invalid connection string: the value of 'Password' has no closing quote");
    }
    try {
        ConnectionString::parse("Provider=SQLite;Data Source");
        FAIL() << "a key without '=' was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(),
                     "Invalid connection string: the key 'Data Source' has no '=' and no value");
    }
    EXPECT_THROW(ConnectionString::parse("=x"), Error);
    EXPECT_THROW(ConnectionString::parse("Password='a'b"), Error);
}

TEST(ConnectionStringTest, RenderingLeavesThePasswordOutUnlessPersisted)
{
    auto hidden = ConnectionString::parse(
        "Provider=SQLOLEDB.1;User ID=sa;Password=\"se;cret\";Data Source=srv");
    EXPECT_EQ(hidden.renderForDisplay(), "Provider=SQLOLEDB.1;User ID=sa;Data Source=srv");
    EXPECT_EQ(hidden.render(),
              "Provider=SQLOLEDB.1;User ID=sa;Password=\"se;cret\";Data Source=srv");

    auto persisted = ConnectionString::parse(
        "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Pwd=x");
    EXPECT_EQ(persisted.renderForDisplay(),
              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Pwd=x");
}

TEST(ConnectionStringTest, RenderedTextParsesBackToTheSameValues)
{
    ConnectionString original;
    original.set("Provider", "SQLite");
    original.set("Data Source", " /tmp/a;b.db");
    original.set("Extended Properties", "\"Driver=x;Y=1\"");
    original.set("Key=With=Equals", "v");
    auto reparsed = ConnectionString::parse(original.render());
    EXPECT_EQ(reparsed.value("Data Source"), " /tmp/a;b.db");
    EXPECT_EQ(reparsed.value("Extended Properties"), "\"Driver=x;Y=1\"");
    EXPECT_EQ(reparsed.value("Key=With=Equals"), "v");
    original.set("provider", "Other");
    EXPECT_EQ(original.value("Provider"), "Other");
    EXPECT_EQ(original.items().size(), 4u);
}
