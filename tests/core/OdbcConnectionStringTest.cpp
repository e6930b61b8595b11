#include "sqltext/Error.h"
#include "data/odbc/OdbcConnectionString.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace varnett::data;

namespace {

struct MappingCase {
    const char* oledb;
    const char* odbc;
    std::optional<int> loginTimeout;
};

OdbcConnectRequest map(const char* oledb)
{
    return toOdbcConnectRequest(ConnectionString::parse(oledb), "FreeTDS");
}

} // namespace

TEST(OdbcConnectionString, SqlServerKeysMapToFreeTds)
{
    const MappingCase cases[] = {
        {"Provider=SQLOLEDB.1;Data Source=db01;Initial Catalog=Sales;User ID=sa;Password=secret",
         "Driver=FreeTDS;Server=db01;Database=Sales;UID=sa;PWD=secret;TDS_Version=7.4;"
         "ClientCharset=UTF-8",
         15},
        {"Provider=SQLOLEDB;Data Source=db01\\SQLEXPRESS;Connect Timeout=5",
         "Driver=FreeTDS;Server=db01\\SQLEXPRESS;TDS_Version=7.4;ClientCharset=UTF-8", 5},
        {"Provider=SQLOLEDB;Data Source=db01,1500",
         "Driver=FreeTDS;Server=db01;Port=1500;TDS_Version=7.4;ClientCharset=UTF-8", 15},
        {"Provider=SQLOLEDB;Data Source=tcp:db01 , 1433",
         "Driver=FreeTDS;Server=db01;Port=1433;TDS_Version=7.4;ClientCharset=UTF-8", 15},
        {"Provider=SQLOLEDB;Data Source=(local)",
         "Driver=FreeTDS;Server=localhost;TDS_Version=7.4;ClientCharset=UTF-8", 15},
        {"Provider=SQLOLEDB;Data Source=.",
         "Driver=FreeTDS;Server=localhost;TDS_Version=7.4;ClientCharset=UTF-8", 15},
        {"Provider=SQLOLEDB;Data Source=.\\SQLEXPRESS",
         "Driver=FreeTDS;Server=localhost\\SQLEXPRESS;TDS_Version=7.4;ClientCharset=UTF-8", 15},
        {"Provider=SQLOLEDB;Initial Catalog=Sales",
         "Driver=FreeTDS;Server=localhost;Database=Sales;TDS_Version=7.4;ClientCharset=UTF-8", 15},
        // A trusted login sends no user name or password.
        {"Provider=SQLNCLI11;Data Source=db01;Integrated Security=SSPI;User ID=sa;Password=x",
         "Driver=FreeTDS;Server=db01;Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8",
         15},
        {"Provider=MSOLEDBSQL19;Data Source=db01;Trusted_Connection=Yes",
         "Driver=FreeTDS;Server=db01;Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8",
         15},
        {"Provider=SQLOLEDB;Data Source=db01;Application Name=Varnett;Workstation ID=WS 7;"
         "Use Encryption for Data=True;Trust Server Certificate=True",
         "Driver=FreeTDS;Server=db01;APP=Varnett;WSID=WS 7;Encryption=require;TDS_Version=7.4;"
         "ClientCharset=UTF-8",
         15},
        // Keys ODBC has no use for are dropped from the ODBC string.
        {"Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=db01;Locale Identifier=1033;"
         "General Timeout=0;Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096",
         "Driver=FreeTDS;Server=db01;TDS_Version=7.4;ClientCharset=UTF-8", 15},
        // Values with ; { } = are braced; FreeTDS takes what stands between
        // the braces as it is, "}" included.
        {"Provider=SQLOLEDB;Data Source=db01;User ID=a=b;Password=\"p;w}d\"",
         "Driver=FreeTDS;Server=db01;UID={a=b};PWD={p;w}d};TDS_Version=7.4;ClientCharset=UTF-8",
         15},
        // A value ending in "}": FreeTDS ends the value at the "}" before ";".
        {"Provider=SQLOLEDB;Data Source=host}",
         "Driver=FreeTDS;Server={host}};TDS_Version=7.4;ClientCharset=UTF-8", 15},
        {"Provider=SQLOLEDB;Data Source=db01;Password=\"\"",
         "Driver=FreeTDS;Server=db01;PWD=;TDS_Version=7.4;ClientCharset=UTF-8", 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oledb);
        OdbcConnectRequest request = map(c.oledb);
        EXPECT_EQ(request.connectionString, c.odbc);
        EXPECT_EQ(request.loginTimeout, c.loginTimeout);
    }
}

