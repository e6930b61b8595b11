#pragma once

#include "data/Engine.h"
#include "sqltext/ColumnType.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace varnett::cli {

// A list of catalog names, looked up as the server compares names: the name
// itself, or else the one name that differs from it only in the case of a to z.
class NameIndex {
public:
    explicit NameIndex(std::vector<std::string> names);
    // The listed name meant, or none (also when several differ only in case).
    const std::string* find(const std::string& name) const;

private:
    std::vector<std::string> m_names;
    std::unordered_multimap<std::string, std::size_t> m_byUpper;
};

// The database a command works on: opened on first use from the connection
// string given on the command line, or else the one the program stored.
class Session {
public:
    explicit Session(std::optional<std::string> connection);
    ~Session();

    data::Engine& engine();

    // The table or view as the table list names it: the name given, or else
    // the one name that differs from it only in the case of a to z. Throws
    // varnett::Error naming the table when there is none.
    std::string resolveTable(const std::string& name);
    // The procedure as the procedure list names it (without ";1"), found as
    // resolveTable finds tables.
    std::string resolveProcedure(const std::string& name);
    // The columns of a table, in table order.
    std::vector<sqltext::ColumnDesc> columnsOf(const std::string& table);

private:
    std::optional<std::string> m_connection;
    std::unique_ptr<data::Engine> m_engine;
    // The catalog lists, read once: a command names many tables or procedures.
    std::optional<NameIndex> m_tables;
    std::optional<NameIndex> m_procedures;
};

// The column of that name (exactly, or else the one differing only in the
// case of a to z); throws varnett::Error naming the field and the table.
const sqltext::ColumnDesc& findColumn(const std::vector<sqltext::ColumnDesc>& columns,
                                      const std::string& name, const std::string& table);

} // namespace varnett::cli
