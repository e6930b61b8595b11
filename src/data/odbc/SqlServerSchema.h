#pragma once

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcSession.h"
#include "sqltext/SchemaModel.h"

#include <memory>

namespace varnett::data {

// The structure of a table or view from SQL Server's catalog views:
// sys.columns, sys.types, sys.identity_columns, sys.default_constraints,
// sys.computed_columns, sys.indexes (the key constraints' too),
// sys.check_constraints, sys.foreign_keys and sys.sql_modules. Throws
// "Invalid object name" for an object that is neither.
sqltext::SchemaObject sqlServerSchemaObject(const std::shared_ptr<OdbcSession>& session,
                                            const sqltext::ObjectName& object);

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
