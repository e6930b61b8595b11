#include "sqltext/ProcScript.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Batches.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcedureFilter.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace varnett::sqltext {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

bool isDelimiter(char c) { return isSpaceOrControl(c) || c == ','; }

// Characters of an unquoted name part or variable name.
bool isNameChar(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
        || c == '_' || c == '@' || c == '#' || c == '$' || u >= 0x80;
}

// End of the first blank- or comma-delimited word equal to `word`, or kNone.
std::size_t wordEnd(std::string_view text, std::string_view word)
{
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isDelimiter(text[i]))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !isDelimiter(text[i]))
            ++i;
        if (text.substr(start, i - start) == word)
            return i;
    }
    return kNone;
}

void skipSpace(std::string_view text, std::size_t& p)
{
    while (p < text.size() && isSpaceOrControl(text[p]))
        ++p;
}

// Reads one part of a multi-part name at p: bracketed, double-quoted or bare.
// False for an unterminated bracket or quote.
bool readNamePart(std::string_view text, std::size_t& p, std::string& part)
{
    part.clear();
    if (p < text.size() && (text[p] == '[' || text[p] == '"'))
        return readDelimitedPart(text, p, part);
    while (p < text.size() && isNameChar(text[p]))
        part += text[p++];
    return true;
}

// The callee of an upper-cased line; `schema` (when given) receives the
// schema part written before its name, or empty text when there is none.
std::optional<std::string> calleeOfUpper(std::string_view upper, std::string* schema = nullptr)
{
    if (upper.find("EXEC") == std::string_view::npos)
        return std::nullopt;
    std::size_t p = wordEnd(upper, "EXEC");
    if (p == kNone)
        p = wordEnd(upper, "EXECUTE");
    if (p == kNone)
        return std::nullopt;
    skipSpace(upper, p);
    if (p < upper.size() && upper[p] == '@') {
        // Either "EXEC @rc = name" or a procedure name held in a variable.
        while (p < upper.size() && isNameChar(upper[p]))
            ++p;
        skipSpace(upper, p);
        if (p >= upper.size() || upper[p] != '=')
            return std::nullopt;
        ++p;
        skipSpace(upper, p);
    }
    std::string part, before;
    for (;;) {
        if (!readNamePart(upper, p, part))
            return std::nullopt;
        if (p < upper.size() && upper[p] == '.') {
            ++p;
            before = std::move(part);
            continue;
        }
        break;
    }
    if (part.empty())
        return std::nullopt;
    if (schema)
        *schema = std::move(before);
    return part;
}

// Strongly connected components of a graph given by its edge lists; the
// component number of every vertex.
std::vector<std::size_t> components(const std::vector<std::vector<std::size_t>>& edges)
{
    const std::size_t n = edges.size();
    std::vector<std::size_t> index(n, kNone), low(n, 0), component(n, kNone);
    std::vector<bool> onStack(n, false);
    std::vector<std::size_t> stack;
    std::vector<std::pair<std::size_t, std::size_t>> work;   // vertex, next edge
    std::size_t counter = 0, count = 0;
    auto visit = [&](std::size_t v) {
        index[v] = low[v] = counter++;
        stack.push_back(v);
        onStack[v] = true;
        work.emplace_back(v, 0);
    };
    for (std::size_t root = 0; root < n; ++root) {
        if (index[root] != kNone)
            continue;
        visit(root);
        while (!work.empty()) {
            std::size_t v = work.back().first;
            if (work.back().second < edges[v].size()) {
                std::size_t w = edges[v][work.back().second++];
                if (index[w] == kNone)
                    visit(w);
                else if (onStack[w])
                    low[v] = std::min(low[v], index[w]);
                continue;
            }
            work.pop_back();
            if (!work.empty())
                low[work.back().first] = std::min(low[work.back().first], low[v]);
            if (low[v] == index[v]) {
                std::size_t w;
                do {
                    w = stack.back();
                    stack.pop_back();
                    onStack[w] = false;
                    component[w] = count;
                } while (w != v);
                ++count;
            }
        }
    }
    return component;
}

// "[Schema].[Name]" of a procedure named as the lists show it ("[dbo]" for dbo).
std::string bracketedProcedure(std::string_view procedure)
{
    const ObjectName object = objectNameOrWhole(procedure);
    return (object.isDbo() ? std::string("[dbo]") : bracketQuote(object.schema)) + "."
        + bracketQuote(object.name);
}

std::string dropTest(std::string_view procedure)
{
    return "if exists (select * from sysobjects where id = object_id("
        + stringLiteral(bracketedProcedure(procedure), true)
        + ") and OBJECTPROPERTY(id, N'IsProcedure') = 1)";
}

std::string dropStatement(std::string_view procedure)
{
    return "drop procedure " + bracketedProcedure(procedure);
}

// The key a procedure is found by: its schema and name, upper-cased.
std::string procedureKey(std::string_view schema, std::string_view name)
{
    std::string key = toUpperAscii(schema);
    key += '\0';
    key += toUpperAscii(name);
    return key;
}

} // namespace

std::optional<std::string> calleeName(std::string_view line)
{
    return calleeOfUpper(toUpperAscii(line));
}

