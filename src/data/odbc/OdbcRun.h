#pragma once

#ifdef VARNETT_HAVE_ODBC

#include "data/ProcedureRun.h"
#include "data/odbc/OdbcSession.h"

#include <memory>
#include <string>
#include <vector>

namespace varnett::data {

// The parameters of a procedure from sys.all_parameters, in order. Throws
// varnett::Error when there is no such procedure, and for a numbered
// procedure's group other than 1.
std::vector<ProcedureParameter> sqlServerProcedureParameters(
    const std::shared_ptr<OdbcSession>& session, const sqltext::ProcedureRef& procedure);

// Calls the procedure with its values bound as ODBC parameters
// ("{? = CALL [s].[p](?, ?)}"), every value checked against
// its parameter's type first. Messages and errors of the server come back in
// the outcome; a wrong argument throws before anything runs.
RunOutcome sqlServerRunProcedure(const std::shared_ptr<OdbcSession>& session,
                                 const RunRequest& request);

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
