#include "cli/Commands.h"
#include "cli/Output.h"

#include "sqltext/ProcedureFilter.h"
#include "sqltext/ProcedureText.h"
#include "sqltext/TypeText.h"

namespace varnett::cli {

void listTables(Session& session)
{
    printLines(session.engine().listTables());
}

void listFields(Session& session, const std::string& table)
{
    std::vector<std::string> lines;
    for (const auto& column : session.columnsOf(session.resolveTable(table)))
        lines.push_back(column.name + '\t' + sqltext::typeText(column).value_or(std::string()));
    printLines(lines);
}

void listProcedures(Session& session)
{
    std::vector<std::string> names = session.engine().listProcedures();
    for (std::string& name : names)
        name = sqltext::procedureDisplayName(name);
    printLines(names);
}

void printProcedureText(Session& session, const std::string& procedure)
{
    data::Engine& engine = session.engine();
    auto rows = engine.procedureText(
        sqltext::procedureObjectName(engine.databaseName(), sqltext::parseObjectName(procedure)));
    printLines(sqltext::procedureLines(rows));
}

} // namespace varnett::cli
