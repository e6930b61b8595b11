#pragma once

#include "data/ProcedureRun.h"
#include "sqltext/Error.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureText.h"
#include "sqltext/SchemaModel.h"
#include "sqltext/TableKeys.h"
#include "sqltext/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnett::data {

using sqltext::ObjectName;
using sqltext::ProcedureRef;
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
    virtual std::vector<ObjectName> listTables() = 0;
    // The views among them; an engine that cannot tell gives none.
    virtual std::vector<ObjectName> listViews() { return {}; }
    // Stored procedures with their group numbers, in catalog order.
    virtual std::vector<ProcedureRef> listProcedures() = 0;
    // Opens a table or view. An unknown one throws the server's
    // "Invalid object name" error, naming it as the lists show it.
    virtual std::unique_ptr<RowCursor> openTable(const ObjectName& table) = 0;
    // The rows of a table or view that meet a condition, written in T-SQL
    // ("Qty > 5"); an empty condition keeps every row.
    virtual std::unique_ptr<RowCursor> openRows(const ObjectName& table,
                                                const std::string& condition)
    {
        if (condition.empty())
            return openTable(table);
        throw Error("This connection cannot select rows by a condition.");
    }
    // How many rows openRows(table, condition) gives, where the engine can
    // count them without reading them; none otherwise.
    virtual std::optional<std::uint64_t> countRows(const ObjectName& /*table*/,
                                                   const std::string& /*condition*/)
    {
        return std::nullopt;
    }
    // The tables a table refers to by its foreign keys, each once, as the
    // catalog names them.
    virtual std::vector<ObjectName> referencedTables(const ObjectName& /*table*/) { return {}; }
    // Runs the whole text as one batch that returns no rows.
    virtual void executeBatch(const std::string& sql) = 0;
    // The source of a procedure of this database as "exec sp_helptext"
    // gives it, a row each as the server sends it. An unknown procedure
    // throws the server's error, naming it database.owner.name.
    virtual std::vector<std::string> procedureText(const ObjectName& procedure) = 0;
    // The same source in one piece, byte for byte as the server keeps it.
    virtual std::string procedureSource(const ObjectName& procedure)
    {
        return sqltext::joinRows(procedureText(procedure));
    }
    // The session settings the procedure was created under (QUOTED_IDENTIFIER
    // and ANSI_NULLS).
    virtual ProcedureSettings procedureSettings(const ObjectName& procedure) = 0;
    // The key of a table (primary key, else the first unique index) and its
    // identity, rowversion and computed columns.
    virtual sqltext::TableKeys tableKeys(const ObjectName& table) = 0;

    // The parameters of a procedure as the server describes them, in order.
    virtual std::vector<ProcedureParameter> procedureParameters(const ProcedureRef& procedure)
    {
        throw Error("This connection cannot describe the parameters of '"
                    + sqltext::displayName(procedure.object) + "'.");
    }
    // Calls a procedure with its values bound as parameters; see RunRequest.
    // A value that does not fit its parameter throws before anything runs;
    // the server's errors come back as messages of the outcome.
    virtual RunOutcome runProcedure(const RunRequest& request)
    {
        throw Error("This connection cannot run the procedure '"
                    + sqltext::displayName(request.procedure.object) + "'.");
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
