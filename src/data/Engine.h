#pragma once

#include "sqltext/ColumnType.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varnett::data {

// One value of one row, as an engine delivers it.
struct Value {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string bytes;          // Text: UTF-8 characters; Blob: the raw bytes

    bool isNull() const { return kind == Kind::Null; }
};

// A table or view opened for reading: its columns, then its rows one at a time.
class RowCursor {
public:
    virtual ~RowCursor() = default;
    virtual const std::vector<sqltext::ColumnDesc>& columns() const = 0;
    // Moves to the next row; false once the rows are exhausted.
    virtual bool next() = 0;
    // A value of the current row.
    virtual Value value(std::size_t column) const = 0;
};

// The data-access operations of one open database connection. Every failure
// throws varnett::Error carrying the engine's or server's message.
class Engine {
public:
    virtual ~Engine() = default;

    // Name of the database in use.
    virtual std::string databaseName() const = 0;
    // Tables, then views, each in catalog order.
    virtual std::vector<std::string> listTables() = 0;
    // Stored procedures as "name;group", in catalog order.
    virtual std::vector<std::string> listProcedures() = 0;
    // Opens a table or view by its bare name (no brackets, no owner).
    virtual std::unique_ptr<RowCursor> openTable(const std::string& table) = 0;
    // Runs the whole text as one batch that returns no rows.
    virtual void executeBatch(const std::string& sql) = 0;
    // The rows of "exec sp_helptext" for the object name bound as its
    // parameter (database.owner.name); each row as the server sends it.
    virtual std::vector<std::string> procedureText(const std::string& objectName) = 0;

    virtual void beginTransaction() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
};

} // namespace varnett::data
