#include "cli/Commands.h"
#include "cli/Output.h"

#include "sqltext/ProcedureFilter.h"
#include "sqltext/ProcedureText.h"
#include "sqltext/TypeText.h"

namespace varnett::cli {

void listTables(Session& session)
{
    std::vector<std::string> names;
    for (const sqltext::ObjectName& table : session.engine().listTables())
        names.push_back(sqltext::displayName(table));
    printLines(names);
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
    std::vector<std::string> names;
    for (const sqltext::ProcedureRef& procedure : session.engine().listProcedures())
        names.push_back(sqltext::procedureDisplayName(sqltext::catalogName(procedure)));
    printLines(names);
}

void printProcedureText(Session& session, const std::string& procedure)
{
    auto rows = session.engine().procedureText(sqltext::parseObjectName(procedure));
    printLines(sqltext::procedureLines(rows));
}

} // namespace varnett::cli
