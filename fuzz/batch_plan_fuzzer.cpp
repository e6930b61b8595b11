// The batch planner of the embedded engine: any batch a script or a page
// sends is either planned or refused with the server's words.
#include "FuzzCheck.h"

#include "data/sqlite/BatchPlan.h"
#include "sqltext/Error.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view batch(reinterpret_cast<const char*>(data), size);
    varnett::data::BatchPlan plan;
    try {
        plan = varnett::data::planBatch(batch);
    } catch (const varnett::Error&) {
        return 0;
    }
    if (plan.createsProcedure) {
        FUZZ_CHECK(!plan.procedureName.empty());
        return 0;
    }
    for (const varnett::data::BatchStep& step : plan.steps) {
        using Kind = varnett::data::BatchStep::Kind;
        if (step.kind == Kind::DropProcedures)
            FUZZ_CHECK(!step.names.empty());
        if (step.kind == Kind::DropIfProcedure)
            FUZZ_CHECK(step.names.size() == 1);
        for (const auto& name : step.names)
            FUZZ_CHECK(!name.empty());
    }
    return 0;
}
