#pragma once

#include "sqltext/ObjectName.h"
#include "sqltext/Value.h"

#include <optional>
#include <string>
#include <vector>

namespace varnett::sqltext {

// A parameter of a procedure call as a script writes it.
struct CallParameter {
    std::string name;         // with its "@", as the server names it
    std::string typeText;     // "nvarchar(40)", "decimal(10,2)", "int"
    bool output = false;
    // Left out, the parameter takes its default (an output parameter is
    // always passed, NULL going in).
    std::optional<Value> value;
};

// The T-SQL of the call: a DECLARE for the return value and each output
// parameter (holding its value going in), the EXEC with the values as
// literals of their types and "@p = @p OUTPUT", then a SELECT of the return
// value and the outputs. Throws varnett::Error, naming the parameter, for a
// value its type cannot hold.
std::string procedureCallScript(const ObjectName& procedure,
                                const std::vector<CallParameter>& parameters);

} // namespace varnett::sqltext