TEST(OdbcConnectionString, NamedDriversGetTheirOwnKeys)
{
    const MappingCase cases[] = {
        {"Provider=SQLOLEDB;Driver={ODBC Driver 18 for SQL Server};Data Source=db01,1433;"
         "User ID=sa;Password=pw;Use Encryption for Data=True;Trust Server Certificate=Yes",
         "Driver={ODBC Driver 18 for SQL Server};Server=db01,1433;UID=sa;PWD=pw;Encrypt=Yes;"
         "TrustServerCertificate=Yes",
         15},
        // Other drivers follow the ODBC rules: "}" doubled inside braces.
        {"Provider=SQLOLEDB;Driver=ODBC Driver 18 for SQL Server;Data Source=db01;"
         "User ID=\"u}{;x\";Password=\"p}w;{\";Initial Catalog=d}b",
         "Driver=ODBC Driver 18 for SQL Server;Server=db01;Database={d}}b};UID={u}}{;x};"
         "PWD={p}}w;{}",
         15},
        {"Provider=SQLOLEDB;Driver=ODBC Driver 17 for SQL Server;Data Source=(local)\\DEV;"
         "Use Encryption for Data=False;Connect Timeout=30",
         "Driver=ODBC Driver 17 for SQL Server;Server=(local)\\DEV;Encrypt=No", 30},
        // A driver given by its FreeTDS library still gets the FreeTDS keys.
        {"Provider=SQLOLEDB;Driver=/usr/lib/odbc/libtdsodbc.so;Data Source=db01,2000",
         "Driver=/usr/lib/odbc/libtdsodbc.so;Server=db01;Port=2000;TDS_Version=7.4;"
         "ClientCharset=UTF-8",
         15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oledb);
        OdbcConnectRequest request = map(c.oledb);
        EXPECT_EQ(request.connectionString, c.odbc);
        EXPECT_EQ(request.loginTimeout, c.loginTimeout);
    }
    EXPECT_EQ(toOdbcConnectRequest(ConnectionString::parse("Provider=SQLOLEDB;Data Source=h"),
                                   "SQL Server")
                  .connectionString,
              "Driver=SQL Server;Server=h");
}

TEST(OdbcConnectionString, MsdasqlPassesTheOdbcString)
{
    const MappingCase cases[] = {
        {"Provider=MSDASQL;Driver=/usr/lib/x/libsqlite3odbc.so;Database=/tmp/a b.db",
         "Driver=/usr/lib/x/libsqlite3odbc.so;Database=/tmp/a b.db", std::nullopt},
        {"Provider=MSDASQL.1;Persist Security Info=True;Data Source=Payroll;User ID=u;Password=p",
         "DSN=Payroll;UID=u;PWD=p", std::nullopt},
        {"Provider=MSDASQL;Driver={SQLite3};Database=x.db;Connect Timeout=9",
         "Driver={SQLite3};Database=x.db", 9},
        {"Provider=MSDASQL;Extended Properties=\"DRIVER={SQLite3};DATABASE=a;b.db\";User ID=u;"
         "Foo=bar",
         "DRIVER={SQLite3};DATABASE=a;b.db;UID=u", std::nullopt},
        {"Provider=MSDASQL;Driver=x;Password=\"a;b\"", "Driver=x;PWD={a;b}", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oledb);
        OdbcConnectRequest request = map(c.oledb);
        EXPECT_EQ(request.connectionString, c.odbc);
        EXPECT_EQ(request.loginTimeout, c.loginTimeout);
    }
}

