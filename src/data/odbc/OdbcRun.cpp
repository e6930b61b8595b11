#include "data/odbc/OdbcRun.h"

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcCursor.h"
#include "data/odbc/OdbcError.h"
#include "data/odbc/OdbcText.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/ObjectName.h"

#include <algorithm>
#include <cstring>

namespace varnett::data {

namespace {

using sqltext::equalsNoCase;

// Microsoft's driver-specific diagnostic fields; FreeTDS answers the line only.
constexpr SQLSMALLINT kDiagSsMsgState = -1150;
constexpr SQLSMALLINT kDiagSsSeverity = -1151;
constexpr SQLSMALLINT kDiagSsLine = -1154;

constexpr std::size_t kOutputChars = 4001;       // an output value of a type without a length
constexpr std::size_t kLongOutputChars = 65536;  // of a (max) type

bool isOneOf(const std::string& type, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const char* name) { return equalsNoCase(type, name); });
}

std::string hexText(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

// One value bound to a "?" of the call, its buffer alive until the call ends.
struct Binding {
    std::string name;             // the parameter's name; empty for the return value
    SQLSMALLINT direction = SQL_PARAM_INPUT;
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN size = 1;
    SQLSMALLINT digits = 0;
    std::vector<char> buffer;
    SQLLEN indicator = SQL_NULL_DATA;
};

// The SQL type a value is bound as: the parameter's own, so that the server
// converts nothing and an output comes back in the driver's canonical form;
// text for the types ODBC has no type of.
void chooseSqlType(const ProcedureParameter& parameter, Binding& binding)
{
    const std::string& type = parameter.type;
    struct Fixed {
        const char* name;
        SQLSMALLINT sqlType;
        SQLULEN size;
        SQLSMALLINT digits;
    };
    static const Fixed fixed[] = {
        {"int", SQL_INTEGER, 10, 0},       {"bigint", SQL_BIGINT, 19, 0},
        {"smallint", SQL_SMALLINT, 5, 0},  {"tinyint", SQL_TINYINT, 3, 0},
        {"bit", SQL_BIT, 1, 0},            {"float", SQL_DOUBLE, 15, 0},
        {"real", SQL_REAL, 7, 0},          {"money", SQL_DECIMAL, 19, 4},
        {"smallmoney", SQL_DECIMAL, 10, 4}, {"datetime", SQL_TYPE_TIMESTAMP, 23, 3},
        {"smalldatetime", SQL_TYPE_TIMESTAMP, 16, 0}, {"date", SQL_TYPE_DATE, 10, 0},
    };
    for (const Fixed& f : fixed)
        if (equalsNoCase(type, f.name)) {
            binding.sqlType = f.sqlType;
            binding.size = f.size;
            binding.digits = f.digits;
            return;
        }
    if (isOneOf(type, {"decimal", "numeric"})) {
        binding.sqlType = equalsNoCase(type, "decimal") ? SQL_DECIMAL : SQL_NUMERIC;
        binding.size = static_cast<SQLULEN>(std::max(parameter.precision, 1));
        binding.digits = static_cast<SQLSMALLINT>(parameter.scale);
        return;
    }
    if (equalsNoCase(type, "datetime2")) {
        binding.sqlType = SQL_TYPE_TIMESTAMP;
        binding.size = static_cast<SQLULEN>(20 + parameter.scale);
        binding.digits = static_cast<SQLSMALLINT>(parameter.scale);
        return;
    }
    if (isBinaryParameterType(type)) {
        binding.cType = SQL_C_BINARY;
        auto limit = parameter.lengthLimit();
        binding.sqlType = limit ? SQL_VARBINARY : SQL_LONGVARBINARY;
        binding.size = limit ? std::max<SQLULEN>(*limit, 1) : 0;
        return;
    }
    auto limit = parameter.lengthLimit();
    const bool text = isOneOf(type, {"char", "varchar", "nchar", "nvarchar"});
    binding.sqlType = text && !limit ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
    binding.size = text && limit ? std::max<SQLULEN>(*limit, 1) : text ? 0 : 4000;
}

void setValue(Binding& binding, const std::optional<std::string>& value)
{
    if (!value) {
        binding.indicator = SQL_NULL_DATA;
        return;
    }
    if (binding.cType == SQL_C_BINARY) {
        const std::string bytes = hexBytes(*value);
        binding.buffer.assign(bytes.begin(), bytes.end());
    } else {
        const SqlWideString wide = toSqlWide(*value);
        binding.buffer.resize(wide.size() * sizeof(SQLWCHAR));
        if (!wide.empty())
            std::memcpy(binding.buffer.data(), wide.data(), binding.buffer.size());
    }
    binding.indicator = static_cast<SQLLEN>(binding.buffer.size());
}

std::optional<std::string> valueOf(const Binding& binding)
{
    if (binding.indicator == SQL_NULL_DATA || binding.indicator < 0)
        return std::nullopt;
    const std::size_t bytes = std::min(static_cast<std::size_t>(binding.indicator),
                                       binding.buffer.size());
    if (binding.cType == SQL_C_BINARY)
        return hexText(std::string(binding.buffer.data(), bytes));
    std::u16string wide(bytes / sizeof(SQLWCHAR), u'\0');
    std::memcpy(wide.data(), binding.buffer.data(), wide.size() * sizeof(SQLWCHAR));
    return utf16ToUtf8(wide);
}

std::string resultTypeText(const ResultColumn& column)
{
    const CatalogColumn& c = column.catalog;
    const long size = c.columnSize.value_or(0);
    const int digits = c.decimalDigits.value_or(0);
    if (isOneOf(c.typeName, {"char", "varchar", "nchar", "nvarchar", "binary", "varbinary"}))
        return c.typeName + "("
            + (size <= 0 || size > 8000 ? std::string("max") : std::to_string(size))
            + ")";
    if (isOneOf(c.typeName, {"decimal", "numeric"}))
        return c.typeName + "(" + std::to_string(size) + "," + std::to_string(digits) + ")";
    return c.typeName;
}

bool isBinaryResult(SQLSMALLINT type)
{
    return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
}

// Runs one call and gathers what it returns.
class ProcedureCall {
public:
    ProcedureCall(std::shared_ptr<OdbcSession> session, const RunRequest& request)
        : m_session(std::move(session)), m_request(request), m_statement(m_session)
    {
    }

    void run(const std::string& sql, std::vector<Binding>& bindings)
    {
        SQLHSTMT h = m_statement.handle();
        for (std::size_t i = 0; i < bindings.size(); ++i) {
            Binding& b = bindings[i];
            m_statement.check(
                SQLBindParameter(h, static_cast<SQLUSMALLINT>(i + 1), b.direction, b.cType,
                                 b.sqlType, b.size, b.digits,
                                 b.buffer.empty() ? nullptr : b.buffer.data(),
                                 static_cast<SQLLEN>(b.buffer.size()), &b.indicator),
                "SQLBindParameter");
        }
        if (m_request.control)
            m_request.control->attach([h] { SQLCancel(h); });
        struct Detach {
            RunControl* control;
            ~Detach()
            {
                if (control)
                    control->detach();
            }
        } detach{m_request.control};

        const SqlWideString text = toSqlWide(sql);
        SQLRETURN rc = stopped() ? SQL_NO_DATA
                                 : SQLExecDirectW(h, const_cast<SQLWCHAR*>(text.data()),
                                                  static_cast<SQLINTEGER>(text.size()));
        while (!stopped()) {
            const bool news = gatherMessages(rc);
            if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO)
                readResult();
            else if (rc == SQL_ERROR && !news)
                break;   // the driver can go no further
            else if (rc != SQL_NO_DATA && rc != SQL_ERROR)
                break;
            if (stopped())
                break;
            rc = SQLMoreResults(h);
            if (rc == SQL_NO_DATA) {
                m_complete = true;
                break;
            }
        }
        if (stopped()) {
            m_outcome.cancelled = true;
            SQLCancel(h);
            SQLFreeStmt(h, SQL_CLOSE);
        }
    }

    bool complete() const { return m_complete; }
    RunOutcome& outcome() { return m_outcome; }

private:
    bool stopped() const { return m_request.control && m_request.control->cancelled(); }

    void step()
    {
        if (m_request.control && m_request.control->onStep)
            m_request.control->onStep(m_outcome);
    }

    // Adds the diagnostic records of the statement; true when there were any.
    bool gatherMessages(SQLRETURN rc)
    {
        if (rc != SQL_SUCCESS_WITH_INFO && rc != SQL_ERROR)
            return false;
        SQLHSTMT h = m_statement.handle();
        bool any = false;
        for (const DiagRecord& diag : diagRecords(SQL_HANDLE_STMT, h)) {
            any = true;
            const SQLSMALLINT record = diag.number;
            const std::string& sqlState = diag.state;
            if (sqlState == "HY008")   // the cancel's own answer
                continue;
            RunMessage message;
            message.number = diag.native;
            message.text = diag.message;
            message.error = sqlState.compare(0, 2, "01") != 0;
            message.resultSetsBefore = m_outcome.resultSets.size();
            SQLINTEGER field = 0;
            if (SQL_SUCCEEDED(SQLGetDiagFieldW(SQL_HANDLE_STMT, h, record, kDiagSsLine, &field,
                                               sizeof(field), nullptr)))
                message.line = static_cast<int>(field & 0xFFFF);
            field = 0;
            if (SQL_SUCCEEDED(SQLGetDiagFieldW(SQL_HANDLE_STMT, h, record, kDiagSsMsgState, &field,
                                               sizeof(field), nullptr)))
                message.state = static_cast<int>(field);
            field = 0;
            if (SQL_SUCCEEDED(SQLGetDiagFieldW(SQL_HANDLE_STMT, h, record, kDiagSsSeverity, &field,
                                               sizeof(field), nullptr)))
                message.severity = static_cast<int>(field & 0xFF);
            m_outcome.messages.push_back(std::move(message));
            step();
        }
        return any;
    }

    void readResult()
    {
        SQLHSTMT h = m_statement.handle();
        SQLSMALLINT columns = 0;
        m_statement.check(SQLNumResultCols(h, &columns), "SQLNumResultCols");
        if (columns <= 0) {
            SQLLEN count = -1;
            if (SQL_SUCCEEDED(SQLRowCount(h, &count)) && count >= 0)
                m_outcome.rowsAffected.push_back(static_cast<long long>(count));
            return;
        }
        const std::vector<ResultColumn> described = describeResult(m_statement);
        RunResultSet set;
        for (const auto& column : described)
            set.columns.push_back({column.catalog.name, resultTypeText(column),
                                   isBinaryResult(column.dataType)});
        while (!stopped()) {
            const SQLRETURN rc = SQLFetch(h);
            if (rc == SQL_NO_DATA)
                break;
            gatherMessages(rc);
            if (!SQL_SUCCEEDED(rc))
                break;
            if (set.rows.size() >= m_request.maxRows) {
                ++set.rowsLeftOut;
                continue;
            }
            RunRow row;
            for (std::size_t i = 0; i < set.columns.size(); ++i) {
                const auto number = static_cast<SQLUSMALLINT>(i + 1);
                if (set.columns[i].binary) {
                    auto bytes = m_statement.bytes(number);
                    row.push_back(bytes ? std::optional<std::string>(hexText(*bytes)) : std::nullopt);
                } else {
                    row.push_back(m_statement.text(number));
                }
            }
            set.rows.push_back(std::move(row));
            if (m_request.control && m_request.control->onRows && m_request.control->rowsPerStep
                && set.rows.size() % m_request.control->rowsPerStep == 0)
                m_request.control->onRows(set);
        }
        m_outcome.resultSets.push_back(std::move(set));
        step();
    }

    std::shared_ptr<OdbcSession> m_session;
    const RunRequest& m_request;
    OdbcStatement m_statement;
    RunOutcome m_outcome;
    bool m_complete = false;
};

