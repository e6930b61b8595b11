#include "data/odbc/OdbcSession.h"

#ifdef VARNETT_HAVE_ODBC

#include "sqltext/Error.h"
#include "data/odbc/FreeTdsConfig.h"
#include "data/odbc/OdbcConnectionString.h"
#include "data/odbc/OdbcError.h"
#include "data/odbc/OdbcText.h"

#include <array>

namespace varnett::data {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t),
              "the driver manager must use UTF-16 wide characters");

namespace {

constexpr std::size_t kChunkChars = 4096;   // wide characters read per SQLGetData call
constexpr std::size_t kChunkBytes = 32768;  // bytes read per SQLGetData call

} // namespace

SqlWideString toSqlWide(std::string_view utf8)
{
    std::u16string wide = utf8ToUtf16(utf8);
    return SqlWideString(wide.begin(), wide.end());
}

std::string fromSqlWide(const SQLWCHAR* text, std::size_t length)
{
    return utf16ToUtf8(std::u16string(text, text + length));
}

OdbcSession::OdbcSession(const std::string& connectionString, std::optional<int> loginTimeout,
                         const std::string& freeTdsConfig, bool checksCertificate)
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env)))
        throw Error("The ODBC driver manager cannot be initialised");
    try {
        checkOdbc(SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0),
                  SQL_HANDLE_ENV, m_env, "SQLSetEnvAttr");
        checkOdbc(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc), SQL_HANDLE_ENV, m_env,
                  "SQLAllocHandle");
        if (loginTimeout)
            setAttribute(SQL_ATTR_LOGIN_TIMEOUT, static_cast<SQLULEN>(*loginTimeout),
                         "SQLSetConnectAttr(SQL_ATTR_LOGIN_TIMEOUT)");
        SqlWideString text = toSqlWide(connectionString);
        SQLWCHAR completed[1024];
        SQLSMALLINT completedLength = 0;
        SQLRETURN rc;
        {
            FreeTdsConfigFile config(freeTdsConfig);
            rc = SQLDriverConnectW(m_dbc, nullptr, text.data(), static_cast<SQLSMALLINT>(text.size()),
                                   completed, static_cast<SQLSMALLINT>(std::size(completed)),
                                   &completedLength, SQL_DRIVER_NOPROMPT);
        }
        if (!SQL_SUCCEEDED(rc)) {
            std::string message = odbcDiagnostics(SQL_HANDLE_DBC, m_dbc);
            if (message.empty())
                message = "The ODBC driver reported a failure of SQLDriverConnect without a message";
            std::vector<std::string> records;
            for (const DiagRecord& record : diagRecords(SQL_HANDLE_DBC, m_dbc))
                records.push_back(record.message);
            throw Error(connectFailureMessage(message, records, checksCertificate));
        }
        m_connected = true;
    } catch (...) {
        if (m_dbc != SQL_NULL_HDBC)
            SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
        throw;
    }
}

