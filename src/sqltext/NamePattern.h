#pragma once

#include "sqltext/Generators.h"
#include "sqltext/ObjectName.h"

#include <string>
#include <string_view>

namespace varnett::sqltext {

// The name of a generated procedure, made from a pattern for each table.
// A pattern is literal text with three placeholders:
//   {schema}  the table's schema, as the catalog names it
//   {table}   the table's own name, without its schema
//   {kind}    INSERT, UPDATE, DELETE or SELECT
// A placeholder's value is taken as it stands (a dot, a bracket or a quote
// in it is part of the name). A dot written in the pattern itself parts the
// procedure's schema from its name ("Audit.SP_{kind}_{table}",
// "{schema}.Write{table}"); a pattern without one puts the procedure into the
// table's schema, as the names proposed for a single table do. Placeholders
// are written in lower case; no other text in braces is allowed.

// The word {kind} stands for.
std::string_view kindWord(ProcedureKind kind);

// The pattern that gives the name proposedProcedureName proposes:
// "SP_INSERT_{table}", "SP_UPDATE_{table}", "SP_DELETE_{table}",
// "SP_SELECT_{table}".
std::string defaultNamePattern(ProcedureKind kind);

// Throws varnett::Error naming the pattern when its form is wrong: an
// unknown placeholder, a brace left open or a closing one without an opening
// one, more than one dot, or nothing before or after the dot.
void checkNamePattern(std::string_view pattern);

// The procedure the pattern names for the table and the kind. Throws
// varnett::Error naming the pattern and the table when the pattern's form
// is wrong (see checkNamePattern) or when the name it gives is one the
// server cannot hold as a procedure's: an empty or blank part, a part
// longer than 128 characters, a control character, text that is no UTF-8,
// a name ending in a blank (the server drops it) or starting with "#" (a
// temporary procedure).
ObjectName procedureNameFor(std::string_view pattern, const ObjectName& table, ProcedureKind kind);

} // namespace varnett::sqltext
