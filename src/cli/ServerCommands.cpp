#include "cli/Commands.h"
#include "cli/Output.h"

#include "data/ProcedureUpdate.h"
#include "data/Scripts.h"
#include "data/dmMain.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureText.h"

namespace varnett::cli {

void executeFile(Session& session, const std::string& path)
{
    std::string text = readScript(path);
    session.engine().executeBatch(text);
}

void dropProcedures(Session& session, const std::vector<std::string>& procedures)
{
    session.engine().executeBatch(data::joinLinesCrLf(sqltext::dropProcedureLines(procedures)));
}

void updateProcedure(Session& session, const std::string& path)
{
    const std::string text = readInput(path);
    data::updateProcedure(session.engine(), data::createdProcedure(text),
                          sqltext::splitLines(text));
}

void loadFile(Session& session, const std::string& path)
{
    std::string script = readScript(path);
    data::Engine& engine = session.engine();
    TerminalProgress progress({"running batch"});
    data::loadScript(engine, script, progress.progress());
}

} // namespace varnett::cli
