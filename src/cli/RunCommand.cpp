#include "cli/Commands.h"

#include "data/ProcedureRun.h"
#include "sqltext/Delimited.h"
#include "sqltext/Error.h"

#include <iostream>

namespace varnett::cli {

namespace {

// Tab-separated: \N for NULL; backslash, tab and line breaks escaped.
std::string tsvField(const std::optional<std::string>& value)
{
    if (!value)
        return "\\N";
    std::string out;
    for (char c : *value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string jsonString(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += '\\', out += c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (u < 0x20)
            out += std::string("\\u00") + digits[u >> 4] + digits[u & 15];
        else
            out += c;
    }
    return out + "\"";
}

std::string jsonValue(const std::optional<std::string>& value)
{
    return value ? jsonString(*value) : "null";
}

void writeDelimited(const data::RunResultSet& set, bool csv)
{
    auto line = [&](const auto& cells, auto text) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            std::cout << (i ? (csv ? "," : "\t") : "") << (csv ? sqltext::csvField(text(cells[i])) : tsvField(text(cells[i])));
        std::cout << (csv ? "\r\n" : "\n");
    };
    line(set.columns, [](const data::RunColumn& c) { return std::optional<std::string>(c.name); });
    for (const data::RunRow& row : set.rows)
        line(row, [](const std::optional<std::string>& v) { return v; });
}

void writeJson(const std::vector<data::RunResultSet>& sets)
{
    std::cout << "[";
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const data::RunResultSet& set = sets[s];
        std::cout << (s ? ",\n " : "\n ") << "{\"columns\": [";
        for (std::size_t i = 0; i < set.columns.size(); ++i)
            std::cout << (i ? ", " : "") << "{\"name\": " << jsonString(set.columns[i].name)
                      << ", \"type\": " << jsonString(set.columns[i].type) << "}";
        std::cout << "], \"rows\": [";
        for (std::size_t r = 0; r < set.rows.size(); ++r) {
            std::cout << (r ? ", [" : "[");
            for (std::size_t i = 0; i < set.rows[r].size(); ++i)
                std::cout << (i ? ", " : "") << jsonValue(set.rows[r][i]);
            std::cout << "]";
        }
        std::cout << "], \"rowsLeftOut\": " << set.rowsLeftOut << "}";
    }
    std::cout << (sets.empty() ? "]\n" : "\n]\n");
}

} // namespace

void runProcedure(Session& session, const Invocation& invocation)
{
    data::RunRequest request;
    request.procedure = session.resolveProcedure(invocation.operands.at(0));
    for (const auto& [name, value] : invocation.parameters)
        request.arguments.push_back({name, value});
    request.rollback = invocation.rollback;
    const data::RunOutcome outcome = session.engine().runProcedure(request);

    const std::string format = invocation.format.value_or("tsv");
    if (format == "json") {
        writeJson(outcome.resultSets);
    } else {
        for (std::size_t s = 0; s < outcome.resultSets.size(); ++s) {
            if (s)
                std::cout << (format == "csv" ? "\r\n" : "\n");
            writeDelimited(outcome.resultSets[s], format == "csv");
        }
    }
    std::cout.flush();

    for (std::size_t s = 0; s < outcome.resultSets.size(); ++s)
        if (outcome.resultSets[s].rowsLeftOut)
            std::cerr << "Result set " << s + 1 << ": " << outcome.resultSets[s].rowsLeftOut
                      << " more rows left out\n";
    for (const data::RunMessage& message : outcome.messages)
        std::cerr << data::messageText(message) << '\n';
    for (long long count : outcome.rowsAffected)
        std::cerr << "(" << count << (count == 1 ? " row" : " rows") << " affected)\n";
    for (const data::RunOutput& output : outcome.outputs)
        std::cerr << output.name << " = " << (output.value ? *output.value : "NULL") << '\n';
    if (outcome.returnValue)
        std::cerr << "Return value: " << *outcome.returnValue << '\n';
    if (outcome.rolledBack)
        std::cerr << "Rolled back: the call ran in a transaction that was rolled back.\n";
    if (outcome.failed())
        throw Error("The procedure '" + sqltext::displayName(request.procedure.object)
                    + "' raised an error.");
}

} // namespace varnett::cli
