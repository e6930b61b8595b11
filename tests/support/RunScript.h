#pragma once

#include "support/TempDir.h"

#include <string>
#include <vector>

namespace varnett::testing {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs varnett-script (VARNETT_SCRIPT_EXE) with the arguments, standard input
// from `input`, and a home and configuration folder of the test's own (never
// the user's store).
Outcome runScript(const TempDir& dir, const std::vector<std::string>& args,
                  const std::string& input = {});

} // namespace varnett::testing
