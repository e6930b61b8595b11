#include "data/odbc/OdbcConnectionString.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

namespace varnett::data {

namespace {

constexpr int kDefaultLoginTimeout = 15; // seconds, as the OLE DB providers have it

using sqltext::equalsNoCase;
using sqltext::startsWithNoCase;

std::string trim(std::string_view text)
{
    return std::string(sqltext::trim(text, sqltext::isBlankOrLineBreak));
}

std::string lower(std::string_view text) { return sqltext::toLowerAscii(text); }

bool isDigits(std::string_view text)
{
    return !text.empty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first of several spellings of a key that the string holds.
std::optional<std::string> firstOf(const ConnectionString& cs,
                                   std::initializer_list<std::string_view> keys)
{
    for (auto key : keys)
        if (auto value = cs.get(key))
            return value;
    return std::nullopt;
}

bool yesNo(std::string_view key, const std::string& raw)
{
    std::string value = lower(trim(raw));
    if (value == "true" || value == "yes" || value == "1" || value == "sspi")
        return true;
    if (value.empty() || value == "false" || value == "no" || value == "0")
        return false;
    throw Error("Invalid value '" + raw + "' for '" + std::string(key)
                + "': True or False is expected");
}

std::optional<int> loginTimeoutOf(const ConnectionString& cs)
{
    auto raw = firstOf(cs, {"Connect Timeout", "Connection Timeout"});
    if (!raw)
        return std::nullopt;
    std::string value = trim(*raw);
    if (!isDigits(value) || value.size() > 9)
        throw Error("Invalid Connect Timeout value '" + *raw
                    + "': a whole number of seconds is expected");
    return std::stoi(value);
}

// A value that is already in braces, with every "}" inside doubled, is kept
// as written; anything else is braced when it needs it.
bool isBraced(std::string_view value)
{
    if (value.size() < 2 || value.front() != '{' || value.back() != '}')
        return false;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '}') {
            if (i + 2 >= value.size() || value[i + 1] != '}')
                return false;
            ++i;
        }
    }
    return true;
}

std::string passThrough(std::string_view value)
{
    return isBraced(value) ? std::string(value) : odbcValue(value);
}

// A FreeTDS driver reads a braced value literally up to the first "}" that
// is followed by ";" (at the very end of the string it keeps the closing
// brace as part of the value), and it does not undouble "}}". So a value is
// braced without doubling, and the string goes on with a ";" after it. A
// value holding "};" cannot be given at all.
std::string freeTdsValue(std::string_view key, std::string_view value)
{
    std::string standard = odbcValue(value);
    if (standard.size() == value.size())
        return standard; // needs no braces
    if (value.find("};") != std::string_view::npos)
        throw Error("The FreeTDS driver cannot take the value of " + std::string(key)
                    + ": it ends a braced value at a '}' followed by ';'. Name a Driver that"
                      " follows the ODBC rules, or change the value");
    return "{" + std::string(value) + "}";
}

class OdbcString {
public:
    explicit OdbcString(bool freeTds = false) : m_freeTds(freeTds) {}

