#pragma once

#ifdef VARNETT_HAVE_ODBC

#ifdef _WIN32
#include <windows.h> // the ODBC headers of Windows need its types first
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// The messages of a handle's diagnostic records, one a line, without the
// driver's bracketed prefixes. Errors only when there are any; warnings and
// informational messages (SQLSTATE 01xxx) otherwise. Repeated messages once.
std::string odbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// One diagnostic record of a handle, its driver prefixes stripped.
struct DiagRecord {
    std::string state;
    std::string message;
    SQLINTEGER native = 0;
    SQLSMALLINT number = 0;   // the record's number, for SQLGetDiagField
};
// Every diagnostic record of the handle, in order.
std::vector<DiagRecord> diagRecords(SQLSMALLINT handleType, SQLHANDLE handle);

// Throws varnett::Error with the handle's diagnostics; `what` names the call
// when the driver left no message.
[[noreturn]] void throwOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, std::string_view what);

// Throws unless rc is SQL_SUCCESS or SQL_SUCCESS_WITH_INFO.
inline void checkOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::string_view what)
{
    if (!SQL_SUCCEEDED(rc))
        throwOdbcError(handleType, handle, what);
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
