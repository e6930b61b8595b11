#pragma once

#include "sqltext/ObjectName.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// A procedure chosen for the procedure script: its name and its source lines
// as the server keeps them.
struct ScriptProcedure {
    ObjectName name;
    std::vector<std::string> lines;
};

// The session settings a procedure was created under; the server applies
// them whenever it runs the procedure. ON is the default of every client.
struct ProcedureSettings {
    bool quotedIdentifier = true;
    bool ansiNulls = true;

    friend bool operator==(const ProcedureSettings&, const ProcedureSettings&) = default;
};

// The line between the drop and the text of a procedure block, and after it:
// "SET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  ON" with the procedure's own
// settings (two blanks before each value, four before the second SET).
std::string settingsLine(const ProcedureSettings& settings);

// The procedure a source line executes, upper-cased, or none. The name
// follows the first word EXEC, or else the first word EXECUTE (any letter
// case; words in comments, strings and quoted names do not count). A
// return-status variable ("EXEC @rc = X"), a schema or database ("EXEC dbo.X",
// "EXEC [dbo].[X]") and a group number ("EXEC X;1") are passed over; brackets
// and double quotes are taken off. "EXEC (@sql)" and "EXEC @sql" execute no
// procedure by name.
std::optional<std::string> calleeName(std::string_view line);

// The pieces of a procedure's source that may execute a procedure: of every
// line that holds the word EXEC or EXECUTE outside comments and strings, the
// part outside comments, strings and names that come from the lines before it
// or go on to the lines after it. Each piece reads alone as it reads in the
// source, so the pieces may stand for the source's lines in scriptOrder.
std::vector<std::string> callingLines(std::string_view text);

// The order in which the procedures go into the script, as positions in
// `procedures`: a procedure that another one executes comes before it.
// Starting from the given order, the procedure at the current position is
// scanned line by line (each line read from what the line before left open,
// so a comment or string over several lines holds no call); the first callee found further down is moved up to
// the current position and scanned in turn; a procedure with no callee
// further down keeps its position, and the next position is taken. Names are
// compared without regard to the case of a to z; self-calls and calls of
// procedures not in the list change nothing. Procedures that call one
// another in a cycle are kept together, in their given order, where the first
// of them stands, so the pass always ends and every procedure appears once.
// `step` (when set) is called once for every procedure scanned.
std::vector<std::size_t> scriptOrder(const std::vector<ScriptProcedure>& procedures,
                                     const std::function<void()>& step = {});

// The drop-and-create block of one procedure in the script, each line ended
// by CR LF: the conditional drop on one line, GO, an empty line, the settings
// line, GO, then the procedure's text byte for byte (its own line breaks
// kept), a line break (which leaves an empty line when the text ends in one),
// GO, the settings line, GO. Loading the block back by its GO lines gives the
// text exactly. Throws varnett::Error naming the procedure and the line when
// a line of the text holds only GO: it would cut the procedure in two.
std::string procedureBlock(const ObjectName& name, const ProcedureSettings& settings,
                           std::string_view text);
// The same block appended to `out` (which is left as it was when it throws).
void appendProcedureBlock(std::string& out, const ObjectName& name,
                          const ProcedureSettings& settings, std::string_view text);

// Throws varnett::Error naming the procedure and the line when a line of its
// text holds only GO, so that a script holding the text would end a batch
// there. Lines end at LF, CR LF or a lone CR.
void requireNoGoLine(const ObjectName& name, std::string_view text);

// The two lines that drop a procedure when it exists, as they go before the
// re-created text of an edited procedure.
std::vector<std::string> conditionalDropLines(const ObjectName& procedure);

// One "DROP PROCEDURE [name]" line per name, in the given order; a dbo
// procedure by its own name alone.
std::vector<std::string> dropProcedureLines(const std::vector<ObjectName>& names);

} // namespace varnett::sqltext
