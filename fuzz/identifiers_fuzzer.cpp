// Object names as the user types them (Open, the command line) and the
// quoting the generators apply to them.
#include "FuzzCheck.h"

#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace varnett::sqltext;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const std::vector<std::string> parts = splitMultipartName(text);
        FUZZ_CHECK(!parts.empty());
    } catch (const varnett::Error&) {
    }

    // Quote then parse gives the name back.
    const std::vector<std::string> one{std::string(text)};
    FUZZ_CHECK(splitMultipartName(bracketQuote(text)) == one);
    if (!text.empty())
        FUZZ_CHECK(splitMultipartName(quoteIfNeeded(text)) == one);
    return 0;
}
