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

template <typename List>
void registerList(const char* className)
{
    registerListClass(QString::fromLatin1(className), [](const InsertionContext& context) {
        return std::unique_ptr<TfrmCommand>(new List(context));
    });
}

// Shows a list and puts its result into the caret's line.
QString insertStep(ui::SqlEditor* editor, const QString& className, int listMode,
                   const InsertionContext& context)
{
    const ui::Caret caret = ui::selectionEnd(editor);
    const QString result =
        showInsertionList(className, QString(), listMode, context, editor->caretGlobalPosition());
    ui::insertIntoLine(editor, caret, result);
    return result;
}

// The procedure list after "EXEC": the name and one blank go in at the caret.
QString insertProcedureStep(ui::SqlEditor* editor, const InsertionContext& context)
{
    const ui::Caret caret = ui::selectionEnd(editor);
    const QString line = ui::lineText(editor, caret.line);
    const QString name = showInsertionList(QStringLiteral("TfrmProcList"), QString(),
                                           sqltext::kListModePlain, context,
                                           editor->caretGlobalPosition());
    const int column = std::min<int>(caret.column, static_cast<int>(line.size()));
    const std::size_t characters = line.left(column).toStdU32String().size();
    const std::string text =
        sqltext::insertProcedureName(line.toStdString(), characters, name.toStdString());
    ui::replaceLine(editor, caret.line, QString::fromStdString(text));
    return name;
}

} // namespace

void registerInsertionLists()
{
    static const bool registered = [] {
        registerList<TfrmOperator>("TfrmOperator");
        registerList<TfrmField>("TfrmField");
        registerList<TfrmVariable>("TfrmVariable");
        registerList<TfrmProcList>("TfrmProcList");
        return true;
    }();
    (void)registered;
}

QString showInsertionList(const QString& className, const QString& initialText, int listMode,
                          const InsertionContext& context, const std::optional<QPoint>& anchor)
{
    registerInsertionLists();
    std::unique_ptr<TfrmCommand> list = createListForm(className, context);
    list->setListMode(listMode);
    list->setResultText(initialText);
    if (anchor)
        list->setAnchor(*anchor);
    ui::exec(*list);
    return list->resultText();
}

void insertFromList(ui::SqlEditor* editor, const QString& className, int listMode,
                    const InsertionContext& context)
{
    using sqltext::FollowUp;
    QString result = insertStep(editor, className, listMode, context);
    FollowUp followUp = sqltext::nextFollowUp(result.toStdString(), FollowUp::None);
    while (followUp != FollowUp::None) {
        switch (followUp) {
        case FollowUp::Variables:
            result = insertStep(editor, QStringLiteral("TfrmVariable"), sqltext::kListModeTyped,
                                context);
            break;
        case FollowUp::Fields:
            result = insertStep(editor, QStringLiteral("TfrmField"), sqltext::kListModeCompare,
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