std::vector<std::size_t> scriptOrder(const std::vector<ScriptProcedure>& procedures,
                                     const std::function<void()>& step)
{
    const std::size_t n = procedures.size();

    // Each call resolved as the server resolves it, to the first procedure of
    // that schema and name, in line order: a name without a schema means the
    // caller's schema first, then dbo.
    std::unordered_map<std::string, std::size_t> byName;
    std::vector<std::string> schemaOf(n);
    for (std::size_t i = 0; i < n; ++i) {
        const ObjectName object = objectNameOrWhole(procedures[i].name);
        schemaOf[i] = object.isDbo() ? "dbo" : object.schema;
        byName.try_emplace(procedureKey(schemaOf[i], object.name), i);
    }
    std::string calleeSchema;
    std::vector<std::vector<std::size_t>> calls(n);
    std::string upper;
    for (std::size_t i = 0; i < n; ++i) {
        for (const std::string& line : procedures[i].lines) {
            upper.assign(line);
            for (char& c : upper)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            std::optional<std::string> callee = calleeOfUpper(upper, &calleeSchema);
            if (!callee)
                continue;
            auto found = byName.find(procedureKey(
                calleeSchema.empty() ? schemaOf[i] : calleeSchema, *callee));
            if (found == byName.end() && calleeSchema.empty())
                found = byName.find(procedureKey("dbo", *callee));
            if (found != byName.end() && found->second != i)
                calls[i].push_back(found->second);
        }
    }

    // Procedures in one call cycle form a group that moves as a whole, its
    // members in their given order; groups start where their first member is.
    std::vector<std::size_t> component = components(calls);
    std::vector<std::size_t> groupOf(n), groupOfComponent(n, kNone);
    std::vector<std::vector<std::size_t>> members;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t& group = groupOfComponent[component[i]];
        if (group == kNone) {
            group = members.size();
            members.emplace_back();
        }
        groupOf[i] = group;
        members[group].push_back(i);
    }
    const std::size_t groups = members.size();
    std::vector<std::vector<std::size_t>> groupCalls(groups);
    for (std::size_t g = 0; g < groups; ++g)
        for (std::size_t member : members[g])
            for (std::size_t callee : calls[member])
                if (groupOf[callee] != g)
                    groupCalls[g].push_back(groupOf[callee]);

    // The move pass over the groups: the first callee found further down is
    // moved up to the current position, which is then scanned again.
    std::vector<std::size_t> order(groups), position(groups);
    for (std::size_t g = 0; g < groups; ++g)
        order[g] = position[g] = g;
    std::size_t i = 0;
    while (i + 1 < groups) {
        if (step)
            step();
        bool moved = false;
        for (std::size_t callee : groupCalls[order[i]]) {
            std::size_t m = position[callee];
            if (m <= i)
                continue;
            std::rotate(order.begin() + static_cast<std::ptrdiff_t>(i),
                        order.begin() + static_cast<std::ptrdiff_t>(m),
                        order.begin() + static_cast<std::ptrdiff_t>(m + 1));
            for (std::size_t k = i; k <= m; ++k)
                position[order[k]] = k;
            moved = true;
            break;
        }
        if (!moved)
            ++i;
    }

    std::vector<std::size_t> result;
    result.reserve(n);
    for (std::size_t group : order)
        result.insert(result.end(), members[group].begin(), members[group].end());
    return result;
}

std::string settingsLine(const ProcedureSettings& settings)
{
    return std::string("SET QUOTED_IDENTIFIER  ") + (settings.quotedIdentifier ? "ON" : "OFF")
        + "    SET ANSI_NULLS  " + (settings.ansiNulls ? "ON" : "OFF");
}

std::string procedureBlock(std::string_view name, const ProcedureSettings& settings,
                           std::string_view text)
{
    // Lines end at LF (a CR before it belongs to the break) or at a lone CR,
    // as the script reader cuts them.
    std::size_t start = 0;
    for (std::size_t line = 1; start <= text.size(); ++line) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (isGoLine(text.substr(start, end - start)))
            throw Error("The procedure '" + std::string(name) + "' cannot be written to a script: "
                        "its line " + std::to_string(line) + " ('"
                        + std::string(text.substr(start, end - start))
                        + "') holds only GO, which would end the script's batch there");
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }

    constexpr std::string_view kBreak = "\r\n";
    const std::string settingsText = settingsLine(settings);
    std::string block;
    block.reserve(text.size() + 2 * settingsText.size() + 200);
    block += dropTest(name);
    block += ' ';
    block += dropStatement(name);
    block += kBreak;
    block += "GO";
    block += kBreak;
    block += kBreak;
    block += settingsText;
    block += kBreak;
    block += "GO";
    block += kBreak;
    block += text;
    block += kBreak;
    block += "GO";
    block += kBreak;
    block += settingsText;
    block += kBreak;
    block += "GO";
    block += kBreak;
    return block;
}

std::vector<std::string> conditionalDropLines(std::string_view procedure)
{
    return {dropTest(procedure), dropStatement(procedure)};
}

std::vector<std::string> dropProcedureLines(const std::vector<std::string>& names)
{
    std::vector<std::string> lines;
    lines.reserve(names.size());
    for (const std::string& name : names)
    {
        const ObjectName object = objectNameOrWhole(name);
        lines.push_back("DROP PROCEDURE "
                        + (object.isDbo() ? bracketQuote(object.name) : bracketedName(object)));
    }
    return lines;
}

} // namespace varnett::sqltext
