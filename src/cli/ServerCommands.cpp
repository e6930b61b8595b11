#include "cli/Commands.h"
#include "cli/Output.h"

#include "data/ProcedureUpdate.h"
#include "data/Scripts.h"
#include "data/dmMain.h"
#include "sqltext/Error.h"
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
    std::vector<sqltext::ObjectName> names;
    for (const std::string& procedure : procedures)
        names.push_back(sqltext::objectNameOrWhole(procedure));
    session.engine().executeBatch(data::joinLinesCrLf(sqltext::dropProcedureLines(names)));
}

void updateProcedure(Session& session, const std::string& path)
{
    const std::string text = readInput(path);
    data::updateProcedure(session.engine(), data::createdProcedure(text),
                          sqltext::splitLines(text));
}

void loadFile(Session& session, const std::string& path, bool transaction)
{
    data::Engine& engine = session.engine();
    LoadDisplay display;
    data::LoadOptions options;
    options.transaction = transaction;
    options.progress = display.callback();
    try {
        data::loadScriptFile(engine, path, options);
    } catch (const data::TransactionRefused& error) {
        throw Error(std::string(error.what())
                    + " Load the script with --no-transaction to run it batch by batch.");
    }
}

} // namespace varnett::cli