    // A NUL would end the string for the driver, so it is refused.
    void add(std::string_view key, std::string renderedValue)
    {
        if (renderedValue.find('\0') != std::string::npos)
            throw Error("The value of " + std::string(key) + " holds a NUL character");
        if (!m_text.empty())
            m_text += ';';
        m_text += key;
        m_text += '=';
        m_text += renderedValue;
        m_endsBraced = !renderedValue.empty() && renderedValue.back() == '}';
    }
    // Adds a value so that the driver reads it back unchanged.
    void addValue(std::string_view key, std::string_view value)
    {
        add(key, m_freeTds ? freeTdsValue(key, value) : odbcValue(value));
    }
    void addRaw(std::string_view text)
    {
        if (text.find('\0') != std::string_view::npos)
            throw Error("The Extended Properties hold a NUL character");
        std::string trimmed = trim(text);
        while (!trimmed.empty() && trimmed.back() == ';')
            trimmed.pop_back();
        if (trimmed.empty())
            return;
        if (!m_text.empty())
            m_text += ';';
        m_text += trimmed;
        m_endsBraced = false;
    }
    std::string text() const { return m_freeTds && m_endsBraced ? m_text + ';' : m_text; }

private:
    bool m_freeTds;
    bool m_endsBraced = false;
    std::string m_text;
};

struct FreeTdsServer {
    std::string host;
    std::string port;       // empty when none is given
    std::string instance;   // empty when none is given; a port wins over it
};

// A Data Source as FreeTDS needs it, which knows neither "host,port" nor
// "(local)": the port apart, the local names as localhost.
FreeTdsServer freeTdsServerOf(const std::string& dataSource)
{
    std::string text = trim(dataSource);
    if (startsWithNoCase(text, "tcp:"))
        text = trim(text.substr(4));
    std::string port;
    if (auto comma = text.rfind(','); comma != std::string::npos) {
        port = trim(text.substr(comma + 1));
        text = trim(text.substr(0, comma));
        if (!isDigits(port) || port.size() > 5 || std::stoi(port) > 65535)
            throw Error("Invalid port '" + port + "' in the Data Source '" + dataSource + "'");
    }
    std::string host = text;
    std::string instance;
    if (auto slash = text.find('\\'); slash != std::string::npos) {
        host = trim(text.substr(0, slash));
        instance = trim(text.substr(slash + 1));
    }
    if (host.empty() || host == "." || equalsNoCase(host, "(local)"))
        host = "localhost";
    return {host, port, port.empty() ? instance : std::string()};
}

void addFreeTdsServer(OdbcString& out, const std::string& dataSource)
{
    const FreeTdsServer server = freeTdsServerOf(dataSource);
    if (!server.port.empty()) {
        out.addValue("Server", server.host);
        out.addValue("Port", server.port);
    } else {
        out.addValue("Server", server.instance.empty() ? server.host
                                                       : server.host + "\\" + server.instance);
    }
}

// One "name = value" line of a freetds.conf. The file has no quoting: a value
// runs to the end of its line, blanks at either end dropped, and ";" or "#"
// may start a comment, so values holding those are refused.
std::string confLine(std::string_view name, const std::string& value, std::string_view what)
{
    if (value.empty() || value.find_first_of("\r\n;#[]") != std::string::npos
        || value.find('\0') != std::string::npos || trim(value) != value)
        throw Error("The FreeTDS driver cannot check the certificate for " + std::string(what)
                    + " '" + value + "': it holds a character its configuration file cannot take");
    return "\t" + std::string(name) + " = " + value + "\n";
}

// The freetds.conf section through which FreeTDS checks the certificate.
std::string freeTdsCheckingConfig(const std::string& dataSource)
{
    const FreeTdsServer server = freeTdsServerOf(dataSource);
    std::string text = "[varnett]\n" + confLine("host", server.host, "the server");
    if (!server.port.empty())
        text += confLine("port", server.port, "the port");
    if (!server.instance.empty())
        text += confLine("instance", server.instance, "the instance");
    text += confLine("ca file", trustStoreFile(), "the CA file");
    text += confLine("check certificate hostname", "yes", "the host name check");
    return text;
}

OdbcConnectRequest sqlServerRequest(const ConnectionString& cs, const std::string& defaultDriver)
{
    std::string driver = trim(cs.value("Driver"));
    if (driver.empty())
        driver = defaultDriver;
    const bool freeTds = isFreeTdsDriver(driver);
    OdbcString out(freeTds);
    out.add("Driver", passThrough(driver));

    std::optional<bool> encrypt;
    if (auto value = cs.get("Use Encryption for Data"))
        encrypt = yesNo("Use Encryption for Data", *value);
    std::optional<bool> trust;
    if (auto value = cs.get("Trust Server Certificate"))
        trust = yesNo("Trust Server Certificate", *value);
    const bool checks = encrypt.value_or(false) && !trust.value_or(false);

    std::string dataSource = firstOf(cs, {"Data Source", "Server"}).value_or(std::string());
    std::string freeTdsConfig;
    if (freeTds && checks) {
        freeTdsConfig = freeTdsCheckingConfig(dataSource);
        out.add("Servername", "varnett");
    } else if (freeTds) {
        addFreeTdsServer(out, dataSource);
    }
    else if (!trim(dataSource).empty())
        out.addValue("Server", trim(dataSource));

    if (auto database = firstOf(cs, {"Initial Catalog", "Database"}))
        out.addValue("Database", *database);

    bool trusted = false;
    if (auto value = cs.get("Integrated Security"))
        trusted = yesNo("Integrated Security", *value);
    if (auto value = cs.get("Trusted_Connection"))
        trusted = trusted || yesNo("Trusted_Connection", *value);
    if (trusted) {
        out.add("Trusted_Connection", "Yes");
    } else {
        if (auto user = firstOf(cs, {"User ID", "UID"}))
            out.addValue("UID", *user);
        if (auto password = firstOf(cs, {"Password", "PWD"}))
            out.addValue("PWD", *password);
    }

    if (auto app = cs.get("Application Name"))
        out.addValue("APP", *app);
    if (auto wsid = cs.get("Workstation ID"))
        out.addValue("WSID", *wsid);

    if (encrypt) {
        if (freeTds)
            out.add("Encryption", *encrypt ? "require" : "request");
        else
            out.add("Encrypt", *encrypt ? "Yes" : "No");
    }
    // FreeTDS checks no certificate unless it is given a CA file, so it has
    // no key for this: the configuration above gives it one.
    if (trust && !freeTds)
        out.add("TrustServerCertificate", *trust ? "Yes" : "No");

    if (freeTds) {
        out.add("TDS_Version", "7.4");
        out.add("ClientCharset", "UTF-8");
    }

    return {out.text(), loginTimeoutOf(cs).value_or(kDefaultLoginTimeout), freeTdsConfig, checks};
}

bool isOneOf(std::string_view key, std::initializer_list<std::string_view> keys)
{
    return std::any_of(keys.begin(), keys.end(),
                       [&](std::string_view k) { return equalsNoCase(key, k); });
}

OdbcConnectRequest genericRequest(const ConnectionString& cs)
{
    static const std::pair<std::string_view, std::string_view> renamed[] = {
        {"Data Source", "DSN"}, {"User ID", "UID"}, {"Password", "PWD"},
        {"Initial Catalog", "DATABASE"}};
    auto renamedKey = [](std::string_view key) -> std::optional<std::string_view> {
        for (const auto& [oledb, odbc] : renamed)
            if (equalsNoCase(key, oledb))
                return odbc;
        return std::nullopt;
    };

    OdbcString out;
    auto extended = cs.get("Extended Properties");
    if (extended)
        out.addRaw(*extended);
    for (const auto& [key, value] : cs.items()) {
        if (isOneOf(key, {"Provider", "Persist Security Info", "Extended Properties",
                          "Connect Timeout", "Connection Timeout"}))
            continue;
        if (auto odbcKey = renamedKey(key))
            out.add(*odbcKey, passThrough(value));
        else if (!extended)
            out.add(trim(key), passThrough(value));
    }
    if (out.text().empty())
        throw Error("The connection string names no ODBC data source or driver");
    return {out.text(), loginTimeoutOf(cs), {}, false};
}

} // namespace

