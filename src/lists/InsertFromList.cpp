#include "lists/InsertFromList.h"

#include "lists/dlgField.h"
#include "lists/dlgOperator.h"
#include "lists/dlgProcList.h"
#include "lists/dlgVariable.h"
#include "ui/EditorOps.h"
#include "ui/Modal.h"
#include "ui/SqlEditor.h"


namespace varnett {

namespace {

// Shows a list and puts its result into the caret's line.
QString insertStep(ui::SqlEditor* editor, InsertionList list, sqltext::ListMode listMode,
                   const InsertionContext& context)
{
    const ui::Caret caret = ui::selectionEnd(editor);
    const QString result = showInsertionList(list, QString(), listMode, context, editor->caretGlobalPosition());
    ui::insertIntoLine(editor, caret, result);
    return result;
}

// The procedure list after "EXEC": the name and one blank go in at the caret.
QString insertProcedureStep(ui::SqlEditor* editor, const InsertionContext& context)
{
    const ui::Caret caret = ui::selectionEnd(editor);
    const QString line = ui::lineText(editor, caret.line);
    const QString name = showInsertionList(InsertionList::Procedures, QString(),
                                           sqltext::ListMode::Plain, context,
                                           editor->caretGlobalPosition());
    const int column = std::min<int>(caret.column, static_cast<int>(line.size()));
    const std::size_t characters = line.left(column).toStdU32String().size();
    const std::string text =
        sqltext::insertProcedureName(line.toStdString(), characters, name.toStdString());
    ui::replaceLine(editor, caret.line, QString::fromStdString(text));
    return name;
}

} // namespace

std::unique_ptr<TfrmCommand> createListForm(InsertionList list, const InsertionContext& context)
{
    switch (list) {
    case InsertionList::Operator:
        return std::make_unique<TfrmOperator>(context);
    case InsertionList::Field:
        return std::make_unique<TfrmField>(context);
    case InsertionList::Variable:
        return std::make_unique<TfrmVariable>(context);
    case InsertionList::Procedures:
        break;
    }
    return std::make_unique<TfrmProcList>(context);
}

QString showInsertionList(InsertionList list, const QString& initialText,
                          sqltext::ListMode listMode, const InsertionContext& context,
                          const std::optional<QPoint>& anchor)
{
    std::unique_ptr<TfrmCommand> form = createListForm(list, context);
    form->setListMode(listMode);
    form->setResultText(initialText);
    if (anchor)
        form->setAnchor(*anchor);
    ui::exec(*form);
    return form->resultText();
}

void insertFromList(ui::SqlEditor* editor, InsertionList list, sqltext::ListMode listMode,
                    const InsertionContext& context)
{
    using sqltext::FollowUp;
    QString result = insertStep(editor, list, listMode, context);
    FollowUp followUp = sqltext::nextFollowUp(result.toStdString(), FollowUp::None);
    while (followUp != FollowUp::None) {
        switch (followUp) {
        case FollowUp::Variables:
            result = insertStep(editor, InsertionList::Variable, sqltext::ListMode::Typed,
                                context);
            break;
        case FollowUp::Fields:
            result = insertStep(editor, InsertionList::Field, sqltext::ListMode::Compare,
                                context);
            break;
        case FollowUp::Procedures:
            result = insertProcedureStep(editor, context);
            break;
        case FollowUp::None:
            break;
        }
        followUp = sqltext::nextFollowUp(result.toStdString(), followUp);
    }
}

} // namespace varnett
