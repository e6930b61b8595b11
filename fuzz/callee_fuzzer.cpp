// Callee detection and the procedure script order over procedure sources
// as the server keeps them.
#include "FuzzCheck.h"

#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using varnett::sqltext::ScriptProcedure;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::vector<ScriptProcedure> procedures, pieces;
    while (input.remaining_bytes() > 0 && procedures.size() < 16) {
        ScriptProcedure procedure;
        procedure.name = varnett::sqltext::objectNameOrWhole(input.ConsumeRandomLengthString(24));
        const std::string text = input.ConsumeRandomLengthString(400);
        procedure.lines = varnett::sqltext::splitLines(text);
        pieces.push_back({procedure.name, varnett::sqltext::callingLines(text)});
        for (const std::string& line : procedure.lines) {
            auto callee = varnett::sqltext::calleeName(line);
            if (!callee)
                continue;
            FUZZ_CHECK(!callee->empty());
            // Upper-case a to z, as the names are compared.
            FUZZ_CHECK(std::none_of(callee->begin(), callee->end(),
                                    [](char c) { return c >= 'a' && c <= 'z'; }));
        }
        procedures.push_back(std::move(procedure));
    }

    // Every procedure appears once in the script, whatever calls what.
    std::size_t steps = 0;
    std::vector<std::size_t> order = varnett::sqltext::scriptOrder(procedures, [&] { ++steps; });
    FUZZ_CHECK(order.size() == procedures.size());
    // The calling pieces of the texts stand for their lines.
    FUZZ_CHECK(varnett::sqltext::scriptOrder(pieces) == order);
    std::sort(order.begin(), order.end());
    for (std::size_t i = 0; i < order.size(); ++i)
        FUZZ_CHECK(order[i] == i);
    return 0;
}
