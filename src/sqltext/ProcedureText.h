#pragma once

#include "sqltext/ObjectName.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// Splits a text at its own line breaks (CR LF, LF or a lone CR) into lines
// without their breaks. A text that ends with a line break has no empty last
// line after it; an empty text has no lines.
std::vector<std::string> splitLines(std::string_view text);

// The rows of the procedure-text query joined into the procedure's text, as
// the server sends them.
std::string joinRows(const std::vector<std::string>& rows);

// The lines of a procedure's source from the rows of the procedure-text query,
// as the server sends them: the rows are joined first, so a source line that
// arrived in several rows (the server cuts them at 255 characters) stays one
// line, and then the text is split at its own line breaks.
std::vector<std::string> procedureLines(const std::vector<std::string>& rows);

// The object name the procedure-text query takes as its parameter:
// database + ".dbo." + procedure, each part bracket-quoted only when it is not
// a regular identifier ("Sales.dbo.SP_X", "Sales.dbo.[a]]b]").
// Throws varnett::Error when the database or the procedure name is empty.
std::string procedureObjectName(std::string_view database, std::string_view procedure);

// The same for a procedure in any schema: database.schema.name
// ("Sales.Hr.SP_X"; dbo as above).
std::string procedureObjectName(std::string_view database, const ObjectName& procedure);

} // namespace varnett::sqltext
