#pragma once

#include "data/Engine.h"
#include "sqltext/ProcedureFolder.h"

#include <optional>
#include <string>
#include <vector>

namespace varnett::data {

// Writes one file per procedure into the folder (made when missing), named
// by sqltext::procedureFileName and holding sqltext::procedureFileText of the
// procedure's settings and its text as the server keeps it, so that the same
// database gives the same bytes every time. No procedures given: every
// procedure of the database (a numbered procedure's later groups have no
// file of their own and are left out). Each file is replaced whole or not at
// all. Returns the procedures written, in the order written. Throws
// varnett::Error naming the procedure or the file.
std::vector<ObjectName> exportProcedures(Engine& engine, const std::string& folder,
                                         const std::vector<ObjectName>& procedures = {});

// How a procedure of the database and its file in a folder compare.
enum class FolderState { Same, OnlyInFolder, OnlyInDatabase, Different };
// "same", "only in the folder", "only in the database", "different".
std::string stateText(FolderState state);

struct FolderEntry {
    ObjectName procedure;
    FolderState state = FolderState::Same;
    std::optional<sqltext::ProcedureFile> database;   // as read at the comparison
    std::optional<sqltext::ProcedureFile> folder;
};

// Every procedure of the database and every procedure file of the folder
// (files of other names are passed over), ordered as the lists order
// procedures; a procedure and its file go together whatever the case of
// their names. Settings count: a file with other SET values is different.
// Throws varnett::Error for a folder that cannot be read, a procedure file
// that holds no procedure in the folder's form, or two files for one
// procedure.
std::vector<FolderEntry> compareWithFolder(Engine& engine, const std::string& folder);

// Creates the chosen entries' folder versions on the server, each dropped
// first when it exists, all in one transaction: one failure and none is
// changed. An entry whose procedure the server no longer keeps as it was at
// the comparison (changed, created or dropped since) is refused before
// anything runs, naming it, so that nobody's work is overwritten unseen; so
// is an entry without a folder version.
void deployFromFolder(Engine& engine, const std::vector<FolderEntry>& chosen);

// Writes the chosen entries' database versions into the folder, each file
// replaced whole. An entry without a database version is refused.
void writeBackToFolder(const std::string& folder, const std::vector<FolderEntry>& chosen);

} // namespace varnett::data
