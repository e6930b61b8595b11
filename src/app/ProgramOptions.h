#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnett {

// The program's own command-line options. Anything else on the line is left
// to the toolkit (its -platform, -style and the like).
struct ProgramOptions {
    bool help = false;
    bool version = false;
    // --quit-after MS: end the program MS milliseconds after its event loop
    // starts (smoke runs of an installed program).
    std::optional<int> quitAfterMs;
    // A malformed option of ours: the message to show with the usage.
    std::string error;
};

// Reads the arguments (without the program name). An option takes its value
// as the next argument or after "=".
ProgramOptions readProgramOptions(const std::vector<std::string>& args);

// The usage text, ending with a line break.
std::string programUsageText();
// "varnett VERSION", ending with a line break.
std::string programVersionText();

} // namespace varnett
