#pragma once

#include "sqltext/ObjectName.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace varnett::data {

// A parameter of a stored procedure as the server describes it.
struct ProcedureParameter {
    std::string name;       // with its "@"
    std::string type;       // the type's name: "nvarchar", "decimal", ...
    int maxLength = 0;      // in bytes as the server counts them; -1 for (max)
    int precision = 0;
    int scale = 0;
    bool output = false;
    // The default value, only where the server keeps one (SQL Server keeps
    // none for a T-SQL procedure).
    std::optional<std::string> defaultValue;

    // The type as a declaration writes it: "nvarchar(40)", "decimal(10,2)",
    // "varbinary(max)", "int".
    std::string typeText() const;
    // The longest value in characters (text) or bytes (binary); none for
    // (max) and for types without a length.
    std::optional<std::size_t> lengthLimit() const;
};

// Throws varnett::Error naming the parameter when the text is no value of
// its type: a whole number in range for the integer types, a decimal number
// with at most precision - scale integer digits for decimal, a date as
// YYYY-MM-DD (with a time for the date-and-time types), hex digits (0x
// optional) for the binary types, at most the declared length for the
// character and binary types, a GUID for uniqueidentifier.
void checkParameterValue(const ProcedureParameter& parameter, const std::string& value);

// binary, varbinary, image, rowversion: values written in hex.
bool isBinaryParameterType(const std::string& type);

// The bytes of a binary value written in hex, with or without "0x".
std::string hexBytes(const std::string& text);

// A value given for a parameter by name (with or without "@"); none for NULL.
struct ProcedureArgument {
    std::string name;
    std::optional<std::string> value;
};

struct RunColumn {
    std::string name;
    std::string type;       // "int", "nvarchar(40)", ...
    bool binary = false;    // values are written "0x..."
};

using RunRow = std::vector<std::optional<std::string>>;   // none for NULL

struct RunResultSet {
    std::vector<RunColumn> columns;
    std::vector<RunRow> rows;      // the first rows, at most the request's limit
    std::size_t rowsLeftOut = 0;   // rows the server sent beyond them
};

// A message of the server: PRINT, RAISERROR, an error of a statement.
struct RunMessage {
    long number = 0;
    std::optional<int> severity;   // where the driver tells it
    int state = 0;
    int line = 0;                  // 0 where the driver does not tell it
    bool error = false;            // severity 11 or more: an error, not information
    std::string text;
    std::size_t resultSetsBefore = 0;   // result sets that came before it
};

// As SQL Server's tools show a message: "Msg 50000, Level 16, State 1,
// Line 3: text"; a PRINT (number 0, no error) as its text alone.
std::string messageText(const RunMessage& message);

struct RunOutput {
    std::string name;
    std::optional<std::string> value;
};

// What a run gave back.
struct RunOutcome {
    std::vector<RunResultSet> resultSets;
    std::vector<RunMessage> messages;      // in the order the server sent them
    std::vector<long long> rowsAffected;   // per statement that counted rows
    std::optional<int> returnValue;
    std::vector<RunOutput> outputs;        // the OUTPUT parameters, in order
    bool rolledBack = false;   // ran in a transaction that was rolled back
    bool cancelled = false;

    bool failed() const;       // an error message came
};

// Stops a running call from any thread; the engine ties it to the statement
// while the call runs.
class RunControl {
public:
    // Stops the statement on the server (SQLCancel) and makes the run end
    // at its next step.
    void cancel();
    bool cancelled() const { return m_cancelled; }

    // Called on the running thread after each result set and each message,
    // with what has come so far.
    std::function<void(const RunOutcome&)> onStep;
    // Called on the running thread each time another rowsPerStep rows of a
    // result set were kept, with the set as read so far (it joins the
    // outcome once it is complete).
    std::function<void(const RunResultSet& reading)> onRows;
    std::size_t rowsPerStep = 500;

    // Engine side: the function that stops the running statement.
    void attach(std::function<void()> stop);
    void detach();

private:
    std::mutex m_mutex;
    std::function<void()> m_stop;
    std::atomic<bool> m_cancelled{false};
};

struct RunRequest {
    sqltext::ProcedureRef procedure;
    std::vector<ProcedureArgument> arguments; // parameters left out take their defaults
    bool rollback = false;                    // run inside a transaction rolled back after
    std::size_t maxRows = 10000;              // rows kept per result set
    RunControl* control = nullptr;
};

} // namespace varnett::data
