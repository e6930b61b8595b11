#pragma once

#include <string>
#include <string_view>

namespace varnett::sqltext {

// A two-part object name: the schema that holds the object and its own name.
struct ObjectName {
    std::string schema = "dbo";
    std::string name;

    // True when the object lives in the default schema dbo (any letter case).
    bool isDbo() const;

    friend bool operator==(const ObjectName&, const ObjectName&) = default;
};

// A stored procedure as the catalog lists it: its name and its group number,
// the N of "Name;N" (1 for a procedure created without one).
struct ProcedureRef {
    ObjectName object;
    int group = 1;

    friend bool operator==(const ProcedureRef&, const ProcedureRef&) = default;
};

// Reads a name as the user or a list writes it: "Sales.Customer",
// "[Sales].[X]", "[a.b]" (one name holding a dot, in dbo), a bare name (dbo).
// A part stands bare, in brackets or in double quotes; blanks inside a bare
// part belong to it ("Order Details"). Throws varnett::Error for an empty
// name or part, more than two parts, or an unterminated bracket or quote.
ObjectName parseObjectName(std::string_view text);

// As parseObjectName, but a text it refuses is one name in dbo, as it stands.
ObjectName objectNameOrWhole(std::string_view text);

// Reads the delimited part that starts at text[p] ("[" or a double quote):
// its characters, a doubled closing mark standing for itself. Leaves p after
// the closing mark; false when the part is never closed.
bool readDelimitedPart(std::string_view text, std::size_t& p, std::string& part);

// The catalog's form of a procedure: its display name, ";" and its group
// number ("SP_X;1", "Sales.SP_Y;2").
std::string catalogName(const ProcedureRef& procedure);

// Reads a procedure as parseObjectName reads a name, with an optional group
// number after the last ";" ("SP_X;2"); without one the group is 1. Throws
// varnett::Error as parseObjectName does, and for a group that is no
// number from 1 to 32767.
ProcedureRef parseProcedureRef(std::string_view text);

// The form the lists show: the bare name for dbo, "Schema.Name" otherwise;
// a part holding a dot or starting with "[" or a double quote (or an empty
// part) is bracketed, so that parseObjectName reads the display form back as
// it was; any other part stands as it is ("Order Details", "a]b").
std::string displayName(const ObjectName& object);

// The name as a statement writes it: each part bare when it may be, else
// bracketed; the schema is left out for dbo ("Customer", "Sales.Customer",
// "[Sales Dept].[Order Lines]").
std::string sqlName(const ObjectName& object);

// Both parts bracketed, the schema always written: "[dbo].[X]", "[Sales].[a]]b]".
std::string bracketedName(const ObjectName& object);

// The order of the lists: by schema, then by name, each without regard to
// the case of a to z.
bool lessObjectName(const ObjectName& a, const ObjectName& b);

// Orders display names as lessObjectName orders the names they show.
bool lessDisplayName(std::string_view a, std::string_view b);

} // namespace varnett::sqltext
