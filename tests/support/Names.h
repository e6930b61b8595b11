#pragma once

// Object names in tests, written as the lists show them.

#include "sqltext/ObjectName.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// "Sales.Orders"_name: the name parseObjectName reads from the text.
inline varnett::sqltext::ObjectName operator""_name(const char* text, std::size_t size)
{
    return varnett::sqltext::parseObjectName(std::string_view(text, size));
}

namespace varnett::testing {

inline std::vector<sqltext::ObjectName> names(std::initializer_list<std::string_view> texts)
{
    std::vector<sqltext::ObjectName> objects;
    for (std::string_view text : texts)
        objects.push_back(sqltext::parseObjectName(text));
    return objects;
}

// The objects as the lists show them.
inline std::vector<std::string> shown(const std::vector<sqltext::ObjectName>& objects)
{
    std::vector<std::string> texts;
    for (const sqltext::ObjectName& object : objects)
        texts.push_back(sqltext::displayName(object));
    return texts;
}

// The procedures as the catalog names them ("SP_X;1").
inline std::vector<std::string> shown(const std::vector<sqltext::ProcedureRef>& procedures)
{
    std::vector<std::string> texts;
    for (const sqltext::ProcedureRef& procedure : procedures)
        texts.push_back(sqltext::catalogName(procedure));
    return texts;
}

} // namespace varnett::testing

// "SP_X;2"_proc: the procedure parseProcedureRef reads from the text.
inline varnett::sqltext::ProcedureRef operator""_proc(const char* text, std::size_t size)
{
    return varnett::sqltext::parseProcedureRef(std::string_view(text, size));
}
