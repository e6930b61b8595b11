#include "cli/Commands.h"
#include "cli/Output.h"

#include "data/ProcedureFolder.h"
#include "sqltext/Error.h"
#include "sqltext/TextDiff.h"

#include <iostream>

namespace varnett::cli {

namespace {

// The entries of a comparison that the command's names mean, in the order
// named, each once; without names, those in one of the two states.
std::vector<data::FolderEntry> chosenEntries(const std::vector<data::FolderEntry>& entries,
                                             const std::vector<std::string>& names,
                                             data::FolderState state, data::FolderState other)
{
    std::vector<data::FolderEntry> chosen;
    if (names.empty()) {
        for (const data::FolderEntry& entry : entries)
            if (entry.state == state || entry.state == other)
                chosen.push_back(entry);
        return chosen;
    }
    std::vector<sqltext::ObjectName> listed;
    for (const data::FolderEntry& entry : entries)
        listed.push_back(entry.procedure);
    const ObjectIndex index(listed);
    std::vector<bool> taken(entries.size(), false);
    for (const std::string& name : names) {
        const std::optional<std::size_t> found = index.find(name);
        if (!found)
            throw Error("The procedure '" + name + "' is neither in the database nor in the folder.");
        if (!taken[*found])
            chosen.push_back(entries[*found]);
        taken[*found] = true;
    }
    return chosen;
}

} // namespace

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

void deployFolder(Session& session, const Invocation& invocation)
{
    const auto entries = data::compareWithFolder(session.engine(), invocation.folder.value());
    const auto chosen = chosenEntries(entries, invocation.operands, data::FolderState::Different,
                                      data::FolderState::OnlyInFolder);
    if (chosen.empty())
        return;
    data::deployFromFolder(session.engine(), chosen);
    for (const data::FolderEntry& entry : chosen)
        std::cout << sqltext::displayName(entry.procedure) << '\n';
}

void writeBackFolder(Session& session, const Invocation& invocation)
{
    const std::string& folder = invocation.folder.value();
    const auto entries = data::compareWithFolder(session.engine(), folder);
    const auto chosen = chosenEntries(entries, invocation.operands, data::FolderState::Different,
                                      data::FolderState::OnlyInDatabase);
    data::writeBackToFolder(folder, chosen);
    for (const data::FolderEntry& entry : chosen)
        std::cout << sqltext::procedureFileName(entry.procedure) << '\n';
}

} // namespace varnett::cli
