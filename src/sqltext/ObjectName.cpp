#include "sqltext/ObjectName.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/Quoting.h"
#include "sqltext/ProcedureFilter.h"

#include <algorithm>
#include <vector>

namespace varnett::sqltext {

namespace {

bool needsBrackets(std::string_view part)
{
    return part.empty() || part.find('.') != std::string_view::npos || part.front() == '['
        || part.front() == '"';
}

// Compares as the embedded engine and the server's usual collation do: the
// letters A to Z as a to z, so "_" comes before every letter.
int compareIgnoringCase(std::string_view a, std::string_view b)
{
    auto lower = [](char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (lower(a[i]) != lower(b[i]))
            return lower(a[i]) < lower(b[i]) ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string displayPart(std::string_view part)
{
    return needsBrackets(part) ? bracketQuote(part) : std::string(part);
}

// The parts of a name: each bracketed, double-quoted (a doubled closing mark
// stands for itself) or bare up to the next dot, where "[", "]" and double
// quotes are plain characters.
std::vector<std::string> nameParts(std::string_view text)
{
    std::vector<std::string> parts;
    std::size_t p = 0;
    while (true) {
        std::string part;
        if (p < text.size() && (text[p] == '[' || text[p] == '"')) {
            const char close = text[p] == '[' ? ']' : '"';
            if (!readDelimitedPart(text, p, part))
                throw Error("Unterminated " + std::string(close == ']' ? "bracket" : "quote")
                            + " in the name '" + std::string(text) + "'");
            if (p < text.size() && text[p] != '.')
                throw Error("The name '" + std::string(text) + "' goes on after a closing "
                            + (close == ']' ? "bracket" : "quote") + ": bracket the whole part");
        } else {
            const std::size_t dot = std::min(text.find('.', p), text.size());
            part.assign(text.substr(p, dot - p));
            p = dot;
        }
        parts.push_back(std::move(part));
        if (p >= text.size())
            return parts;
        ++p;    // the dot
    }
}

} // namespace

bool ObjectName::isDbo() const
{
    return toUpperAscii(schema) == "DBO";
}

ObjectName parseObjectName(std::string_view text)
{
    if (text.empty())
        throw Error("No object name given");
    const std::vector<std::string> parts = nameParts(text);
    if (parts.size() > 2)
        throw Error("The name '" + std::string(text)
                    + "' has more than two parts: give Schema.Name or Name");
    for (const std::string& part : parts)
        if (part.empty())
            throw Error("The name '" + std::string(text) + "' has an empty part");
    if (parts.size() == 1)
        return ObjectName{"dbo", parts[0]};
    return ObjectName{parts[0], parts[1]};
}

ObjectName objectNameOrWhole(std::string_view text)
{
    try {
        return parseObjectName(text);
    } catch (const Error&) {
        return ObjectName{"dbo", std::string(text)};
    }
}

std::string displayName(const ObjectName& object)
{
    if (object.isDbo())
        return displayPart(object.name);
    return displayPart(object.schema) + "." + displayPart(object.name);
}

std::string catalogName(const ProcedureRef& procedure)
{
    return displayName(procedure.object) + ";" + std::to_string(procedure.group);
}

ProcedureRef parseProcedureRef(std::string_view text)
{
    // A ";" followed by anything but digits belongs to the name ("[a;b]", "a;b").
    const std::size_t semicolon = text.rfind(';');
    const std::string_view digits
        = semicolon == std::string_view::npos ? std::string_view{} : text.substr(semicolon + 1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isAsciiDigit))
        return {parseObjectName(text), 1};
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos || digits.size() - first > 5
        || std::stoi(std::string(digits.substr(first))) > 32767)
        throw Error("The procedure '" + std::string(text)
                    + "' has no group number from 1 to 32767 after its ';'.");
    return {parseObjectName(text.substr(0, semicolon)), std::stoi(std::string(digits.substr(first)))};
}

std::string sqlName(const ObjectName& object)
{
    if (object.isDbo())
        return quoteIfNeeded(object.name);
    return quoteIfNeeded(object.schema) + "." + quoteIfNeeded(object.name);
}

std::string bracketedName(const ObjectName& object)
{
    return bracketQuote(object.schema) + "." + bracketQuote(object.name);
}

bool lessObjectName(const ObjectName& a, const ObjectName& b)
{
    const int schema = compareIgnoringCase(a.schema, b.schema);
    return schema != 0 ? schema < 0 : compareIgnoringCase(a.name, b.name) < 0;
}

bool lessDisplayName(std::string_view a, std::string_view b)
{
    return lessObjectName(parseObjectName(a), parseObjectName(b));
}

bool readDelimitedPart(std::string_view text, std::size_t& p, std::string& part)
{
    const char close = text[p] == '[' ? ']' : '"';
    part.clear();
    const std::size_t end = delimitedEnd(text, p + 1, close);
    if (end == std::string_view::npos) {
        appendUnquoted(part, text.substr(p + 1), close);
        p = text.size();
        return false;
    }
    appendUnquoted(part, text.substr(p + 1, end - p - 2), close);
    p = end;
    return true;
}

} // namespace varnett::sqltext
