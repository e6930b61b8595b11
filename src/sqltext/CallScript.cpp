#include "sqltext/CallScript.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ValueLiterals.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

// A variable name for the return value that no parameter has.
std::string returnVariable(const std::vector<CallParameter>& parameters)
{
    std::string name = "@RETURN_VALUE";
    for (int n = 2;; ++n) {
        const bool taken = std::any_of(parameters.begin(), parameters.end(),
                                       [&](const CallParameter& p) { return equalsNoCase(p.name, name); });
        if (!taken)
            return name;
        name = "@RETURN_VALUE" + std::to_string(n);
    }
}

// A built-in type as declared ("nvarchar(40)"); an alias type's name
// bracketed where it must be.
std::string declaredType(const std::string& typeText)
{
    return typeText.find('(') != std::string::npos || isRegularIdentifier(typeText)
        ? typeText
        : bracketQuote(typeText);
}

std::string literalOf(const CallParameter& parameter)
{
    // The column reads its type from the text; the name is the parameter's
    // for the messages.
    const ColumnDesc column = describeDeclaredType(parameter.name, parameter.typeText);
    return literal(column, parameter.value.value_or(Value{}));
}

} // namespace

std::string procedureCallScript(const ObjectName& procedure,
                                const std::vector<CallParameter>& parameters)
{
    const std::string returned = returnVariable(parameters);
    std::string script = "DECLARE " + returned + " int;\n";
    for (const CallParameter& p : parameters)
        if (p.output)
            script += "DECLARE " + p.name + " " + declaredType(p.typeText) + " = " + literalOf(p) + ";\n";

    script += "EXEC " + returned + " = " + bracketedName(procedure);
    bool first = true;
    for (const CallParameter& p : parameters) {
        if (!p.output && !p.value)
            continue;
        script += first ? "\n    " : ",\n    ";
        first = false;
        script += p.name + " = " + (p.output ? p.name + " OUTPUT" : literalOf(p));
    }
    script += ";\n";

    script += "SELECT " + returned + " AS " + bracketQuote("Return value");
    for (const CallParameter& p : parameters)
        if (p.output)
            script += ", " + p.name + " AS " + bracketQuote(p.name);
    return script + ";\n";
}

} // namespace varnett::sqltext
