#pragma once

#include "lists/dlgCommand.h"

#include <QPoint>

#include <memory>
#include <optional>

namespace varnett::ui { class SqlEditor; }

namespace varnett {

// The four insertion lists: TfrmOperator, TfrmField, TfrmVariable and
// TfrmProcList.
enum class InsertionList { Operator, Field, Variable, Procedures };

// Creates the list's form without a parent; the context must outlive it.
std::unique_ptr<TfrmCommand> createListForm(InsertionList list, const InsertionContext& context);

// Shows the list with the initial text as its result text and the list mode,
// and returns its result text once it has closed. With an anchor the list
// opens there (the caret) instead of centred.
QString showInsertionList(InsertionList list, const QString& initialText,
                          sqltext::ListMode listMode, const InsertionContext& context,
                          const std::optional<QPoint>& anchor = std::nullopt);

// Shows the list and inserts its result into the editor at the end of the
// selection (the caret), rewriting that line and leaving the caret at its
// end; then shows the follow-up lists: the typed variables after "DECLARE",
// the field comparisons after a text containing "WHERE", the procedures
// after "EXEC" (the chosen name followed by one blank).
void insertFromList(ui::SqlEditor* editor, InsertionList list, sqltext::ListMode listMode,
                    const InsertionContext& context);

} // namespace varnett
