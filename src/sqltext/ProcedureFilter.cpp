#include "sqltext/ProcedureFilter.h"

#include "sqltext/AsciiText.h"

namespace varnett::sqltext {

namespace {

std::vector<std::string> filterCatalog(const std::vector<std::string>& catalog,
                                       std::string_view filter, bool underscoreAsBlank)
{
    std::vector<std::string> names;
    if (filter.empty()) {
        names.reserve(catalog.size());
        for (const std::string& name : catalog)
            names.push_back(procedureDisplayName(name));
        return names;
    }
    const std::string key = toUpperAscii(trim(filter, isSpaceOrControl));
    if (key.empty())
        return names;
    for (const std::string& name : catalog) {
        std::string candidate = toUpperAscii(name);
        if (underscoreAsBlank)
            for (char& c : candidate)
                if (c == '_')
                    c = ' ';
        if (candidate.find(key) != std::string::npos)
            names.push_back(procedureDisplayName(name));
    }
    return names;
}

} // namespace

std::vector<std::string> catalogNames(const std::vector<ProcedureRef>& procedures)
{
    std::vector<std::string> names;
    names.reserve(procedures.size());
    for (const ProcedureRef& procedure : procedures)
        names.push_back(catalogName(procedure));
    return names;
}

std::string procedureDisplayName(std::string_view catalogName)
{
    std::size_t digits = 0;
    while (digits < catalogName.size()) {
        char c = catalogName[catalogName.size() - 1 - digits];
        if (c < '0' || c > '9')
            break;
        ++digits;
    }
    if (digits == 0 || digits == catalogName.size()
        || catalogName[catalogName.size() - 1 - digits] != ';')
        return std::string(catalogName);
    return std::string(catalogName.substr(0, catalogName.size() - 1 - digits));
}

std::vector<std::string> filterOpenDialog(const std::vector<std::string>& catalog,
                                          std::string_view filter)
{
    return filterCatalog(catalog, filter, true);
}

std::vector<std::string> filterProcedureList(const std::vector<std::string>& catalog,
                                             std::string_view filter)
{
    return filterCatalog(catalog, filter, false);
}

} // namespace varnett::sqltext
