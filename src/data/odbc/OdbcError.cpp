#include "data/odbc/OdbcError.h"

#ifdef VARNETT_HAVE_ODBC

#include "sqltext/Error.h"
#include "data/odbc/OdbcText.h"

#include <algorithm>
#include <vector>

namespace varnett::data {

namespace {


std::string fromWide(const SQLWCHAR* text, std::size_t length)
{
    return utf16ToUtf8(std::u16string(text, text + length));
}


} // namespace

std::vector<DiagRecord> diagRecords(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<DiagRecord> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    for (SQLSMALLINT number = 1;; ++number) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLWCHAR> message(512);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, number, state, &native, message.data(),
                                      static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, number, state, &native, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        std::size_t chars = std::min<std::size_t>(std::max<SQLSMALLINT>(length, 0), message.size() - 1);
        records.push_back({fromWide(state, 5), stripDriverPrefixes(fromWide(message.data(), chars)),
                           native, number});
    }
    return records;
}

std::string odbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<DiagRecord> records = diagRecords(handleType, handle);
    const bool anyError = std::any_of(records.begin(), records.end(), [](const DiagRecord& r) {
        return r.state.compare(0, 2, "01") != 0;
    });
    std::vector<std::string> messages;
    for (const auto& record : records) {
        if (anyError && record.state.compare(0, 2, "01") == 0)
            continue;
        if (record.message.empty()
            || std::find(messages.begin(), messages.end(), record.message) != messages.end())
            continue;
        messages.push_back(record.message);
    }
    std::string text;
    for (const auto& message : messages) {
        if (!text.empty())
            text += '\n';
        text += message;
    }
    return text;
}

void throwOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, std::string_view what)
{
    std::string text = odbcDiagnostics(handleType, handle);
    if (text.empty())
        text = "The ODBC driver reported a failure of " + std::string(what) + " without a message";
    throw Error(text);
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
