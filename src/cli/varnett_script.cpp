// varnett-script: the command-line companion of Varnett.

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/Session.h"

#include "data/Version.h"
#include "sqltext/Error.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace varnett::cli;
    std::ios::sync_with_stdio(false);
    try {
        Invocation invocation = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
        if (invocation.help) {
            std::cout << usageText();
            finishOutput();
            return 0;
        }
        if (invocation.version) {
            std::cout << "varnett-script " << varnett::data::versionText() << '\n';
            finishOutput();
            return 0;
        }
        Session session(invocation.connection);
        const int status = runCommand(invocation, session);
        finishOutput();
        return status;
    } catch (const UsageError& error) {
        std::cerr << "varnett-script: " << error.what() << "\n\n" << shortUsageText();
        return 2;
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "varnett-script: " << error.what() << '\n';
        return 1;
    }
}
