#pragma once

#include "data/Engine.h"
#include "sqltext/DataScript.h"
#include "sqltext/Error.h"
#include "sqltext/SchemaScript.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnett::data {

// Called after each unit of a long operation's work with the number of units
// done so far: a batch run by a load, a row written by the data script, a
// procedure read or written by the procedure script. An exception thrown from
// it ends the operation as a failure does (a load rolls back, a script's file
// stays as it was). It is how the window's Cancel stops an operation, and how
// a test stops one, or holds it open, at a given step.
using StepHook = std::function<void(std::size_t done)>;

// How a long script operation reports its progress: `start` sets the number
// of steps of the phase that begins (a phase may follow another), `step` the
// steps done so far in it; within a long step it may be told the same
// position again (the data script does so for each piece of the file it
// writes). Either may be empty; an exception thrown from one ends the
// operation as a failure does.
struct Progress {
    std::function<void(int max)> start;
    std::function<void(int position)> step;
    // After each unit of work (see StepHook): a procedure read or written, a
    // row written.
    StepHook afterStep;
    // The data script: the rows it is to write, counted before it writes
    // them, where the engine can count them.
    std::function<void(std::uint64_t rows)> rowsTotal;
};

// Writes the procedure script of the procedures: each procedure's source as the
// server keeps it, byte for byte, under its own QUOTED_IDENTIFIER and
// ANSI_NULLS settings, in an order where a procedure comes after those it
// executes, each in its drop-and-create block. A procedure with a line that
// holds only GO is refused (no file is written). A name given more than once
// is scripted once. The file is UTF-8 with CR LF line ends, written to a
// temporary file beside `path` and renamed over it at the end (ReplacingFile:
// a symbolic link is followed, a folder, a device or the engine's own
// database file is refused); on failure no temporary file stays and an old
// file at `path` is unchanged. Throws
// varnett::Error.
void writeProcedureScript(Engine& engine, const std::vector<sqltext::ObjectName>& procedures,
                          const std::string& path, const Progress& progress = {});
// The same, keeping at most `heldTexts` bytes of the texts from their first
// reading (the one above keeps 24 MiB); the others are read again when their
// turn comes, and one that changed in between fails the script.
void writeProcedureScript(Engine& engine, const std::vector<sqltext::ObjectName>& procedures,
                          const std::string& path, const Progress& progress,
                          std::size_t heldTexts);

// Writes the data transfer script of the tables: every row as an INSERT
// statement. Rows are streamed to
// the file as they are read, so memory does not grow with their number.
// A table given more than once is scripted once. Written and replaced as
// writeProcedureScript writes its file. Throws varnett::Error.
void writeDataScript(Engine& engine, const std::vector<sqltext::ObjectName>& tables,
                     const std::string& path, const Progress& progress = {});

// What a data transfer script may do beyond the plain one: all off by default.
struct DataScriptSettings {
    sqltext::DataScriptOptions format;
    // Per table (any case of a to z), a T-SQL condition its rows must meet;
    // at most one per table.
    std::vector<std::pair<sqltext::ObjectName, std::string>> conditions;
    // Tables that others refer to by foreign keys first; else the given order.
    bool orderByKeys = false;
};

// writeDataScript with settings. A condition for a table not scripted, or a
// second one for a table, throws varnett::Error before the file is touched.
void writeDataScript(Engine& engine, const std::vector<sqltext::ObjectName>& tables,
                     const std::string& path, const DataScriptSettings& settings,
                     const Progress& progress = {});

// The tables of a data script each once, in script order, with their
// conditions (empty for none), as writeDataScript checks and orders them;
// throws varnett::Error as it does.
struct DataTables {
    std::vector<sqltext::ObjectName> names;
    std::vector<std::string> conditions;
};
DataTables planDataTables(Engine& engine, const std::vector<sqltext::ObjectName>& tables,
                          const DataScriptSettings& settings);
// The data script's rows of the planned tables, handed to `write` a chunk at
// a time.
void writeDataRows(Engine& engine, const DataTables& tables,
                   const sqltext::DataScriptOptions& format,
                   const std::function<void(std::string_view)>& write,
                   const Progress& progress = {});

// What a schema script holds beyond the plain one: all off by default.
struct SchemaScriptSettings {
    sqltext::SchemaScriptOptions options;
    // The data script's rows of the tables, after the tables and views and
    // before the foreign keys, written with `data`'s settings.
    bool withData = false;
    DataScriptSettings data;
};

// Writes the schema script of the tables and views named (as the table list
// shows them; none: every table and view of every schema), as
// sqltext::schemaScript orders and writes them, with the rows of the tables
// when asked. A name given more than once is scripted once. Written and
// replaced as writeProcedureScript writes its file. Throws varnett::Error,
// naming an object the engine does not know.
void writeSchemaScript(Engine& engine, const std::vector<sqltext::ObjectName>& objects,
                       const std::string& path, const SchemaScriptSettings& settings = {},
                       const Progress& progress = {});

// How far a load has come: bytes of the script taken and batches done.
struct LoadProgress {
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;       // 0 when the size is not known (standard input)
    std::size_t batchesDone = 0;
    std::size_t batchesTotal = 0;       // the batches the script holds, counted before any runs
};

struct LoadOptions {
    // The whole script in one transaction: on the first failing batch it is
    // rolled back and the target stays as it was. Without, each batch stands
    // on its own and the batches before a failing one stay done.
    bool transaction = true;
    // Called at the start, now and then while batches run, and at the end.
    // An exception thrown from it ends the load as a failing batch does.
    std::function<void(const LoadProgress&)> progress;
    // After each batch run (see StepHook).
    StepHook afterBatch;
};

// A load in one transaction refused before anything ran: the script holds a
// statement that SQL Server does not allow in a transaction.
class TransactionRefused : public Error {
public:
    using Error::Error;
};

// Runs a script batch by batch; a line holding only GO ends a batch, and each
// batch is sent exactly as the script holds it (line breaks included). Stops
// at the first batch that fails and throws varnett::Error
// "Batch N (line L): MESSAGE", N counting the batches that hold something
// from 1, L the line of the batch's first character that is no blank. The
// script is read as sqltext::BatchReader reads it (UTF-8, or UTF-16 after its
// byte order mark); a NUL character or broken UTF-16 anywhere in it is
// refused before any batch runs ("Line N of the script holds a NUL
// character."). In a transaction, a batch holding CREATE DATABASE, BACKUP and
// the like throws TransactionRefused, naming it so, before any batch runs.
void loadScript(Engine& engine, std::string_view script, const LoadOptions& options = {});

// loadScript over a file ("-" for standard input), read a chunk at a time,
// so memory does not grow with the script. Throws varnett::Error naming the
// file when it cannot be read (a folder included).
void loadScriptFile(Engine& engine, const std::string& path, const LoadOptions& options = {});

} // namespace varnett::data
