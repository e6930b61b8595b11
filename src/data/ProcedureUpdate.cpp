#include "data/ProcedureUpdate.h"

#include "data/Transaction.h"
#include "data/dmMain.h"
#include "data/sqlite/BatchPlan.h"
#include "sqltext/Error.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcScript.h"

namespace varnett::data {

void updateProcedure(Engine& engine, const std::optional<ObjectName>& procedure,
                     const std::vector<std::string>& lines)
{
    Transaction transaction(engine);
    if (procedure)
        engine.executeBatch(joinLinesCrLf(sqltext::conditionalDropLines(*procedure)));
    engine.executeBatch(joinLinesCrLf(lines));
    transaction.commit();
}

ObjectName createdProcedure(std::string_view text)
{
    BatchPlan plan = planBatch(text);
    if (!plan.createsProcedure)
        throw Error("The text does not start with CREATE PROCEDURE.");
    // The schema goes with the name, so that the drop before the create
    // reaches the procedure of that schema.
    return {plan.procedureSchema.empty() ? std::string("dbo") : plan.procedureSchema,
            plan.procedureName};
}

} // namespace varnett::data
