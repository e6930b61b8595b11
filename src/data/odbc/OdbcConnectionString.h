#pragma once

#include "data/ConnectionString.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// Providers reached through ODBC.
enum class OdbcProvider {
    None,       // not an ODBC provider
    SqlServer,  // SQLOLEDB, SQLOLEDB.1, SQLNCLI..., MSOLEDBSQL...
    Generic,    // MSDASQL: the string is an ODBC connection string for any driver
};

OdbcProvider odbcProviderOf(std::string_view provider);

// What SQLDriverConnect needs for an OLE DB connection string.
struct OdbcConnectRequest {
    std::string connectionString;       // the ODBC form: "Driver={...};Server=...;..."
    std::optional<int> loginTimeout;    // seconds; none leaves the driver's default
    // FreeTDS takes a CA file from a freetds.conf section only: for a FreeTDS
    // connection that checks the server's certificate, the text of that file
    // (section "varnett": host, port or instance, the trust store, the host
    // name check), which the connection string names as its Servername.
    // Empty otherwise.
    std::string freeTdsConfig;
    // True when the driver is told to check the server's certificate.
    bool checksCertificate = false;
};

// Maps an OLE DB connection string to its ODBC form.
//
// SQL Server providers: Data Source (host, host\instance, host,port, (local),
// "."), Initial Catalog, User ID and Password or a trusted login, Application
// Name, Workstation ID, Use Encryption for Data, Trust Server Certificate and
// Connect Timeout (15 seconds when absent) become the driver's keys. Use
// Encryption for Data=True encrypts and checks the server's certificate
// against the trust store (trustStoreFile) unless Trust Server Certificate is
// True: FreeTDS gets Encryption=require (and, to check, freeTdsConfig), other
// drivers Encrypt=Yes and TrustServerCertificate. The Driver
// key names the ODBC driver; without it `defaultDriver` is used. FreeTDS
// drivers get TDS version 7.4 and UTF-8 as the client character set, and
// values braced as FreeTDS reads them (no "}}" doubling; a value holding
// "};" is refused); other drivers get the ODBC rules of odbcValue. Keys of
// no use to ODBC (Persist Security Info, Locale Identifier, Packet Size, ...)
// are left out.
//
// MSDASQL: Extended Properties, when given, is the ODBC string; otherwise the
// remaining keys are. Data Source, User ID, Password and Initial Catalog
// become DSN, UID, PWD and DATABASE; Connect Timeout the login timeout.
//
// Throws varnett::Error for a provider that is not an ODBC one and for values
// that cannot be mapped (a port or timeout that is no number, a yes/no key
// holding something else, a NUL character). No message quotes a password.
OdbcConnectRequest toOdbcConnectRequest(const ConnectionString& oledb,
                                        const std::string& defaultDriver);

// The CA file a checked certificate must lead to: VARNETT_CA_FILE when set,
// else the system's trust store (the first bundle that exists of the usual
// places, else "system", which FreeTDS's TLS library reads as the same).
std::string trustStoreFile();

// The message for a failed connection: where the driver's records (every
// one, informational ones too) say the certificate was refused (FreeTDS says
// only "Adaptive Server connection failed" when a checked one is refused), a
// message naming the cause and the option to skip the check, the driver's
// text after it; else the driver's text as it is.
std::string connectFailureMessage(const std::string& driverText,
                                  const std::vector<std::string>& records,
                                  bool checkedCertificate);

// True when the driver name or library path names FreeTDS.
bool isFreeTdsDriver(std::string_view driver);

// An ODBC attribute value as it stands after "Key=": braced ("{a;b}", with
// "}" doubled inside) when it holds ; { } = or blanks at either end.
std::string odbcValue(std::string_view value);

} // namespace varnett::data
