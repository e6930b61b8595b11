#include "cli/Commands.h"

#include "sqltext/Error.h"

namespace varnett::cli {

int runCommand(const Invocation& invocation, Session& session)
{
    const std::string& command = invocation.command;
    const auto& operands = invocation.operands;
    if (command == "tables")
        listTables(session);
    else if (command == "fields")
        listFields(session, operands.at(0));
    else if (command == "insert" || command == "update" || command == "delete"
             || command == "select")
        generateProcedure(session, invocation);
    else if (command == "generate")
        generateForTables(session, invocation);
    else if (command == "procedures")
        listProcedures(session);
    else if (command == "text")
        printProcedureText(session, operands.at(0));
    else if (command == "exec")
        executeFile(session, operands.at(0));
    else if (command == "drop")
        dropProcedures(session, operands);
    else if (command == "update-procedure")
        updateProcedure(session, operands.at(0));
    else if (command == "proc-script")
        procedureScript(session, invocation.out.value(), operands);
    else if (command == "data-script")
        dataScript(session, invocation);
    else if (command == "schema-script")
        schemaScript(session, invocation);
    else if (command == "load")
        loadFile(session, operands.at(0), !invocation.noTransaction);
    else if (command == "run")
        runProcedure(session, invocation);
    else if (command == "export")
        exportFolder(session, invocation);
    else if (command == "compare")
        return compareFolder(session, invocation);
    else if (command == "deploy")
        deployFolder(session, invocation);
    else if (command == "write-back")
        writeBackFolder(session, invocation);
    else
        throw Error("The command '" + command + "' is not known.");
    return 0;
}

} // namespace varnett::cli
