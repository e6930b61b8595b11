#include "cli/Session.h"

#include "data/Connection.h"
#include "sqltext/ObjectName.h"
#include "sqltext/Error.h"
#include "data/SettingsStore.h"
#include "data/StoredPassword.h"
#include "sqltext/AsciiText.h"
#include "sqltext/ProcedureFilter.h"

#include <algorithm>

namespace varnett::cli {

namespace {

// A name in the one form the lists show it, however it was written
// ("[Sales].[X]", "dbo.X" and "X" give "Sales.X", "X" and "X").
std::string listedForm(const std::string& name)
{
    return sqltext::displayName(sqltext::objectNameOrWhole(name));
}

} // namespace

NameIndex::NameIndex(std::vector<std::string> names) : m_names(std::move(names))
{
    for (std::size_t i = 0; i < m_names.size(); ++i)
        m_byUpper.emplace(sqltext::toUpperAscii(listedForm(m_names[i])), i);
}

const std::string* NameIndex::find(const std::string& name) const
{
    const std::string listed = listedForm(name);
    auto [first, last] = m_byUpper.equal_range(sqltext::toUpperAscii(listed));
    const std::string* found = nullptr;
    std::size_t count = 0;
    for (auto it = first; it != last; ++it) {
        const std::string& candidate = m_names[it->second];
        if (candidate == name || listedForm(candidate) == listed)
            return &candidate;
        found = &candidate;
        ++count;
    }
    return count == 1 ? found : nullptr;
}

Session::Session(std::optional<std::string> connection) : m_connection(std::move(connection)) {}

Session::~Session() = default;

data::Engine& Session::engine()
{
    if (m_engine)
        return *m_engine;
    std::string text;
    if (m_connection) {
        text = *m_connection;
    } else {
        data::SettingsStore store;
        if (store.connectionString().empty())
            throw Error("No connection string is stored in " + store.location().toStdString()
                        + "; give one with --connection.");
        try {
            text = data::storedConnectionText(store, store.secrets());
        } catch (const Error& failure) {
            throw Error(std::string(failure.what()) + "; give the connection with --connection.");
        }
    }
    m_engine = data::openEngine(text);
    return *m_engine;
}

std::string Session::resolveTable(const std::string& name)
{
    if (!m_tables)
        m_tables.emplace(engine().listTables());
    if (const std::string* found = m_tables->find(name))
        return *found;
    throw Error("The table '" + name + "' does not exist.");
}

std::string Session::resolveProcedure(const std::string& name)
{
    if (!m_procedures) {
        std::vector<std::string> names = engine().listProcedures();
        for (std::string& procedure : names)
            procedure = sqltext::procedureDisplayName(procedure);
        m_procedures.emplace(std::move(names));
    }
    if (const std::string* found = m_procedures->find(name))
        return *found;
    throw Error("The procedure '" + name + "' does not exist.");
}

std::vector<sqltext::ColumnDesc> Session::columnsOf(const std::string& table)
{
    return engine().openTable(table)->columns();
}

const sqltext::ColumnDesc& findColumn(const std::vector<sqltext::ColumnDesc>& columns,
                                      const std::string& name, const std::string& table)
{
    std::vector<std::string> names;
    for (const auto& column : columns)
        names.push_back(column.name);
    NameIndex index(names);
    if (const std::string* found = index.find(name))
        return columns[static_cast<std::size_t>(
            std::find(names.begin(), names.end(), *found) - names.begin())];
    throw Error("The table '" + table + "' has no field '" + name + "'.");
}

} // namespace varnett::cli
