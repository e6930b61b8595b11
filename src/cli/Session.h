#pragma once

#include "data/Engine.h"
#include "sqltext/ColumnType.h"
#include "sqltext/ObjectName.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace varnett::cli {

// A list of names, looked up as the server compares names: the name itself,
// or else the one name that differs from it only in the case of a to z.
class NameIndex {
public:
    explicit NameIndex(std::vector<std::string> names);
    // The position of the name meant, or none (also when several differ
    // only in case).
    std::optional<std::size_t> find(const std::string& name) const;

private:
    std::vector<std::string> m_names;
    std::unordered_multimap<std::string, std::size_t> m_byUpper;
};

// Catalog objects looked up by a name as a user writes it ("[Sales].[X]",
// "sales.x", "dbo.X"), compared in the form the lists show.
class ObjectIndex {
public:
    explicit ObjectIndex(const std::vector<sqltext::ObjectName>& objects);
    // The position of the object meant, or none.
    std::optional<std::size_t> find(const std::string& typed) const;

private:
    NameIndex m_shown;
};

// The database a command works on: opened on first use from the connection
// string given on the command line, or else the one the program stored.
class Session {
public:
    explicit Session(std::optional<std::string> connection);
    ~Session();

    data::Engine& engine();

    // The table or view a name given on the command line means: the one the
    // table list names so, or else the one name that differs from it only in
    // the case of a to z. Throws varnett::Error naming the table when there
    // is none.
    sqltext::ObjectName resolveTable(const std::string& name);
    // The procedure a name means (with or without ";1"), found as
    // resolveTable finds tables.
    sqltext::ProcedureRef resolveProcedure(const std::string& name);
    // The columns of a table, in table order.
    std::vector<sqltext::ColumnDesc> columnsOf(const sqltext::ObjectName& table);

private:
    std::optional<std::string> m_connection;
    std::unique_ptr<data::Engine> m_engine;
    // The catalog lists, read once: a command names many tables or procedures.
    std::vector<sqltext::ObjectName> m_tableList;
    std::optional<ObjectIndex> m_tables;
    std::vector<sqltext::ProcedureRef> m_procedureList;
    std::optional<ObjectIndex> m_procedures;
};

// The column of that name (exactly, or else the one differing only in the
// case of a to z); throws varnett::Error naming the field and the table.
const sqltext::ColumnDesc& findColumn(const std::vector<sqltext::ColumnDesc>& columns,
                                      const std::string& name, const std::string& table);

} // namespace varnett::cli
