#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// A row of the field list as the field and variable lists read it.
struct InsertionField {
    std::string name;
    std::string typeText{};       // the "Data type" text; may be empty
    std::string declaredType{};   // declared type name, used when typeText is empty
};

// List modes of the field and variable lists: plain names, comparisons or
// "name = ", and names with their types.
enum class ListMode { Plain, Compare, Typed };

// The statement snippets of the operator list, in list order; blanks inside
// and at the end of an item are part of it.
inline constexpr std::array<std::string_view, 25> kSnippetItems = {
    "BEGIN",
    "END",
    "BEGIN TRAN",
    "COMMIT TRAN",
    "ROLLBACK TRAN",
    "RETURN",
    "SELECT ",
    "SELECT  FROM ",
    "SELECT  FROM  WHERE ",
    "DECLARE ",
    "DECLARE {cursor name} CURSOR FOR",
    "OPEN {cursor name}",
    "CLOSE {cursor name}",
    "DEALLOCATE {cursor name}",
    "FETCH FIRST FROM {cursor name} INTO {@variable, @var...}",
    "FETCH NEXT FROM {cursor name} INTO {@variable, @var...}",
    "WHILE {conditions}",
    "IF {conditions}",
    "IF {conditions} ELSE",
    "INSERT INTO  () VALUES()",
    "UPDATE  SET   WHERE ",
    "DELETE FROM   WHERE ",
    "EXEC ",
    "@@IDENTITY",
    "@@FETCH_STATUS = ",
};

// The items of the field list for the list mode, field by field in display
// order: "[N]" in modes Plain and Typed; "[N] = @pN" and "[N] = @lN" in mode
// Compare.
// Names are bracket-quoted with "]" doubled; the variable part is the name
// with the characters a variable cannot hold turned into "_".
std::vector<std::string> fieldItems(const std::vector<InsertionField>& fields, ListMode mode);

// The items of the variable list for the list mode, two per field ("@p" and
// "@l"): the names in mode Plain, followed by " = " in mode Compare, followed
// by a blank and the type in mode Typed. The type is the type text, or else the declared type
// name in brackets; a field with neither is offered without a type.
std::vector<std::string> variableItems(const std::vector<InsertionField>& fields,
                                       ListMode mode);

// ", " for list modes Plain and Typed, " AND " for mode Compare.
std::string_view itemSeparator(ListMode mode);

// The result text of a list: the selected items in list order, whatever the
// order of `selected`, joined by the list mode's separator. Nothing selected
// gives the empty text. Throws varnett::Error for an index past the items.
std::string composeResult(const std::vector<std::string>& items,
                          const std::vector<std::size_t>& selected, ListMode mode);

// The line with `text` put in after its first `column` characters (UTF-8
// characters, not bytes), or at its end when the line is shorter.
std::string insertAtColumn(std::string_view line, std::size_t column, std::string_view text);

// The line after a procedure was chosen from the list that follows "EXEC ":
// the name and one blank put in at the column (the blank also when the name is
// empty), and every CR and LF removed from the line.
std::string insertProcedureName(std::string_view line, std::size_t column,
                                std::string_view name);

// The lists that follow the result of another list:
// Variables: the variable list in mode Typed, after "DECLARE";
// Fields: the field list in mode Compare, after a text that contains "WHERE";
// Procedures: the procedure list without filter, after "EXEC".
enum class FollowUp { None, Variables, Fields, Procedures };

// The follow-up list to show after `result`, where `previous` is the follow-up
// that produced it (None for the list the user chose). Each follow-up is
// considered once, in the order Variables, Fields, Procedures: a "DECLARE" or
// "EXEC" result is compared trimmed of blanks and control characters and with
// its letter case; "WHERE" must stand in capitals.
FollowUp nextFollowUp(std::string_view result, FollowUp previous);

} // namespace varnett::sqltext
