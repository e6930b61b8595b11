#include "data/Connection.h"

#include "data/ConnectionString.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "data/odbc/OdbcEngine.h"
#include "data/sqlite/SqliteEngine.h"

namespace varnett::data {

namespace {

bool isEmbeddedProvider(std::string_view provider)
{
    return sqltext::equalsNoCase(provider, "SQLite");
}

std::string trimmed(std::string_view text)
{
    return std::string(sqltext::trim(text, sqltext::isBlankOrLineBreak));
}

} // namespace

std::unique_ptr<Engine> openEngine(const std::string& connectionString)
{
    if (trimmed(connectionString).empty())
        throw Error("The connection string is empty");
    ConnectionString parsed = ConnectionString::parse(connectionString);
    std::string provider = trimmed(parsed.value("Provider"));
    if (provider.empty())
        throw Error("The connection string names no Provider");
    if (isEmbeddedProvider(provider)) {
        std::string path = parsed.value("Data Source");
        if (path.empty())
            throw Error("The connection string names no Data Source file");
        return openSqliteEngine(path);
    }
    if (isOdbcProvider(provider))
        return openOdbcEngine(connectionString);
    throw Error("Provider '" + provider + "' cannot be found. It may not be properly installed.");
}

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::setConnectionString(const std::string& text)
{
    close();
    m_text = text;
}

std::string Connection::connectionString() const
{
    try {
        return ConnectionString::parse(m_text).renderForDisplay();
    } catch (const Error&) {
        // A malformed string may hold a password whose ";" broke it: only
        // what reads well before the fault and before any password is shown
        // (and stored back).
        return ConnectionString::parseLeading(m_text).renderBeforePassword();
    }
}

std::string Connection::shownText() const
{
    try {
        ConnectionString shown = ConnectionString::parse(connectionString());
        shown.remove("Password");
        shown.remove("Pwd");
        return shown.render();
    } catch (const Error&) {
        return ConnectionString::parseLeading(m_text).renderBeforePassword();
    }
}

void Connection::open()
{
    if (m_engine)
        return;
    m_engine = openEngine(m_text);
}

void Connection::close()
{
    m_engine.reset();
}

std::string Connection::databaseName() const
{
    return m_engine ? m_engine->databaseName() : std::string();
}

Engine& Connection::engine()
{
    open();
    return *m_engine;
}

} // namespace varnett::data