OdbcSession::~OdbcSession()
{
    if (m_connected)
        SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

void OdbcSession::check(SQLRETURN rc, std::string_view what) const
{
    checkOdbc(rc, SQL_HANDLE_DBC, m_dbc, what);
}

std::string OdbcSession::info(SQLUSMALLINT infoType) const
{
    std::array<SQLWCHAR, 512> buffer{};
    SQLSMALLINT bytes = 0;
    SQLRETURN rc = SQLGetInfoW(m_dbc, infoType, buffer.data(),
                               static_cast<SQLSMALLINT>(sizeof(buffer)), &bytes);
    if (!SQL_SUCCEEDED(rc))
        return {};
    std::size_t chars = std::min<std::size_t>(std::max<SQLSMALLINT>(bytes, 0) / sizeof(SQLWCHAR),
                                              buffer.size() - 1);
    return fromSqlWide(buffer.data(), chars);
}

std::string OdbcSession::textAttribute(SQLINTEGER attribute) const
{
    std::array<SQLWCHAR, 512> buffer{};
    SQLINTEGER bytes = 0;
    SQLRETURN rc = SQLGetConnectAttrW(m_dbc, attribute, buffer.data(),
                                      static_cast<SQLINTEGER>(sizeof(buffer)), &bytes);
    if (!SQL_SUCCEEDED(rc))
        return {};
    std::size_t chars = std::min<std::size_t>(std::max<SQLINTEGER>(bytes, 0) / sizeof(SQLWCHAR),
                                              buffer.size() - 1);
    return fromSqlWide(buffer.data(), chars);
}

void OdbcSession::setAttribute(SQLINTEGER attribute, SQLULEN value, std::string_view what)
{
    check(SQLSetConnectAttrW(m_dbc, attribute, reinterpret_cast<SQLPOINTER>(value), 0), what);
}

OdbcStatement::OdbcStatement(std::shared_ptr<OdbcSession> session)
    : m_session(std::move(session))
{
    m_session->check(SQLAllocHandle(SQL_HANDLE_STMT, m_session->handle(), &m_stmt),
                     "SQLAllocHandle(SQL_HANDLE_STMT)");
}

OdbcStatement::~OdbcStatement()
{
    SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
}

SQLRETURN OdbcStatement::check(SQLRETURN rc, std::string_view what) const
{
    if (rc != SQL_NO_DATA)
        checkOdbc(rc, SQL_HANDLE_STMT, m_stmt, what);
    return rc;
}

SQLRETURN OdbcStatement::execute(std::string_view sql, const std::vector<std::string>& parameters)
{
    SqlWideString text = toSqlWide(sql);
    SQLFreeStmt(m_stmt, SQL_CLOSE);
    SQLFreeStmt(m_stmt, SQL_RESET_PARAMS);
    // Both vectors are complete before binding: the driver keeps pointers.
    m_parameters.clear();
    for (const auto& parameter : parameters)
        m_parameters.push_back(toSqlWide(parameter));
    m_parameterLengths.assign(m_parameters.size(), 0);
    for (std::size_t i = 0; i < m_parameters.size(); ++i) {
        SqlWideString& value = m_parameters[i];
        m_parameterLengths[i] = static_cast<SQLLEN>(value.size() * sizeof(SQLWCHAR));
        check(SQLBindParameter(m_stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                               SQL_C_WCHAR, SQL_WVARCHAR, std::max<SQLULEN>(value.size(), 1), 0,
                               value.data(), m_parameterLengths[i], &m_parameterLengths[i]),
              "SQLBindParameter");
    }
    return check(SQLExecDirectW(m_stmt, text.data(), static_cast<SQLINTEGER>(text.size())),
                 "SQLExecDirect");
}

bool OdbcStatement::fetch()
{
    return check(SQLFetch(m_stmt), "SQLFetch") != SQL_NO_DATA;
}

SQLSMALLINT OdbcStatement::resultColumns() const
{
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(m_stmt, &count), "SQLNumResultCols");
    return count;
}

std::optional<std::string> OdbcStatement::text(SQLUSMALLINT column)
{
    std::u16string value;
    std::array<SQLWCHAR, kChunkChars> buffer;
    constexpr SQLLEN capacity = static_cast<SQLLEN>(sizeof(buffer));
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        SQLRETURN rc = check(SQLGetData(m_stmt, column, SQL_C_WCHAR, buffer.data(), capacity,
                                        &indicator),
                             "SQLGetData");
        if (rc == SQL_NO_DATA)
            break;
        if (indicator == SQL_NULL_DATA)
            return first ? std::nullopt : std::optional<std::string>(utf16ToUtf8(value));
        // The data fit when the driver says how long it was and it was no
        // longer than the buffer less the terminator.
        bool fits = indicator != SQL_NO_TOTAL
            && indicator <= capacity - static_cast<SQLLEN>(sizeof(SQLWCHAR));
        std::size_t chars = fits ? static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR)
                                 : buffer.size() - 1;
        value.append(buffer.begin(), buffer.begin() + chars);
        if (fits)
            break;
    }
    return utf16ToUtf8(value);
}

std::optional<std::string> OdbcStatement::bytes(SQLUSMALLINT column)
{
    std::string value;
    std::array<char, kChunkBytes> buffer;
    constexpr SQLLEN capacity = static_cast<SQLLEN>(sizeof(buffer));
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        SQLRETURN rc = check(SQLGetData(m_stmt, column, SQL_C_BINARY, buffer.data(), capacity,
                                        &indicator),
                             "SQLGetData");
        if (rc == SQL_NO_DATA)
            break;
        if (indicator == SQL_NULL_DATA)
            return first ? std::nullopt : std::optional<std::string>(value);
        bool fits = indicator != SQL_NO_TOTAL && indicator <= capacity;
        value.append(buffer.data(), fits ? static_cast<std::size_t>(indicator) : buffer.size());
        if (fits)
            break;
    }
    return value;
}

std::optional<std::int64_t> OdbcStatement::integer(SQLUSMALLINT column)
{
    SQLBIGINT value = 0;
    SQLLEN indicator = 0;
    check(SQLGetData(m_stmt, column, SQL_C_SBIGINT, &value, sizeof(value), &indicator),
          "SQLGetData");
    if (indicator == SQL_NULL_DATA)
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

std::optional<double> OdbcStatement::real(SQLUSMALLINT column)
{
    SQLDOUBLE value = 0;
    SQLLEN indicator = 0;
    check(SQLGetData(m_stmt, column, SQL_C_DOUBLE, &value, sizeof(value), &indicator),
          "SQLGetData");
    if (indicator == SQL_NULL_DATA)
        return std::nullopt;
    return value;
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
