#include "app/ProgramOptions.h"

#include "data/Version.h"

#include <charconv>

namespace varnett {

namespace {

constexpr int kLongestQuitAfterMs = 24 * 60 * 60 * 1000;

std::optional<int> milliseconds(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || failure != std::errc() || stop != end || value < 0
        || value > kLongestQuitAfterMs)
        return std::nullopt;
    return value;
}

} // namespace

ProgramOptions readProgramOptions(const std::vector<std::string>& args)
{
    ProgramOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--quit-after" || arg.rfind("--quit-after=", 0) == 0) {
            std::string value;
            if (arg.size() > std::string("--quit-after").size()) {
                value = arg.substr(std::string("--quit-after=").size());
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                options.error = "option '--quit-after' needs a value";
                continue;
            }
            options.quitAfterMs = milliseconds(value);
            if (!options.quitAfterMs)
                options.error = "--quit-after needs milliseconds from 0 to "
                    + std::to_string(kLongestQuitAfterMs) + ", not '" + value + "'";
        }
    }
    return options;
}

std::string programUsageText()
{
    return "Usage: varnett [--help] [--version] [--quit-after MS]\n"
           "\n"
           "Varnett builds stored procedures for the tables of a SQL Server database.\n"
           "On the first start, with no connection stored, it creates the demo database\n"
           "Sales and connects to it.\n"
           "\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "  --quit-after MS   end the program MS milliseconds after it has started\n";
}

std::string programVersionText()
{
    return std::string("varnett ") + data::versionText() + "\n";
}

} // namespace varnett
