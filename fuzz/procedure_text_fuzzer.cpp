// The rows of the procedure-text query, which the server cuts wherever a
// row reaches its length.
#include "FuzzCheck.h"

#include "sqltext/ProcedureText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::vector<std::size_t> rowLengths;
    for (int i = 0; i < 4; ++i)
        rowLengths.push_back(input.ConsumeIntegralInRange<std::size_t>(1, 255));

    // Source lines (no line breaks inside), each ended by CR LF or LF.
    std::vector<std::string> lines;
    std::string text;
    while (input.remaining_bytes() > 0 && lines.size() < 64) {
        std::string line = input.ConsumeRandomLengthString(300);
        std::erase_if(line, [](char c) { return c == '\r' || c == '\n'; });
        text += line;
        text += input.ConsumeBool() ? "\r\n" : "\n";
        lines.push_back(std::move(line));
    }

    // The text cut into rows at arbitrary places, a break's two bytes
    // included.
    std::vector<std::string> rows;
    std::size_t at = 0;
    for (std::size_t n = 0; at < text.size(); ++n) {
        rows.push_back(text.substr(at, rowLengths[n % rowLengths.size()]));
        at += rows.back().size();
    }

    // Join then split gives the lines back.
    FUZZ_CHECK(varnett::sqltext::joinRows(rows) == text);
    FUZZ_CHECK(varnett::sqltext::procedureLines(rows) == lines);

    // Any text: the lines hold no break, and split then join with LF gives
    // the text with its breaks made LF.
    const std::string raw(reinterpret_cast<const char*>(data), size);
    std::string unified;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            unified += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
        } else {
            unified += raw[i];
        }
    }
    std::string rejoined;
    for (const std::string& line : varnett::sqltext::splitLines(raw)) {
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        rejoined += line;
        rejoined += '\n';
    }
    if (!unified.empty() && unified.back() != '\n')
        unified += '\n';
    FUZZ_CHECK(rejoined == unified);
    return 0;
}
