#pragma once

#include "data/Engine.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// How a long script operation reports its progress: `start` sets the number
// of steps of the phase that begins (a phase may follow another), `step` the
// steps done so far in it; within a long step it may be told the same
// position again (the data script does so for each piece of the file it
// writes). Either may be empty; an exception thrown from one ends the
// operation as a failure does.
struct Progress {
    std::function<void(int max)> start;
    std::function<void(int position)> step;
};

// Writes the procedure script of the named procedures (names as the lists
// show them, without owner) of `database`: each procedure's source as the
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
void writeProcedureScript(Engine& engine, const std::string& database,
                          const std::vector<std::string>& procedures, const std::string& path,
                          const Progress& progress = {});

// Writes the data transfer script of the tables (bare names, as the table
// list shows them): every row as an INSERT statement. Rows are streamed to
// the file as they are read, so memory does not grow with their number.
// A table given more than once is scripted once. Written and replaced as
// writeProcedureScript writes its file. Throws varnett::Error.
void writeDataScript(Engine& engine, const std::vector<std::string>& tables,
                     const std::string& path, const Progress& progress = {});

// Runs a script batch by batch; a line holding only GO ends a batch, and each
// batch is sent exactly as the script holds it (line breaks included). Stops
// at the first batch that fails and throws varnett::Error "Batch N: MESSAGE",
// N counting the batches that hold something from 1. The batches before it
// stay done. A script holding a NUL character is refused before any batch
// runs ("Line N of the script holds a NUL character.").
void loadScript(Engine& engine, std::string_view script, const Progress& progress = {});

} // namespace varnett::data
