#include "cli/Commands.h"
#include "cli/Output.h"

#include "data/ProcedureFolder.h"
#include "sqltext/TextDiff.h"

#include <iostream>

namespace varnett::cli {

void exportFolder(Session& session, const Invocation& invocation)
{
    std::vector<sqltext::ObjectName> names;
    for (const std::string& procedure : invocation.operands)
        names.push_back(session.resolveProcedure(procedure).object);
    const std::string& folder = invocation.folder.value();
    for (const sqltext::ObjectName& written : data::exportProcedures(session.engine(), folder, names))
        std::cerr << sqltext::procedureFileName(written) << '\n';
}

int compareFolder(Session& session, const Invocation& invocation)
{
    const std::string& folder = invocation.folder.value();
    bool differs = false;
    for (const data::FolderEntry& entry : data::compareWithFolder(session.engine(), folder)) {
        const std::string shown = sqltext::displayName(entry.procedure);
        std::cout << data::stateText(entry.state) << '\t' << shown << '\n';
        differs = differs || entry.state != data::FolderState::Same;
        if (!invocation.diff || entry.state == data::FolderState::Same)
            continue;
        // The files' texts as they are and as the database would write them.
        const std::string inFolder = entry.folder ? sqltext::procedureFileText(entry.procedure, *entry.folder)
                                                  : std::string();
        const std::string inDatabase = entry.database
            ? sqltext::procedureFileText(entry.procedure, *entry.database)
            : std::string();
        const std::string file = sqltext::procedureFileName(entry.procedure);
        std::cout << sqltext::unifiedDiff(inDatabase, inFolder, "database/" + file, "folder/" + file);
    }
    return differs ? 1 : 0;
}

} // namespace varnett::cli