// Executes a text of no results on a statement of its own.
void executeText(const std::shared_ptr<OdbcSession>& session, const std::string& sql)
{
    OdbcStatement statement(session);
    statement.execute(sql);
    while (statement.check(SQLMoreResults(statement.handle()), "SQLMoreResults") != SQL_NO_DATA) {
    }
}

std::string bareParameterName(const std::string& name)
{
    return !name.empty() && name[0] == '@' ? name.substr(1) : name;
}

} // namespace

std::vector<ProcedureParameter> sqlServerProcedureParameters(
    const std::shared_ptr<OdbcSession>& session, const sqltext::ProcedureRef& procedure)
{
    const std::string shown = sqltext::displayName(procedure.object);
    // A numbered procedure's later groups keep their parameters apart
    // (sys.numbered_procedure_parameters) and cannot be named by CALL.
    if (procedure.group != 1)
        throw Error("The procedure '" + sqltext::catalogName(procedure)
                    + "' is a numbered procedure of a later group: only group 1 can be run.");
    const std::string name = sqltext::bracketedName(procedure.object);
    {
        OdbcStatement statement(session);
        statement.execute("SELECT OBJECT_ID(?)", {name});
        if (!statement.fetch() || !statement.text(1))
            throw Error("The procedure '" + shown + "' does not exist.");
    }
    // sys.all_parameters rather than sys.parameters: some servers lack the
    // latter. Parameter 0 is a function's return value.
    OdbcStatement statement(session);
    statement.execute("SELECT p.name, TYPE_NAME(p.user_type_id), p.max_length, p.precision,"
                      " p.scale, p.is_output, p.has_default_value,"
                      " CAST(p.default_value AS nvarchar(4000))"
                      " FROM sys.all_parameters AS p"
                      " WHERE p.object_id = OBJECT_ID(?) AND p.parameter_id > 0"
                      " ORDER BY p.parameter_id",
                      {name});
    std::vector<ProcedureParameter> parameters;
    while (statement.fetch()) {
        ProcedureParameter parameter;
        parameter.name = statement.text(1).value_or(std::string());
        parameter.type = statement.text(2).value_or(std::string());
        parameter.maxLength = static_cast<int>(statement.integer(3).value_or(0));
        parameter.precision = static_cast<int>(statement.integer(4).value_or(0));
        parameter.scale = static_cast<int>(statement.integer(5).value_or(0));
        parameter.output = statement.integer(6).value_or(0) != 0;
        const bool hasDefault = statement.integer(7).value_or(0) != 0;
        std::optional<std::string> defaultValue = statement.text(8);
        if (hasDefault)
            parameter.defaultValue = defaultValue;
        parameters.push_back(std::move(parameter));
    }
    return parameters;
}

