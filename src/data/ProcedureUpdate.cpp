#include "data/ProcedureUpdate.h"

#include "data/Transaction.h"
#include "data/dmMain.h"
#include "data/sqlite/BatchPlan.h"
#include "sqltext/Error.h"
#include "sqltext/ProcScript.h"

namespace varnett::data {

void updateProcedure(Engine& engine, std::string_view procedure,
                     const std::vector<std::string>& lines)
{
    Transaction transaction(engine);
    if (!procedure.empty())
        engine.executeBatch(joinLinesCrLf(sqltext::conditionalDropLines(procedure)));
    engine.executeBatch(joinLinesCrLf(lines));
    transaction.commit();
}

std::string createdProcedure(std::string_view text)
{
    BatchPlan plan = planBatch(text);
    if (!plan.createsProcedure)
        throw Error("The text does not start with CREATE PROCEDURE.");
    return plan.procedureName;
}

} // namespace varnett::data
