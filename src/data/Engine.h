#pragma once

#include "data/ProcedureRun.h"
#include "sqltext/Error.h"
#include "sqltext/ProcScript.h"
#include "sqltext/SchemaModel.h"
#include "sqltext/TableKeys.h"
#include "sqltext/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnett::data {

using sqltext::ProcedureSettings;
using sqltext::RowCursor;
using sqltext::Value;

// The data-access operations of one open database connection. Every failure
// throws varnett::Error carrying the engine's or server's message.
class Engine {
public:
    virtual ~Engine() = default;

    // Name of the database in use.
    virtual std::string databaseName() const = 0;
    // The file that holds the database, for an engine that keeps it in one
    // on this machine; empty for a server.
    virtual std::string databaseFile() const { return {}; }
    // Tables, then views, each in catalog order.
    virtual std::vector<std::string> listTables() = 0;
    // The views among them; an engine that cannot tell gives none.
    virtual std::vector<std::string> listViews() { return {}; }
    // Stored procedures as "name;group", in catalog order.
    virtual std::vector<std::string> listProcedures() = 0;
    // Opens a table or view by its bare name (no brackets, no owner).
    virtual std::unique_ptr<RowCursor> openTable(const std::string& table) = 0;
    // The rows of a table or view that meet a condition, written in T-SQL
    // ("Qty > 5"); an empty condition keeps every row.
    virtual std::unique_ptr<RowCursor> openRows(const std::string& table,
                                                const std::string& condition)
    {
        if (condition.empty())
            return openTable(table);
        throw Error("This connection cannot select rows by a condition.");
    }
    // How many rows openRows(table, condition) gives, where the engine can
    // count them without reading them; none otherwise.
    virtual std::optional<std::uint64_t> countRows(const std::string& /*table*/,
                                                   const std::string& /*condition*/)
    {
        return std::nullopt;
    }
    // Names of the tables a table refers to by its foreign keys, each once,
    // as the catalog names them.
    virtual std::vector<std::string> referencedTables(const std::string& /*table*/) { return {}; }
    // Runs the whole text as one batch that returns no rows.
    virtual void executeBatch(const std::string& sql) = 0;
    // The rows of "exec sp_helptext" for the object name bound as its
    // parameter (database.owner.name); each row as the server sends it.
    virtual std::vector<std::string> procedureText(const std::string& objectName) = 0;
    // The session settings the procedure was created under (QUOTED_IDENTIFIER
    // and ANSI_NULLS), named as for procedureText.
    virtual ProcedureSettings procedureSettings(const std::string& objectName) = 0;
    // The key of a table (primary key, else the first unique index) and its
    // identity, rowversion and computed columns; named as for openTable.
    virtual sqltext::TableKeys tableKeys(const std::string& table) = 0;

    // The parameters of a procedure (named as the lists name it) as the
    // server describes them, in order.
    virtual std::vector<ProcedureParameter> procedureParameters(const std::string& procedure)
    {
        throw Error("This connection cannot describe the parameters of '" + procedure + "'.");
    }
    // Calls a procedure with its values bound as parameters; see RunRequest.
    // A value that does not fit its parameter throws before anything runs;
    // the server's errors come back as messages of the outcome.
    virtual RunOutcome runProcedure(const RunRequest& request)
    {
        throw Error("This connection cannot run the procedure '" + request.procedure + "'.");
    }

    // The structure of a table or view (columns, keys, checks, indexes,
    // foreign keys; a view's text and settings), for the schema script.
    virtual sqltext::SchemaObject schemaObject(const sqltext::ObjectName& object)
    {
        throw Error("This connection cannot describe the structure of '"
                    + sqltext::displayName(object) + "'.");
    }
    // Before a load in one transaction begins: the schemas that its CREATE
    // SCHEMA statements name, for an engine that must make ready outside the
    // transaction what a schema needs. A schema the load does not create in
    // the end is gone again when the transaction ends.
    virtual void prepareSchemas(const std::vector<std::string>& /*schemas*/) {}

    virtual void beginTransaction() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
};

} // namespace varnett::data
