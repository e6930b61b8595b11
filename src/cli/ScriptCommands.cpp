#include "cli/Commands.h"
#include "cli/Output.h"

#include "data/Scripts.h"

namespace varnett::cli {

void procedureScript(Session& session, const std::string& out,
                     const std::vector<std::string>& procedures)
{
    std::vector<std::string> names;
    for (const std::string& procedure : procedures)
        names.push_back(session.resolveProcedure(procedure));
    data::Engine& engine = session.engine();
    TerminalProgress progress({"reading procedure", "ordering procedure", "writing procedure"});
    data::writeProcedureScript(engine, engine.databaseName(), names, out, progress.progress());
}

void dataScript(Session& session, const std::string& out, const std::vector<std::string>& tables)
{
    std::vector<std::string> names;
    for (const std::string& table : tables)
        names.push_back(session.resolveTable(table));
    TerminalProgress progress({"writing table"});
    data::writeDataScript(session.engine(), names, out, progress.progress());
}

} // namespace varnett::cli
