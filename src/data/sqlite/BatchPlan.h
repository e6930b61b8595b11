#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnett::data {

// An object name as written in a statement, cut into its parts without
// brackets or quotes ("[dbo].[a]]b]" gives "dbo", "a]b").
using NameParts = std::vector<std::string>;

// One thing a batch asks the embedded engine to do.
struct BatchStep {
    enum class Kind {
        RunSql,             // sql: statements for SQLite
        DropProcedures,     // DROP PROCEDURE [IF EXISTS] a, b, ...
        DropIfProcedure,    // if exists (... object_id(N'tested') ... IsProcedure ...) drop procedure x
        Ignore,             // set identity_insert T on|off
        SessionOptions,     // SET QUOTED_IDENTIFIER OFF SET ANSI_NULLS ON ...
        CreateSchema,       // CREATE SCHEMA name [AUTHORIZATION owner]: names[0][0]
        CreateTable,        // CREATE TABLE in T-SQL: sql is the statement as written
        CreateIndex,        // CREATE [UNIQUE] [NON]CLUSTERED INDEX: sql as written
        AlterTable,         // ALTER TABLE ... ADD/DROP CONSTRAINT: sql as written
    };
    Kind kind = Kind::RunSql;
    std::string sql;
    std::vector<NameParts> names;   // DropProcedures: the names; DropIfProcedure: dropped name
    NameParts tested;               // DropIfProcedure: the name given to object_id (may be empty)
    bool ifExists = false;          // DropProcedures: a missing procedure is no error
    // SessionOptions: each option (upper case) and whether it is set ON.
    std::vector<std::pair<std::string, bool>> options;
};

// The test of a batch that starts "IF OBJECT_ID(N'name'[, N'type']) IS [NOT]
// NULL", "IF SCHEMA_ID(N'name') IS [NOT] NULL" or "IF INDEXPROPERTY(
// OBJECT_ID(N'table'), N'index', N'IndexID') IS [NOT] NULL".
struct BatchCondition {
    enum class Kind { Object, Schema, Index };
    Kind kind = Kind::Object;
    NameParts name;         // the object, schema or table
    std::string type;       // OBJECT_ID's type (U, V, F, P), upper case; may be empty
    std::string index;      // INDEXPROPERTY's index
    bool isNull = true;     // IS NULL, else IS NOT NULL
};

// What a batch does: create one procedure, or run its steps in order.
struct BatchPlan {
    bool createsProcedure = false;
    bool createOrAlter = false;     // CREATE OR ALTER: an existing procedure is replaced
    std::string procedureName;      // the created procedure, without owner or brackets
    std::string procedureSchema = "dbo";   // its schema, dbo when the name has none
    std::vector<BatchStep> steps;
    // A guarded batch: the statement after the test, run when it holds.
    std::optional<BatchCondition> condition;
    std::string guarded;
    // EXEC (N'...') alone: the string, run as a batch of its own.
    std::optional<std::string> executed;
    // CREATE VIEW: the view, whose text the engine keeps as it was sent.
    std::optional<NameParts> createdView;
};

// Reads a batch as the server would see it. A batch that starts (after blanks
// and comments) with CREATE [OR ALTER] PROC[EDURE] creates a procedure
// (its name must be followed by a group number, parameters, WITH, FOR or AS);
// any other batch is cut into steps at the statements the engine answers
// itself, each of which starts a line (or follows a ";") and ends one.
// Throws varnett::Error with the server's words for an empty batch, for a
// comment or string left open, and for a procedure batch that the server
// refuses.
BatchPlan planBatch(std::string_view batch);

} // namespace varnett::data