TEST(OdbcConnectionString, BadValuesAreErrorsNamingThem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Provider=SQLOLEDB;Data Source=db01,abc", "Invalid port 'abc' in the Data Source 'db01,abc'"},
        {"Provider=SQLOLEDB;Data Source=db01,70000", "Invalid port '70000'"},
        {"Provider=SQLOLEDB;Data Source=db01;Connect Timeout=soon", "Invalid Connect Timeout value 'soon'"},
        {"Provider=SQLOLEDB;Data Source=db01;Connect Timeout=-1", "Invalid Connect Timeout value '-1'"},
        {"Provider=SQLOLEDB;Use Encryption for Data=maybe",
         "Invalid value 'maybe' for 'Use Encryption for Data'"},
        {"Provider=MSDASQL;Persist Security Info=False", "names no ODBC data source or driver"},
        {"Provider=SQLite;Data Source=x.db", "Provider 'SQLite' is not reached through ODBC"},
        {"Provider=SQLOLEDB;Data Source=db#01;Use Encryption for Data=True",
         "The FreeTDS driver cannot check the certificate for the server 'db#01'"},
        {"Provider=SQLOLEDB;Data Source=db01;Trust Server Certificate=sometimes",
         "Invalid value 'sometimes' for 'Trust Server Certificate'"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            map(text);
            ADD_FAILURE() << "no error";
        } catch (const varnett::Error& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(OdbcConnectionString, EncryptionChecksTheCertificateUnlessTrusted)
{
    struct Case {
        const char* oledb;
        const char* odbc;
        const char* freeTdsConfig;
        bool checks;
    };
    const char* previous = std::getenv("VARNETT_CA_FILE");
    const std::string kept = previous ? previous : "";
    setenv("VARNETT_CA_FILE", "/ca/test ca.pem", 1);
    const Case cases[] = {
        {"Provider=SQLOLEDB;Data Source=db01,1500;Initial Catalog=Sales;User ID=sa;Password=pw;"
         "Use Encryption for Data=True",
         "Driver=FreeTDS;Servername=varnett;Database=Sales;UID=sa;PWD=pw;Encryption=require;"
         "TDS_Version=7.4;ClientCharset=UTF-8",
         "[varnett]\n\thost = db01\n\tport = 1500\n\tca file = /ca/test ca.pem\n"
         "\tcheck certificate hostname = yes\n",
         true},
        {"Provider=SQLOLEDB;Data Source=(local)\\DEV;Use Encryption for Data=Yes;"
         "Trust Server Certificate=False",
         "Driver=FreeTDS;Servername=varnett;Encryption=require;TDS_Version=7.4;ClientCharset=UTF-8",
         "[varnett]\n\thost = localhost\n\tinstance = DEV\n\tca file = /ca/test ca.pem\n"
         "\tcheck certificate hostname = yes\n",
         true},
        // Trusted: encrypted, nothing checked.
        {"Provider=SQLOLEDB;Data Source=db01;Use Encryption for Data=True;"
         "Trust Server Certificate=True",
         "Driver=FreeTDS;Server=db01;Encryption=require;TDS_Version=7.4;ClientCharset=UTF-8", "",
         false},
        {"Provider=SQLOLEDB;Data Source=db01;Use Encryption for Data=False",
         "Driver=FreeTDS;Server=db01;Encryption=request;TDS_Version=7.4;ClientCharset=UTF-8", "",
         false},
        {"Provider=SQLOLEDB;Driver=ODBC Driver 18 for SQL Server;Data Source=db01;"
         "Use Encryption for Data=True",
         "Driver=ODBC Driver 18 for SQL Server;Server=db01;Encrypt=Yes", "", true},
        {"Provider=SQLOLEDB;Driver=ODBC Driver 18 for SQL Server;Data Source=db01;"
         "Use Encryption for Data=True;Trust Server Certificate=True",
         "Driver=ODBC Driver 18 for SQL Server;Server=db01;Encrypt=Yes;TrustServerCertificate=Yes",
         "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oledb);
        const OdbcConnectRequest request = map(c.oledb);
        EXPECT_EQ(request.connectionString, c.odbc);
        EXPECT_EQ(request.freeTdsConfig, c.freeTdsConfig);
        EXPECT_EQ(request.checksCertificate, c.checks);
    }
    EXPECT_EQ(trustStoreFile(), "/ca/test ca.pem");
    if (previous)
        setenv("VARNETT_CA_FILE", kept.c_str(), 1);
    else
        unsetenv("VARNETT_CA_FILE");
    EXPECT_FALSE(trustStoreFile().empty());
}

TEST(OdbcConnectionString, RefusedCertificatesAreExplained)
{
    struct Case {
        std::string driverText;
        std::vector<std::string> records;
        bool refused;
    };
    const Case cases[] = {
        // FreeTDS: the refusal is an informational record beside the error.
        {"Unable to connect to data source",
         {"Unable to connect to data source", "Adaptive Server connection failed"}, true},
        {"SSL Provider: certificate verify failed", {"SSL Provider: certificate verify failed"},
         true},
        {"Login failed for user 'sa'.",
         {"Login failed for user 'sa'.", "Adaptive Server connection failed"}, false},
        {"Unable to connect: Adaptive Server is unavailable or does not exist",
         {"Unable to connect: Adaptive Server is unavailable or does not exist"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driverText);
        const std::string message = connectFailureMessage(c.driverText, c.records, true);
        // Without the check the failure is the driver's own.
        EXPECT_EQ(connectFailureMessage(c.driverText, c.records, false), c.driverText);
        if (!c.refused) {
            EXPECT_EQ(message, c.driverText);
            continue;
        }
        EXPECT_EQ(message.rfind("The server's certificate is not trusted", 0), 0u) << message;
        EXPECT_NE(message.find("Trust Server Certificate=True skips the check, which lets anyone"
                               " between you and the server read and change the traffic."),
                  std::string::npos);
        EXPECT_EQ(message.substr(message.size() - c.driverText.size()), c.driverText);
    }
}

TEST(OdbcConnectionString, ProvidersValuesAndDrivers)
{
    EXPECT_EQ(odbcProviderOf("SQLOLEDB"), OdbcProvider::SqlServer);
    EXPECT_EQ(odbcProviderOf("sqloledb.1"), OdbcProvider::SqlServer);
    EXPECT_EQ(odbcProviderOf("SQLNCLI10"), OdbcProvider::SqlServer);
    EXPECT_EQ(odbcProviderOf(" MSOLEDBSQL "), OdbcProvider::SqlServer);
    EXPECT_EQ(odbcProviderOf("MSDASQL"), OdbcProvider::Generic);
    EXPECT_EQ(odbcProviderOf("SQLite"), OdbcProvider::None);
    EXPECT_EQ(odbcProviderOf("SQLOLEDB.2"), OdbcProvider::None);

    EXPECT_EQ(odbcValue("plain text"), "plain text");
    EXPECT_EQ(odbcValue("a;b"), "{a;b}");
    EXPECT_EQ(odbcValue("a}b"), "{a}}b}");
    EXPECT_EQ(odbcValue("{x}"), "{{x}}}");
    EXPECT_EQ(odbcValue("k=v"), "{k=v}");
    EXPECT_EQ(odbcValue(" edge"), "{ edge}");
    EXPECT_EQ(odbcValue(""), "");

    EXPECT_TRUE(isFreeTdsDriver("FreeTDS"));
    EXPECT_TRUE(isFreeTdsDriver("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"));
    EXPECT_FALSE(isFreeTdsDriver("ODBC Driver 18 for SQL Server"));
}
