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
        m_byUpper.emplace(sqltext::toUpperAscii(m_names[i]), i);
}

std::optional<std::size_t> NameIndex::find(const std::string& name) const
{
    auto [first, last] = m_byUpper.equal_range(sqltext::toUpperAscii(name));
    std::optional<std::size_t> found;
    std::size_t count = 0;
    for (auto it = first; it != last; ++it) {
        if (m_names[it->second] == name)
            return it->second;
        found = it->second;
        ++count;
    }
    if (count != 1)
        return std::nullopt;
    return found;
}

namespace {

std::vector<std::string> shownNames(const std::vector<sqltext::ObjectName>& objects)
{
    std::vector<std::string> names;
    names.reserve(objects.size());
    for (const sqltext::ObjectName& object : objects)
        names.push_back(sqltext::displayName(object));
    return names;
}

} // namespace

ObjectIndex::ObjectIndex(const std::vector<sqltext::ObjectName>& objects)
    : m_shown(shownNames(objects))
{
}

std::optional<std::size_t> ObjectIndex::find(const std::string& typed) const
{
    return m_shown.find(listedForm(typed));
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

sqltext::ObjectName Session::resolveTable(const std::string& name)
{
    if (!m_tables) {
        m_tableList = engine().listTables();
        m_tables.emplace(m_tableList);
    }
    if (const auto found = m_tables->find(name))
        return m_tableList[*found];
    throw Error("The table '" + name + "' does not exist.");
}

sqltext::ProcedureRef Session::resolveProcedure(const std::string& name)
{
    if (!m_procedures) {
        m_procedureList = engine().listProcedures();
        std::vector<sqltext::ObjectName> objects;
        for (const sqltext::ProcedureRef& procedure : m_procedureList)
            objects.push_back(procedure.object);
        m_procedures.emplace(std::move(objects));
    }
    if (const auto found = m_procedures->find(sqltext::procedureDisplayName(name)))
        return m_procedureList[*found];
    throw Error("The procedure '" + name + "' does not exist.");
}

std::vector<sqltext::ColumnDesc> Session::columnsOf(const sqltext::ObjectName& table)
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
    if (const auto found = index.find(name))
        return columns[*found];
    throw Error("The table '" + table + "' has no field '" + name + "'.");
}

} // namespace varnett::cli
