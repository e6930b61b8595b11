#include "sqltext/ProcedureFilter.h"

namespace varnett::sqltext {

namespace {

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) < 33;
}

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
    const std::string key = toUpperAscii(trimBlanksAndControls(filter));
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

std::string_view trimBlanksAndControls(std::string_view text)
{
    while (!text.empty() && isBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string toUpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
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
