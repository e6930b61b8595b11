#include "data/ProcedureUpdate.h"

#include "data/Transaction.h"
#include "data/dmMain.h"
#include "data/sqlite/BatchPlan.h"
#include "sqltext/Error.h"
#include "sqltext/ObjectName.h"
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
    // The schema goes with the name, so that the drop before the create
    // reaches the procedure of that schema.
    return sqltext::displayName(sqltext::ObjectName{
        plan.procedureSchema.empty() ? std::string("dbo") : plan.procedureSchema,
        plan.procedureName});
}

} // namespace varnett::data