OdbcProvider odbcProviderOf(std::string_view provider)
{
    std::string name = trim(provider);
    if (equalsNoCase(name, "SQLOLEDB") || equalsNoCase(name, "SQLOLEDB.1")
        || startsWithNoCase(name, "SQLNCLI") || startsWithNoCase(name, "MSOLEDBSQL"))
        return OdbcProvider::SqlServer;
    if (equalsNoCase(name, "MSDASQL") || equalsNoCase(name, "MSDASQL.1"))
        return OdbcProvider::Generic;
    return OdbcProvider::None;
}

OdbcConnectRequest toOdbcConnectRequest(const ConnectionString& oledb,
                                        const std::string& defaultDriver)
{
    std::string provider = oledb.value("Provider");
    switch (odbcProviderOf(provider)) {
    case OdbcProvider::SqlServer:
        return sqlServerRequest(oledb, defaultDriver);
    case OdbcProvider::Generic:
        return genericRequest(oledb);
    case OdbcProvider::None:
        break;
    }
    throw Error("Provider '" + trim(provider) + "' is not reached through ODBC");
}

std::string trustStoreFile()
{
    if (const char* given = std::getenv("VARNETT_CA_FILE"); given && *given)
        return given;
    std::error_code error;
    for (const char* bundle :
         {"/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt",
          "/etc/ssl/ca-bundle.pem", "/etc/ssl/cert.pem"})
        if (std::filesystem::exists(bundle, error))
            return bundle;
    return "system";
}

std::string connectFailureMessage(const std::string& driverText,
                                  const std::vector<std::string>& records,
                                  bool checkedCertificate)
{
    bool refused = false;
    for (const std::string& record : records) {
        const std::string text = lower(record);
        if (text.find("login failed") != std::string::npos)
            return driverText; // the handshake went through
        refused = refused || text.find("certificate") != std::string::npos
            || text.find("adaptive server connection failed") != std::string::npos;
    }
    if (!checkedCertificate || !refused)
        return driverText;
    return "The server's certificate is not trusted: it does not lead to a certificate"
           " authority of the trust store (" + trustStoreFile()
        + "), or it does not name the server. Trust Server Certificate=True skips the check,"
          " which lets anyone between you and the server read and change the traffic.\n"
        + driverText;
}

bool isFreeTdsDriver(std::string_view driver)
{
    std::string name = lower(driver);
    return name.find("freetds") != std::string::npos || name.find("tdsodbc") != std::string::npos;
}

std::string odbcValue(std::string_view value)
{
    bool needsBraces = value.find_first_of(";{}=") != std::string_view::npos
        || (!value.empty()
            && (sqltext::isWhiteSpace(value.front()) || sqltext::isWhiteSpace(value.back())));
    if (!needsBraces)
        return std::string(value);
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}')
            out += '}';
    }
    out += '}';
    return out;
}

} // namespace varnett::data
