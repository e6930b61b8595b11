#include "sqltext/ProcedureText.h"

#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"

namespace varnett::sqltext {

namespace {

std::string quotedPart(std::string_view part)
{
    return isBareName(part) ? std::string(part) : bracketQuote(part);
}

} // namespace

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string joinRows(const std::vector<std::string>& rows)
{
    std::size_t size = 0;
    for (const std::string& row : rows)
        size += row.size();
    std::string text;
    text.reserve(size);
    for (const std::string& row : rows)
        text += row;
    return text;
}

std::vector<std::string> procedureLines(const std::vector<std::string>& rows)
{
    return splitLines(joinRows(rows));
}

std::string procedureObjectName(std::string_view database, std::string_view procedure)
{
    if (procedure.empty())
        throw Error("No procedure name given");
    if (database.empty())
        throw Error("No database name given for the procedure '" + std::string(procedure) + "'");
    return quotedPart(database) + ".dbo." + quotedPart(procedure);
}

std::string procedureObjectName(std::string_view database, const ObjectName& procedure)
{
    if (procedure.isDbo())
        return procedureObjectName(database, procedure.name);
    if (database.empty())
        throw Error("No database name given for the procedure '" + displayName(procedure) + "'");
    return quotedPart(database) + "." + quotedPart(procedure.schema) + "."
        + quotedPart(procedure.name);
}

} // namespace varnett::sqltext