RunOutcome sqlServerRunProcedure(const std::shared_ptr<OdbcSession>& session,
                                 const RunRequest& request)
{
    const std::vector<ProcedureParameter> parameters =
        sqlServerProcedureParameters(session, request.procedure);

    // Every argument names a parameter once and holds a value of its type.
    std::vector<const ProcedureArgument*> given(parameters.size(), nullptr);
    for (const ProcedureArgument& argument : request.arguments) {
        auto found = std::find_if(parameters.begin(), parameters.end(), [&](const ProcedureParameter& p) {
            return equalsNoCase(bareParameterName(p.name), bareParameterName(argument.name));
        });
        if (found == parameters.end())
            throw Error("The procedure '" + sqltext::displayName(request.procedure.object) + "' has no parameter @"
                        + bareParameterName(argument.name) + ".");
        const auto index = static_cast<std::size_t>(found - parameters.begin());
        if (given[index])
            throw Error("The parameter " + found->name + " is given more than once.");
        given[index] = &argument;
        if (argument.value)
            checkParameterValue(*found, *argument.value);
    }

    // The return value, then every parameter in order: ODBC's call escape
    // makes a remote procedure call, whose output parameters come back in
    // their buffers. A parameter neither given nor an output is left out
    // ("(?, , ?)") and takes its default.
    std::vector<Binding> bindings;
    Binding returned;
    returned.direction = SQL_PARAM_OUTPUT;
    returned.cType = SQL_C_SLONG;
    returned.sqlType = SQL_INTEGER;
    returned.size = 10;
    returned.buffer.assign(sizeof(SQLINTEGER), 0);
    bindings.push_back(std::move(returned));
    std::vector<std::string> slots;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const ProcedureParameter& parameter = parameters[i];
        if (!given[i] && !parameter.output) {
            slots.emplace_back();
            continue;
        }
        slots.emplace_back("?");
        Binding binding;
        binding.name = parameter.name;
        binding.direction = parameter.output ? SQL_PARAM_INPUT_OUTPUT : SQL_PARAM_INPUT;
        chooseSqlType(parameter, binding);
        setValue(binding, given[i] ? given[i]->value : std::nullopt);
        if (parameter.output) {
            // Room for what comes back, whatever went in.
            const auto limit = parameter.lengthLimit();
            const std::size_t room = binding.cType == SQL_C_BINARY
                ? (limit ? *limit : kLongOutputChars * 2)
                : (limit ? *limit + 1
                         : isOneOf(parameter.type, {"varchar", "nvarchar"}) ? kLongOutputChars
                                                                            : kOutputChars)
                    * sizeof(SQLWCHAR);
            binding.buffer.resize(std::max(binding.buffer.size(), room));
        }
        bindings.push_back(std::move(binding));
    }
    while (!slots.empty() && slots.back().empty())
        slots.pop_back();
    std::string sql = "{? = CALL " + sqltext::bracketedName(request.procedure.object);
    for (std::size_t i = 0; i < slots.size(); ++i)
        sql += (i ? ", " : "(") + slots[i];
    sql += slots.empty() ? "}" : ")}";

    if (request.rollback)
        executeText(session, "BEGIN TRANSACTION");
    ProcedureCall call(session, request);
    auto rollBack = [&] {
        // What the procedure left open is undone too.
        executeText(session, "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
    };
    try {
        call.run(sql, bindings);
    } catch (...) {
        if (request.rollback)
            try {
                rollBack();
            } catch (...) {
            }
        throw;
    }
    RunOutcome& outcome = call.outcome();
    if (request.rollback || outcome.cancelled) {
        rollBack();
        outcome.rolledBack = request.rollback;
    }
    if (call.complete()) {
        if (bindings[0].indicator != SQL_NULL_DATA) {
            SQLINTEGER value = 0;
            std::memcpy(&value, bindings[0].buffer.data(), sizeof(value));
            outcome.returnValue = static_cast<int>(value);
        }
        for (std::size_t i = 1; i < bindings.size(); ++i)
            if (bindings[i].direction == SQL_PARAM_INPUT_OUTPUT)
                outcome.outputs.push_back({bindings[i].name, valueOf(bindings[i])});
    }
    return std::move(outcome);
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
