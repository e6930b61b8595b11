#include "sqltext/ProcScript.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Batches.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcedureFilter.h"
#include "sqltext/TsqlTokens.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace varnett::sqltext {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// The callee of the line whose tokens are given: the name after its first
// word EXEC, or else after its first word EXECUTE, upper-cased; `schema`
// receives the schema part written before the name, or empty text.
std::optional<std::string> calleeOfLine(std::string_view text, const std::vector<Token>& tokens,
                                        std::string& schema)
{
    auto isWord = [&](const Token& token, std::string_view word) {
        return token.kind == Token::Kind::Word
            && equalsNoCase(text.substr(token.begin, token.end - token.begin), word);
    };
    std::size_t p = tokens.size();
    for (std::size_t i = 0; i < tokens.size() && p == tokens.size(); ++i)
        if (isWord(tokens[i], "EXEC"))
            p = i + 1;
    for (std::size_t i = 0; i < tokens.size() && p == tokens.size(); ++i)
        if (isWord(tokens[i], "EXECUTE"))
            p = i + 1;
    if (p == tokens.size())
        return std::nullopt;
    auto skipBlanks = [&] {
        while (p < tokens.size() && !tokens[p].significant())
            ++p;
    };
    auto isSymbol = [&](char c) {
        return p < tokens.size() && tokens[p].kind == Token::Kind::Symbol
            && text[tokens[p].begin] == c;
    };
    skipBlanks();
    if (p < tokens.size() && tokens[p].kind == Token::Kind::Word && text[tokens[p].begin] == '@') {
        // Either "EXEC @rc = name" or a procedure name held in a variable.
        ++p;
        skipBlanks();
        if (!isSymbol('='))
            return std::nullopt;
        ++p;
        skipBlanks();
    }
    std::string part, before;
    for (;;) {
        part.clear();
        if (p < tokens.size() && TsqlTokens::isNamePart(tokens[p])) {
            if (tokens[p].unterminated)
                return std::nullopt;
            part = toUpperAscii(nameValue(text, tokens[p]));
            ++p;
        }
        if (isSymbol('.')) {
            ++p;
            before = std::move(part);
            continue;
        }
        break;
    }
    if (part.empty())
        return std::nullopt;
    schema = std::move(before);
    return part;
}

// Reads the lines of one procedure in turn, each from the state the line
// before left.
class LineCallees {
public:
    std::optional<std::string> next(std::string_view line, std::string& schema)
    {
        TokenReader reader(line, m_state);
        m_tokens.clear();
        Token token;
        while (reader.next(token))
            m_tokens.push_back(token);
        m_state = reader.state();
        return calleeOfLine(line, m_tokens, schema);
    }

private:
    TokenState m_state;
    std::vector<Token> m_tokens;
};

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

// "[Schema].[Name]" of a procedure ("[dbo]" for dbo, in any letter case).
std::string bracketedProcedure(const ObjectName& object)
{
    return (object.isDbo() ? std::string("[dbo]") : bracketQuote(object.schema)) + "."
        + bracketQuote(object.name);
}

std::string dropTest(const ObjectName& procedure)
{
    return "if exists (select * from sysobjects where id = object_id("
        + stringLiteral(bracketedProcedure(procedure), true)
        + ") and OBJECTPROPERTY(id, N'IsProcedure') = 1)";
}

std::string dropStatement(const ObjectName& procedure)
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
    std::string schema;
    return LineCallees().next(line, schema);
}

namespace {

// Whether "exec" appears anywhere in the text, in any letter case: without
// it no line can execute a procedure, and the text need not be read as T-SQL.
bool mentionsExec(std::string_view text)
{
    for (std::size_t i = 0; i + 4 <= text.size(); ++i)
        if ((text[i] | 0x20) == 'e' && (text[i + 1] | 0x20) == 'x' && (text[i + 2] | 0x20) == 'e'
            && (text[i + 3] | 0x20) == 'c')
            return true;
    return false;
}

} // namespace

