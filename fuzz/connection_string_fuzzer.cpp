// OLE DB connection strings as a user types them or a data link file holds
// them, and their mapping to ODBC.
#include "FuzzCheck.h"

#include "data/ConnectionString.h"
#include "data/odbc/OdbcConnectionString.h"
#include "sqltext/Error.h"

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

using varnett::data::ConnectionString;

namespace {

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The attributes of an ODBC connection string as a driver manager reads
// them: KEY=VALUE parted by ";", a value in braces running to the first "}"
// that is not doubled. Keys are lower-cased. None when the text does not read
// cleanly or names a key twice. The FreeTDS driver reads a braced value
// literally up to the first "}" that a ";" follows (no "}}" undoubling).
std::optional<std::map<std::string, std::string>> odbcAttributes(std::string_view text, bool freeTds)
{
    std::map<std::string, std::string> attributes;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t equals = text.find('=', i);
        if (equals == std::string_view::npos)
            return std::nullopt;
        std::string key = lowered(text.substr(i, equals - i));
        if (key.empty() || key.find(';') != std::string::npos)
            return std::nullopt;
        i = equals + 1;
        std::string value;
        // The driver manager itself reads the Driver key, by the ODBC rules.
        if (freeTds && key != "driver" && i < text.size() && text[i] == '{') {
            const std::size_t close = text.find("};", i + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            value = std::string(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else if (i < text.size() && text[i] == '{') {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == '}') {
                    if (i + 1 < text.size() && text[i + 1] == '}') {
                        value += '}';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed || (i < text.size() && text[i] != ';'))
                return std::nullopt;
        } else {
            std::size_t end = text.find(';', i);
            if (end == std::string_view::npos)
                end = text.size();
            value = std::string(text.substr(i, end - i));
            i = end;
        }
        if (i < text.size())
            ++i; // the ";"
        if (!attributes.emplace(key, value).second)
            return std::nullopt;
    }
    return attributes;
}

void checkSqlServerMapping(const ConnectionString& parsed, const std::string& driver)
{
    varnett::data::OdbcConnectRequest request;
    try {
        request = varnett::data::toOdbcConnectRequest(parsed, driver);
    } catch (const varnett::Error&) {
        return;
    }
    // No value can add or repeat an attribute: the user's password and names
    // arrive as they were given.
    // Read as the driver the string names reads it.
    std::string named = parsed.value("Driver");
    if (named.find_first_not_of(" \t\r\n") == std::string::npos)
        named = driver;
    const bool freeTds = varnett::data::isFreeTdsDriver(named);
    auto attributes = odbcAttributes(request.connectionString, freeTds);
    FUZZ_CHECK(attributes.has_value());
    auto pick = [&](std::initializer_list<std::string_view> keys) {
        for (std::string_view key : keys)
            if (auto value = parsed.get(key))
                return value;
        return std::optional<std::string>();
    };
    if (!attributes->count("trusted_connection")) {
        if (auto password = pick({"Password", "PWD"}))
            FUZZ_CHECK(attributes->count("pwd") && attributes->at("pwd") == *password);
        if (auto user = pick({"User ID", "UID"}))
            FUZZ_CHECK(attributes->count("uid") && attributes->at("uid") == *user);
    }
    if (auto database = pick({"Initial Catalog", "Database"}))
        FUZZ_CHECK(attributes->count("database") && attributes->at("database") == *database);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ConnectionString parsed;
    try {
        parsed = ConnectionString::parse(text);
    } catch (const varnett::Error&) {
        return 0;
    }

    // Render then parse gives the same keys and values.
    const std::string rendered = parsed.render();
    ConnectionString again;
    try {
        again = ConnectionString::parse(rendered);
    } catch (const varnett::Error& e) {
        std::fprintf(stderr, "%s\nrendered: [%s]\n", e.what(), rendered.c_str());
        FUZZ_CHECK(!"a rendered connection string parses");
    }
    FUZZ_CHECK(again.items() == parsed.items());
    (void)parsed.renderForDisplay();

    if (varnett::data::odbcProviderOf(parsed.value("Provider"))
        == varnett::data::OdbcProvider::SqlServer) {
        checkSqlServerMapping(parsed, "FreeTDS");
        checkSqlServerMapping(parsed, "ODBC Driver 18 for SQL Server");
    } else {
        try {
            (void)varnett::data::toOdbcConnectRequest(parsed, "FreeTDS");
        } catch (const varnett::Error&) {
        }
    }
    return 0;
}
