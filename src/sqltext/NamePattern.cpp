#include "sqltext/NamePattern.h"

#include "sqltext/Error.h"
#include "sqltext/Utf8.h"

#include <array>
#include <optional>

namespace varnett::sqltext {

namespace {

constexpr std::size_t kMaxNameLength = 128;

enum class Placeholder { Schema, Table, Kind };

// One piece of a pattern: literal text, a placeholder, or the dot that
// parts the schema from the name.
struct Piece {
    enum Type { Text, Value, Dot } type = Text;
    std::string text{};
    Placeholder placeholder = Placeholder::Table;
};

std::string quoted(std::string_view pattern)
{
    return "The name pattern '" + std::string(pattern) + "'";
}

std::vector<Piece> piecesOf(std::string_view pattern)
{
    static constexpr std::array<std::pair<std::string_view, Placeholder>, 3> kPlaceholders = {{
        {"{schema}", Placeholder::Schema},
        {"{table}", Placeholder::Table},
        {"{kind}", Placeholder::Kind},
    }};
    std::vector<Piece> pieces;
    auto literal = [&](char c) {
        if (pieces.empty() || pieces.back().type != Piece::Text)
            pieces.push_back({});
        pieces.back().text += c;
    };
    int dots = 0;
    for (std::size_t p = 0; p < pattern.size();) {
        const char c = pattern[p];
        if (c == '{') {
            const std::size_t close = pattern.find('}', p);
            if (close == std::string_view::npos)
                throw Error(quoted(pattern) + " leaves a '{' open.");
            const std::string_view word = pattern.substr(p, close - p + 1);
            std::optional<Placeholder> found;
            for (const auto& [name, placeholder] : kPlaceholders)
                if (word == name)
                    found = placeholder;
            if (!found)
                throw Error(quoted(pattern) + " holds the unknown placeholder '" + std::string(word)
                            + "': use {schema}, {table} or {kind}.");
            pieces.push_back({Piece::Value, {}, *found});
            p = close + 1;
        } else if (c == '}') {
            throw Error(quoted(pattern) + " holds a '}' without a '{'.");
        } else if (c == '.') {
            if (++dots > 1)
                throw Error(quoted(pattern) + " holds more than one dot: one parts the schema from "
                                              "the name.");
            pieces.push_back({Piece::Dot});
            ++p;
        } else {
            literal(c);
            ++p;
        }
    }
    if (pieces.empty())
        throw Error(quoted(pattern) + " is empty.");
    if (pieces.front().type == Piece::Dot || pieces.back().type == Piece::Dot)
        throw Error(quoted(pattern) + " has nothing before or after its dot.");
    return pieces;
}

// Throws when the server cannot hold the part as a procedure's schema or name.
void checkPart(const std::string& part, std::string_view what, std::string_view pattern,
               const ObjectName& table)
{
    auto refuse = [&](const std::string& why) {
        return Error(quoted(pattern) + " gives the table '" + displayName(table) + "' a procedure "
                     + std::string(what) + " " + why + ".");
    };
    if (part.find_first_not_of(' ') == std::string::npos)
        throw refuse("that is empty");
    std::size_t characters = 0;
    for (std::size_t p = 0; p < part.size(); ++characters) {
        const char32_t code = nextCodePoint(part, p);
        if (code == kInvalidCharacter)
            throw refuse("that is no UTF-8 text");
        if (code < 0x20 || code == 0x7F)
            throw refuse("holding a control character");
    }
    if (characters > kMaxNameLength)
        throw refuse("longer than " + std::to_string(kMaxNameLength) + " characters");
    if (part.back() == ' ')
        throw refuse("ending in a blank, which the server drops");
}

} // namespace

std::string_view kindWord(ProcedureKind kind)
{
    switch (kind) {
    case ProcedureKind::Insert: return "INSERT";
    case ProcedureKind::Update: return "UPDATE";
    case ProcedureKind::Delete: return "DELETE";
    case ProcedureKind::Select: return "SELECT";
    }
    return {};
}

std::string defaultNamePattern(ProcedureKind kind)
{
    return "SP_" + std::string(kindWord(kind)) + "_{table}";
}

void checkNamePattern(std::string_view pattern)
{
    piecesOf(pattern);
}

ObjectName procedureNameFor(std::string_view pattern, const ObjectName& table, ProcedureKind kind)
{
    const std::vector<Piece> pieces = piecesOf(pattern);
    std::string first;
    std::optional<std::string> second;
    for (const Piece& piece : pieces) {
        if (piece.type == Piece::Dot) {
            second.emplace();
            continue;
        }
        std::string& part = second ? *second : first;
        if (piece.type == Piece::Text)
            part += piece.text;
        else if (piece.placeholder == Placeholder::Schema)
            part += table.schema;
        else if (piece.placeholder == Placeholder::Table)
            part += table.name;
        else
            part += kindWord(kind);
    }
    ObjectName procedure = second ? ObjectName{std::move(first), std::move(*second)}
                                  : ObjectName{table.schema, std::move(first)};
    if (second)
        checkPart(procedure.schema, "schema", pattern, table);
    checkPart(procedure.name, "name", pattern, table);
    if (procedure.name.front() == '#')
        throw Error(quoted(pattern) + " gives the table '" + displayName(table)
                    + "' a procedure name starting with '#', which makes a temporary procedure.");
    return procedure;
}

} // namespace varnett::sqltext