std::vector<std::string> callingLines(std::string_view text)
{
    if (!mentionsExec(text))
        return {};
    std::vector<std::string> kept;
    std::size_t pieceStart = 0;
    bool calls = false;
    auto endLine = [&](std::size_t end, std::size_t nextStart) {
        if (calls)
            kept.emplace_back(text.substr(pieceStart, end - pieceStart));
        calls = false;
        pieceStart = nextStart;
    };
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    TokenReader reader(text);
    Token token;
    while (reader.next(token)) {
        const std::string_view raw = text.substr(token.begin, token.end - token.begin);
        if (token.kind == Token::Kind::Word) {
            if (equalsNoCase(raw, "EXEC") || equalsNoCase(raw, "EXECUTE"))
                calls = true;
            continue;
        }
        // Words, numbers and symbols hold no line break; the other tokens may.
        if (token.kind == Token::Kind::Number || token.kind == Token::Kind::Binary
            || token.kind == Token::Kind::Symbol)
            continue;
        const auto firstBreak = std::find_if(raw.begin(), raw.end(), isBreak);
        if (firstBreak == raw.end())
            continue;
        if (token.kind == Token::Kind::Space) {
            const auto lastBreak = std::find_if(raw.rbegin(), raw.rend(), isBreak).base();
            endLine(token.begin + static_cast<std::size_t>(firstBreak - raw.begin()),
                    token.begin + static_cast<std::size_t>(lastBreak - raw.begin()));
        } else {
            // A comment, string or name over several lines: the line goes
            // up to it, the next one starts after it.
            endLine(token.begin, token.end);
        }
    }
    endLine(text.size(), text.size());
    return kept;
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
        const ObjectName& object = procedures[i].name;
        schemaOf[i] = object.isDbo() ? "dbo" : object.schema;
        byName.try_emplace(procedureKey(schemaOf[i], object.name), i);
    }
    std::string calleeSchema;
    std::vector<std::vector<std::size_t>> calls(n);
    for (std::size_t i = 0; i < n; ++i) {
        LineCallees callees;
        for (const std::string& line : procedures[i].lines) {
            std::optional<std::string> callee = callees.next(line, calleeSchema);
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

void requireNoGoLine(const ObjectName& name, std::string_view text)
{
    // Lines end at LF (a CR before it belongs to the break) or at a lone CR,
    // as the script reader cuts them.
    std::size_t start = 0;
    for (std::size_t line = 1; start <= text.size(); ++line) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        if (isGoLine(text.substr(start, end - start)))
            throw Error("The procedure '" + displayName(name) + "' cannot be written to a script: "
                        "its line " + std::to_string(line) + " ('"
                        + std::string(text.substr(start, end - start))
                        + "') holds only GO, which would end the script's batch there");
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

std::string procedureBlock(const ObjectName& name, const ProcedureSettings& settings,
                           std::string_view text)
{
    std::string block;
    appendProcedureBlock(block, name, settings, text);
    return block;
}

void appendProcedureBlock(std::string& out, const ObjectName& name,
                          const ProcedureSettings& settings, std::string_view text)
{
    requireNoGoLine(name, text);
    constexpr std::string_view kBreak = "\r\n";
    const std::string settingsText = settingsLine(settings);
    const std::string drop = dropTest(name) + ' ' + dropStatement(name);
    if (out.empty())
        out.reserve(text.size() + 2 * settingsText.size() + drop.size() + 40);
    out += drop;
    out += kBreak;
    out += "GO";
    out += kBreak;
    out += kBreak;
    out += settingsText;
    out += kBreak;
    out += "GO";
    out += kBreak;
    out += text;
    out += kBreak;
    out += "GO";
    out += kBreak;
    out += settingsText;
    out += kBreak;
    out += "GO";
    out += kBreak;
}

std::vector<std::string> conditionalDropLines(const ObjectName& procedure)
{
    return {dropTest(procedure), dropStatement(procedure)};
}

std::vector<std::string> dropProcedureLines(const std::vector<ObjectName>& names)
{
    std::vector<std::string> lines;
    lines.reserve(names.size());
    for (const ObjectName& object : names)
    {
        lines.push_back("DROP PROCEDURE "
                        + (object.isDbo() ? bracketQuote(object.name) : bracketedName(object)));
    }
    return lines;
}

} // namespace varnett::sqltext
