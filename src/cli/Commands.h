#pragma once

#include "cli/Arguments.h"
#include "cli/Session.h"

namespace varnett::cli {

// Runs the command of a checked command line and gives the exit status: 0,
// or 1 where the command reports a difference (compare). Results go to
// standard output; failures throw varnett::Error.
int runCommand(const Invocation& invocation, Session& session);

// The commands, grouped as their files are.
void listTables(Session& session);
void listFields(Session& session, const std::string& table);
void listProcedures(Session& session);
void printProcedureText(Session& session, const std::string& procedure);

void generateProcedure(Session& session, const Invocation& invocation);
void generateForTables(Session& session, const Invocation& invocation);

void executeFile(Session& session, const std::string& path);
void dropProcedures(Session& session, const std::vector<std::string>& procedures);
void updateProcedure(Session& session, const std::string& path);
void loadFile(Session& session, const std::string& path, bool transaction);

void procedureScript(Session& session, const std::string& out,
                     const std::vector<std::string>& procedures);
void dataScript(Session& session, const Invocation& invocation);
void schemaScript(Session& session, const Invocation& invocation);

void runProcedure(Session& session, const Invocation& invocation);

void exportFolder(Session& session, const Invocation& invocation);
int compareFolder(Session& session, const Invocation& invocation);
void deployFolder(Session& session, const Invocation& invocation);
void writeBackFolder(Session& session, const Invocation& invocation);

} // namespace varnett::cli
