#pragma once

#ifdef VARNETT_HAVE_ODBC

#ifdef _WIN32
#include <windows.h> // the ODBC headers of Windows need its types first
#endif
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

using SqlWideString = std::basic_string<SQLWCHAR>;

// UTF-8 to and from the driver manager's wide characters.
SqlWideString toSqlWide(std::string_view utf8);
std::string fromSqlWide(const SQLWCHAR* text, std::size_t length);

// One ODBC environment and connection, connected for the object's life.
// Shared by the engine and the cursors it opened, so a cursor stays valid
// when the engine goes first.
class OdbcSession {
public:
    // Connects without prompting; throws varnett::Error with the driver's
    // message (explained where a checked certificate was refused). The login
    // timeout is in seconds; a FreeTDS configuration, when given, is read by
    // the driver while it connects.
    OdbcSession(const std::string& connectionString, std::optional<int> loginTimeout,
                const std::string& freeTdsConfig = {}, bool checksCertificate = false);
    ~OdbcSession();
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    SQLHDBC handle() const { return m_dbc; }
    // A text answer of SQLGetInfo.
    std::string info(SQLUSMALLINT infoType) const;
    // A text connection attribute; empty when the driver has none.
    std::string textAttribute(SQLINTEGER attribute) const;
    void setAttribute(SQLINTEGER attribute, SQLULEN value, std::string_view what);
    void check(SQLRETURN rc, std::string_view what) const;

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
};

// One statement handle on a session.
class OdbcStatement {
public:
    explicit OdbcStatement(std::shared_ptr<OdbcSession> session);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    SQLHSTMT handle() const { return m_stmt; }
    // Throws with the statement's diagnostics unless rc succeeded or is
    // SQL_NO_DATA; returns rc.
    SQLRETURN check(SQLRETURN rc, std::string_view what) const;

    // Runs the text with its parameters bound as wide character input.
    // Returns SQL_SUCCESS, SQL_SUCCESS_WITH_INFO or SQL_NO_DATA.
    SQLRETURN execute(std::string_view sql, const std::vector<std::string>& parameters = {});
    // Moves to the next row; false at the end.
    bool fetch();
    SQLSMALLINT resultColumns() const;

    // Values of the current row, read with SQLGetData; none for NULL. Each
    // column once, left to right.
    std::optional<std::string> text(SQLUSMALLINT column);
    std::optional<std::string> bytes(SQLUSMALLINT column);
    std::optional<std::int64_t> integer(SQLUSMALLINT column);
    std::optional<double> real(SQLUSMALLINT column);

private:
    std::shared_ptr<OdbcSession> m_session;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    std::vector<SqlWideString> m_parameters;   // bound buffers, alive until the next execute
    std::vector<SQLLEN> m_parameterLengths;
};

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
