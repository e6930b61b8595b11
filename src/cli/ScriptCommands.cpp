#include "cli/Commands.h"
#include "cli/Output.h"

#include "data/Scripts.h"

namespace varnett::cli {

void procedureScript(Session& session, const std::string& out,
                     const std::vector<std::string>& procedures)
{
    std::vector<sqltext::ObjectName> names;
    for (const std::string& procedure : procedures)
        names.push_back(session.resolveProcedure(procedure).object);
    TerminalProgress progress({"reading procedure", "ordering procedure", "writing procedure"});
    data::writeProcedureScript(session.engine(), names, out, progress.progress());
}

namespace {

data::DataScriptSettings dataSettings(Session& session, const Invocation& invocation)
{
    data::DataScriptSettings settings;
    settings.format.rowsPerInsert = invocation.rowsPerInsert.value_or(1);
    settings.format.statementsPerBatch = invocation.batch.value_or(1);
    settings.orderByKeys = invocation.orderByKeys;
    for (const std::string& where : invocation.wheres) {
        TableCondition condition = parseTableCondition(where);
        settings.conditions.emplace_back(session.resolveTable(condition.table),
                                         condition.condition);
    }
    return settings;
}

} // namespace

void dataScript(Session& session, const Invocation& invocation)
{
    std::vector<sqltext::ObjectName> names;
    for (const std::string& table : invocation.operands)
        names.push_back(session.resolveTable(table));
    const data::DataScriptSettings settings = dataSettings(session, invocation);
    TerminalProgress progress({"writing table"});
    data::writeDataScript(session.engine(), names, invocation.out.value(), settings,
                          progress.progress());
}

void schemaScript(Session& session, const Invocation& invocation)
{
    std::vector<sqltext::ObjectName> names;
    for (const std::string& object : invocation.operands)
        names.push_back(session.resolveTable(object));
    data::SchemaScriptSettings settings;
    settings.options.guarded = invocation.guarded;
    settings.options.dropFirst = invocation.dropFirst;
    settings.options.leaveOutForeignKeys = invocation.noForeignKeys;
    settings.options.leaveOutIndexes = invocation.noIndexes;
    settings.withData = invocation.withData;
    if (invocation.withData)
        settings.data = dataSettings(session, invocation);
    TerminalProgress progress({"reading object", "writing table"});
    data::writeSchemaScript(session.engine(), names, invocation.out.value(), settings,
                            progress.progress());
}

} // namespace varnett::cli
