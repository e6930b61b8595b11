#include "sqltext/ProcedureFolder.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"

#include <array>

namespace varnett::sqltext {

namespace {

constexpr std::string_view kExtension = ".sql";
constexpr std::size_t kLongestFileName = 255;

bool alwaysEscaped(unsigned char c)
{
    return c < 0x20 || c == 0x7F || std::string_view("%.<>:\"/\\|?*").find(static_cast<char>(c))
        != std::string_view::npos;
}

bool reservedOnWindows(std::string_view part)
{
    static constexpr std::array<std::string_view, 4> kNames = {"CON", "PRN", "AUX", "NUL"};
    for (std::string_view name : kNames)
        if (equalsNoCase(part, name))
            return true;
    return part.size() == 4 && (equalsNoCase(part.substr(0, 3), "COM") || equalsNoCase(part.substr(0, 3), "LPT"))
        && part[3] >= '1' && part[3] <= '9';
}

void appendEscaped(std::string& out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

std::string filePart(std::string_view part)
{
    std::string out;
    for (std::size_t i = 0; i < part.size(); ++i) {
        const auto c = static_cast<unsigned char>(part[i]);
        const bool trailingBlank = i + 1 == part.size() && c == ' ';
        if (alwaysEscaped(c) || trailingBlank || (i == 0 && reservedOnWindows(part)))
            appendEscaped(out, c);
        else
            out += part[i];
    }
    return out;
}

std::optional<std::string> namePart(std::string_view part)
{
    if (part.empty())
        return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < part.size(); ++i) {
        const auto c = static_cast<unsigned char>(part[i]);
        if (c != '%') {
            if (alwaysEscaped(c))
                return std::nullopt;
            out += part[i];
            continue;
        }
        if (i + 2 >= part.size() || !isHexDigit(part[i + 1]) || !isHexDigit(part[i + 2]))
            return std::nullopt;
        out += static_cast<char>(hexDigitValue(part[i + 1]) * 16 + hexDigitValue(part[i + 2]));
        i += 2;
    }
    return out;
}

// The next line of the text from `p`, without its line end; p moves past it.
std::string_view nextLine(std::string_view text, std::size_t& p)
{
    const std::size_t end = std::min(text.find('\n', p), text.size());
    std::string_view line = text.substr(p, end - p);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    p = end == text.size() ? end : end + 1;
    return line;
}

std::optional<bool> setting(std::string_view line, std::string_view option)
{
    const std::string prefix = "SET " + std::string(option) + " ";
    if (line.size() <= prefix.size() || !equalsNoCase(line.substr(0, prefix.size()), prefix))
        return std::nullopt;
    const std::string_view value = trim(line.substr(prefix.size()), isSpaceOrControl);
    if (equalsNoCase(value, "ON"))
        return true;
    if (equalsNoCase(value, "OFF"))
        return false;
    return std::nullopt;
}

} // namespace

std::string procedureFileName(const ObjectName& procedure)
{
    std::string name = filePart(procedure.schema) + "." + filePart(procedure.name) + std::string(kExtension);
    if (name.size() > kLongestFileName)
        throw Error("The procedure '" + displayName(procedure)
                    + "' cannot be written to a folder: its file name would be longer than "
                    + std::to_string(kLongestFileName) + " bytes.");
    return name;
}

std::optional<ObjectName> procedureOfFileName(std::string_view fileName)
{
    if (fileName.size() <= kExtension.size() || fileName.substr(fileName.size() - kExtension.size()) != kExtension)
        return std::nullopt;
    fileName.remove_suffix(kExtension.size());
    const std::size_t dot = fileName.find('.');
    if (dot == std::string_view::npos || fileName.find('.', dot + 1) != std::string_view::npos)
        return std::nullopt;
    auto schema = namePart(fileName.substr(0, dot));
    auto name = namePart(fileName.substr(dot + 1));
    if (!schema || !name)
        return std::nullopt;
    ObjectName object{std::move(*schema), std::move(*name)};
    // One file name for each procedure: "%2e" or an escaped letter that
    // needs none names no procedure.
    if (filePart(object.schema) + "." + filePart(object.name) != fileName)
        return std::nullopt;
    return object;
}

std::string procedureFileText(const ObjectName& procedure, const ProcedureFile& file)
{
    requireNoGoLine(procedure, file.text);
    std::string out;
    out.reserve(file.text.size() + 64);
    out += file.settings.quotedIdentifier ? "SET QUOTED_IDENTIFIER ON\r\n" : "SET QUOTED_IDENTIFIER OFF\r\n";
    out += file.settings.ansiNulls ? "SET ANSI_NULLS ON\r\n" : "SET ANSI_NULLS OFF\r\n";
    out += "GO\r\n";
    out += file.text;
    out += "\r\nGO\r\n";
    return out;
}

ProcedureFile readProcedureFile(std::string_view text, std::string_view fileName)
{
    auto refuse = [&](const std::string& why) {
        return Error("The file '" + std::string(fileName) + "' holds no procedure as a scripts folder keeps it: "
                     + why + ".");
    };
    std::size_t p = 0;
    ProcedureFile file;
    const auto quoted = setting(nextLine(text, p), "QUOTED_IDENTIFIER");
    const auto ansiNulls = setting(nextLine(text, p), "ANSI_NULLS");
    if (!quoted || !ansiNulls)
        throw refuse("its first two lines are not SET QUOTED_IDENTIFIER and SET ANSI_NULLS, each ON or OFF");
    if (!equalsNoCase(trim(nextLine(text, p), isSpaceOrControl), "GO"))
        throw refuse("its third line is not GO");
    file.settings = {*quoted, *ansiNulls};

    // The text ends before the last line, which holds GO.
    std::string_view body = text.substr(p);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r'))
        body.remove_suffix(1);
    const std::size_t lastBreak = body.find_last_of('\n');
    const std::string_view last = lastBreak == std::string_view::npos ? body : body.substr(lastBreak + 1);
    if (lastBreak == std::string_view::npos || !equalsNoCase(trim(last, isSpaceOrControl), "GO"))
        throw refuse("its last line is not GO");
    body = body.substr(0, lastBreak);
    if (!body.empty() && body.back() == '\r')
        body.remove_suffix(1);
    file.text = std::string(body);
    return file;
}

} // namespace varnett::sqltext
