#pragma once

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcSession.h"
#include "sqltext/InsertLiterals.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// The rows to one execution of the block load as the environment variable
// VARNETT_ODBC_BLOCK_LOAD sets them (1 to 1000); 0, the block load off, when
// it is unset or holds anything else.
std::size_t blockLoadRows(const char* setting);

// Executions of prepared INSERTs by block loads so far, in this process.
std::size_t blockLoadExecutions();

// Runs batches of the data script's INSERT statements with their constants
// bound as parameters of a prepared INSERT, a block of rows to each
// execution, instead of sending their text for the server to parse. Only
// where every constant binds to the value the server makes of it (see
// sqltext::boundValue); any other batch is left to the caller. With 0 rows
// to an execution it takes no batch.
class OdbcBlockLoad {
public:
    OdbcBlockLoad(std::shared_ptr<OdbcSession> session, std::size_t rowsPerExecution);
    ~OdbcBlockLoad();
    OdbcBlockLoad(const OdbcBlockLoad&) = delete;
    OdbcBlockLoad& operator=(const OdbcBlockLoad&) = delete;

    // Runs the batch when it is such statements; false, with nothing run,
    // otherwise. Throws varnett::Error with the server's message when a
    // statement fails; the statements before it stay done and the failing
    // one may be done in part, so it is meant for a load in one transaction,
    // which the failure rolls back whole.
    bool run(std::string_view batch);
    // Forgets the tables described and the statements prepared: another
    // batch may have changed the tables.
    void forget();

    // The most parameters one execution binds (SQL Server takes 2,100).
    static constexpr std::size_t kMaxParameters = 2000;

private:
    struct Target;
    struct Prepared;

    const Target* targetFor(const sqltext::InsertRows& insert);
    OdbcStatement& preparedFor(const sqltext::InsertRows& insert, std::size_t rows);
    void execute(OdbcStatement& statement, const Target& target, std::size_t firstValue,
                 std::size_t rows);

    std::shared_ptr<OdbcSession> m_session;
    std::size_t m_rowsPerExecution;
    std::vector<std::unique_ptr<Target>> m_targets;
    std::vector<std::unique_ptr<Prepared>> m_prepared;
    sqltext::InsertLiterals m_literals;
    std::vector<sqltext::Value> m_values;
    // Buffers of one execution's parameters.
    std::vector<SQLWCHAR> m_wide;
    std::vector<SQLBIGINT> m_integers;
    std::vector<SQLDOUBLE> m_reals;
    std::vector<SQLLEN> m_lengths;
};

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
