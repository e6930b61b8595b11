#pragma once

#include "lists/dlgCommand.h"

#include <QPoint>

#include <optional>

namespace varnett::ui { class SqlEditor; }

namespace varnett {

// Registers the four insertion lists under their class names ("TfrmOperator",
// "TfrmField", "TfrmVariable", "TfrmProcList"). Safe to call more than once;
// showInsertionList calls it itself.
void registerInsertionLists();

// Shows the list of the class registered under `className`, with the initial
// text as its result text and the list mode, and returns its result text
// once it has closed. Throws varnett::Error for an unknown class or list mode.
// With an anchor the list opens there (the caret) instead of centred.
QString showInsertionList(const QString& className, const QString& initialText, int listMode,
                          const InsertionContext& context,
                          const std::optional<QPoint>& anchor = std::nullopt);

// Shows the list and inserts its result into the editor at the end of the
// selection (the caret), rewriting that line and leaving the caret at its
// end; then shows the follow-up lists: the typed variables after "DECLARE",
// the field comparisons after a text containing "WHERE", the procedures
// after "EXEC" (the chosen name followed by one blank).
void insertFromList(ui::SqlEditor* editor, const QString& className, int listMode,
                    const InsertionContext& context);

} // namespace varnett
