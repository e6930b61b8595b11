#include "sqltext/InsertionLists.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ProcedureFilter.h"
#include "sqltext/Utf8.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

std::string typeOf(const InsertionField& field)
{
    if (!field.typeText.empty())
        return field.typeText;
    if (!field.declaredType.empty())
        return bracketQuote(field.declaredType);
    return {};
}

// Byte offset of the character at `column`, or the size when the text is shorter.
std::size_t byteOffset(std::string_view text, std::size_t column)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isUtf8Continuation(text[i]))
            continue;
        if (chars == column)
            return i;
        ++chars;
    }
    return text.size();
}

} // namespace

std::vector<std::string> fieldItems(const std::vector<InsertionField>& fields, ListMode mode)
{
    std::vector<std::string> items;
    for (const InsertionField& field : fields) {
        std::string quoted = bracketQuote(field.name);
        if (mode == ListMode::Compare) {
            std::string variable = variableSafe(field.name);
            items.push_back(quoted + " = @p" + variable);
            items.push_back(quoted + " = @l" + variable);
        } else {
            items.push_back(std::move(quoted));
        }
    }
    return items;
}

std::vector<std::string> variableItems(const std::vector<InsertionField>& fields,
                                       ListMode mode)
{
    std::vector<std::string> items;
    for (const InsertionField& field : fields) {
        std::string variable = variableSafe(field.name);
        std::string suffix;
        if (mode == ListMode::Compare) {
            suffix = " = ";
        } else if (mode == ListMode::Typed) {
            std::string type = typeOf(field);
            if (!type.empty())
                suffix = " " + type;
        }
        items.push_back("@p" + variable + suffix);
        items.push_back("@l" + variable + suffix);
    }
    return items;
}

std::string_view itemSeparator(ListMode mode)
{
    return mode == ListMode::Compare ? " AND " : ", ";
}

std::string composeResult(const std::vector<std::string>& items,
                          const std::vector<std::size_t>& selected, ListMode mode)
{
    std::string_view separator = itemSeparator(mode);
    std::vector<std::size_t> order = selected;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    if (!order.empty() && order.back() >= items.size())
        throw Error("List item " + std::to_string(order.back()) + " does not exist");
    std::string result;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0)
            result += separator;
        result += items[order[i]];
    }
    return result;
}

std::string insertAtColumn(std::string_view line, std::size_t column, std::string_view text)
{
    std::size_t at = byteOffset(line, column);
    std::string out;
    out.reserve(line.size() + text.size());
    out.append(line.substr(0, at));
    out.append(text);
    out.append(line.substr(at));
    return out;
}

std::string insertProcedureName(std::string_view line, std::size_t column,
                                std::string_view name)
{
    std::string text(name);
    text += ' ';
    std::string out = insertAtColumn(line, column, text);
    std::erase_if(out, [](char c) { return c == '\r' || c == '\n'; });
    return out;
}

FollowUp nextFollowUp(std::string_view result, FollowUp previous)
{
    std::string_view trimmed = trim(result, isSpaceOrControl);
    if (previous == FollowUp::None && trimmed == "DECLARE")
        return FollowUp::Variables;
    if ((previous == FollowUp::None || previous == FollowUp::Variables)
        && result.find("WHERE") != std::string_view::npos)
        return FollowUp::Fields;
    if (previous != FollowUp::Procedures && trimmed == "EXEC")
        return FollowUp::Procedures;
    return FollowUp::None;
}

} // namespace varnett::sqltext
