#include "Fixture.h"
#include "ProcedureDatabase.h"

#include "sqltext/Error.h"
#include "lists/InsertFromList.h"
#include "ui/EditorOps.h"
#include "ui/SqlEditor.h"

#include <QListWidget>

#include <QTest>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;
using varnett::sqltext::ListMode;

namespace {

QStringList itemsOf(QDialog& dialog)
{
    auto* box = child<QListWidget>(&dialog, "lboxCommand");
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->item(i)->text();
    return texts;
}

// Answers a list as the user does: it is shown (and fills itself), the rows
// are picked in the order given, then the key is pressed in the list box.
ScriptedResponder::DialogAnswer choose(std::vector<int> rows, int key = Qt::Key_Return,
                                       QStringList* offered = nullptr)
{
    return [rows, key, offered](QDialog& dialog) {
        dialog.show();
        auto* box = child<QListWidget>(&dialog, "lboxCommand");
        if (offered)
            *offered = itemsOf(dialog);
        // The first row picked replaces the preselected first item, as a
        // plain click does; the others are added to it.
        for (std::size_t i = 0; i < rows.size(); ++i)
            box->setCurrentRow(rows[i], i == 0 ? QItemSelectionModel::ClearAndSelect
                                               : QItemSelectionModel::Select);
        QTest::keyClick(box, Qt::Key(key));
        EXPECT_FALSE(dialog.isVisible());
        return dialog.result();
    };
}

class InsertionListsDialogTest : public ::testing::Test {
protected:
    InsertionContext context()
    {
        return {{{"OrderID", "[int]"},
                 {"CustomerName", "[varchar](41)"},
                 {"Extra", "", "sql_variant"}},
                db.dataMain()};
    }

    QString show(InsertionList list, const QString& initial, ListMode mode = ListMode::Plain)
    {
        return showInsertionList(list, initial, mode, context());
    }

    void insert(InsertionList list, ListMode mode = ListMode::Plain)
    {
        insertFromList(&editor, list, mode, context());
    }

    void placeCaret(int line, int column)
    {
        editor.setCursorPosition(line, column);
    }

    QStringList lines() const { return ui::lines(&editor); }

    ProcedureDatabase db;
    ScriptedResponder responder;
    ui::SqlEditor editor;
};

} // namespace

TEST_F(InsertionListsDialogTest, TheSnippetListIsABorderlessSingleChoice)
{
    QStringList offered;
    responder.answerDialog([&offered](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmOperator"));
        EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(dialog.size(), QSize(234, 161));
        EXPECT_EQ(child<QListWidget>(&dialog, "lboxCommand")->selectionMode(),
                  QAbstractItemView::SingleSelection);
        return choose({6}, Qt::Key_Return, &offered)(dialog);
    });
    EXPECT_EQ(show(InsertionList::Operator, ""), QStringLiteral("SELECT "));
    ASSERT_EQ(offered.size(), 25);
    EXPECT_EQ(offered[0], QStringLiteral("BEGIN"));
    EXPECT_EQ(offered[8], QStringLiteral("SELECT  FROM  WHERE "));
    EXPECT_EQ(offered[24], QStringLiteral("@@FETCH_STATUS = "));

    // The first item is current and selected as the list opens: Enter at
    // once inserts it. Escape empties the text.
    bool firstPreselected = false;
    responder.answerDialog([&firstPreselected](QDialog& dialog) {
        dialog.show();
        auto* box = child<QListWidget>(&dialog, "lboxCommand");
        firstPreselected = box->currentRow() == 0 && box->item(0)->isSelected();
        QTest::keyClick(box, Qt::Key_Return);
        return dialog.result();
    });
    EXPECT_EQ(show(InsertionList::Operator, "initial"), QStringLiteral("BEGIN"));
    EXPECT_TRUE(firstPreselected);
    responder.answerDialog(choose({3}, Qt::Key_Escape));
    EXPECT_EQ(show(InsertionList::Operator, "initial"), QString());

    // A double click works as Enter.
    responder.answerDialog([](QDialog& dialog) {
        dialog.show();
        auto* box = child<QListWidget>(&dialog, "lboxCommand");
        box->setCurrentRow(1);
        QTest::mouseDClick(box->viewport(), Qt::LeftButton, {},
                           box->visualItemRect(box->item(1)).center());
        EXPECT_FALSE(dialog.isVisible());
        return dialog.result();
    });
    EXPECT_EQ(show(InsertionList::Operator, ""), QStringLiteral("END"));
}

TEST_F(InsertionListsDialogTest, ChosenItemsAreJoinedInListOrder)
{
    QStringList offered;
    responder.answerDialog(choose({1, 0}, Qt::Key_Return, &offered));
    EXPECT_EQ(show(InsertionList::Field, ""), QStringLiteral("[OrderID], [CustomerName]"));
    EXPECT_EQ(offered, QStringList({"[OrderID]", "[CustomerName]", "[Extra]"}));

    responder.answerDialog(choose({3, 0}, Qt::Key_Return, &offered));
    EXPECT_EQ(show(InsertionList::Field, "", ListMode::Compare),
              QStringLiteral("[OrderID] = @pOrderID AND [CustomerName] = @lCustomerName"));
    EXPECT_EQ(offered[0], QStringLiteral("[OrderID] = @pOrderID"));
    EXPECT_EQ(offered[1], QStringLiteral("[OrderID] = @lOrderID"));

    responder.answerDialog(choose({2, 0}, Qt::Key_Return, &offered));
    EXPECT_EQ(show(InsertionList::Variable, "", ListMode::Compare),
              QStringLiteral("@pOrderID =  AND @pCustomerName = "));

    responder.answerDialog(choose({1, 4}, Qt::Key_Return, &offered));
    EXPECT_EQ(show(InsertionList::Variable, ""), QStringLiteral("@lOrderID, @pExtra"));
    EXPECT_EQ(offered, QStringList({"@pOrderID", "@lOrderID", "@pCustomerName",
                                    "@lCustomerName", "@pExtra", "@lExtra"}));

    // A current item without a selection composes the empty text.
    responder.answerDialog([](QDialog& dialog) {
        dialog.show();
        auto* box = child<QListWidget>(&dialog, "lboxCommand");
        box->clearSelection();
        box->setCurrentRow(1, QItemSelectionModel::NoUpdate);
        QTest::keyClick(box, Qt::Key_Enter);
        return dialog.result();
    });
    EXPECT_EQ(show(InsertionList::Field, "initial"), QString());
}

TEST_F(InsertionListsDialogTest, TheTypedVariableListOffersAFieldWithoutTypeText)
{
    QStringList offered;
    responder.answerDialog(choose({4, 0}, Qt::Key_Return, &offered));
    insert(InsertionList::Variable, ListMode::Typed);
    EXPECT_EQ(offered, QStringList({"@pOrderID [int]", "@lOrderID [int]",
                                    "@pCustomerName [varchar](41)",
                                    "@lCustomerName [varchar](41)", "@pExtra [sql_variant]",
                                    "@lExtra [sql_variant]"}));
    EXPECT_EQ(lines(), QStringList({"@pOrderID [int], @pExtra [sql_variant]"}));
    EXPECT_TRUE(responder.messages.empty());
}

TEST_F(InsertionListsDialogTest, TextGoesInAtTheEndOfTheSelectionAndTheCaretEndsTheLine)
{
    ui::setLines(&editor, {"first", "abcdef", "last"});
    placeCaret(1, 3);
    responder.answerDialog(choose({0}));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"first", "abcBEGINdef", "last"}));
    EXPECT_EQ(ui::selectionEnd(&editor).line, 1);
    EXPECT_EQ(ui::selectionEnd(&editor).column, 11);

    // "bc" selected, from either end: the text follows the selection.
    for (bool backwards : {false, true}) {
        ui::setLines(&editor, {"abcdef"});
        editor.setSelection(0, backwards ? 3 : 1, 0, backwards ? 1 : 3);
        responder.answerDialog(choose({1}));
        insert(InsertionList::Operator);
        EXPECT_EQ(lines(), QStringList({"abcENDdef"})) << backwards;
    }

    // Escape inserts nothing but still moves the caret to the line's end.
    ui::setLines(&editor, {"abc", "next"});
    placeCaret(0, 1);
    responder.answerDialog(choose({2}, Qt::Key_Escape));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"abc", "next"}));
    EXPECT_EQ(ui::selectionEnd(&editor).column, 3);
}

TEST_F(InsertionListsDialogTest, DeclareWhereAndExecOpenTheirFollowUps)
{
    responder.answerDialog(choose({9}));
    responder.answerDialog(choose({2, 0}));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"DECLARE @pOrderID [int], @pCustomerName [varchar](41)"}));

    ui::setLines(&editor, {});
    responder.answerDialog(choose({8}));
    responder.answerDialog(choose({0, 3}));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"SELECT  FROM  WHERE [OrderID] = @pOrderID AND "
                                    "[CustomerName] = @lCustomerName"}));

    ui::setLines(&editor, {});
    responder.answerDialog(choose({22}));
    responder.answerDialog(choose({1}));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"EXEC GetCustomers "}));

    EXPECT_EQ(responder.events,
              QStringList({"dialog:frmOperator", "dialog:frmVariable", "dialog:frmOperator",
                           "dialog:frmField", "dialog:frmOperator", "dialog:frmProcList"}));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(InsertionListsDialogTest, FollowUpsLandAtTheLineEndAndCancelledOnesInsertNothing)
{
    // With the caret mid-line the follow-up's text goes to the line's end.
    ui::setLines(&editor, {"x  y"});
    placeCaret(0, 1);
    responder.answerDialog(choose({9}));
    responder.answerDialog(choose({0}));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"xDECLARE   y@pOrderID [int]"}));

    ui::setLines(&editor, {});
    responder.answerDialog(choose({20}));
    responder.answerDialog(choose({0}, Qt::Key_Escape));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"UPDATE  SET   WHERE "}));

    // A cancelled procedure list still leaves its blank.
    ui::setLines(&editor, {});
    responder.answerDialog(choose({22}));
    responder.answerDialog(choose({}, Qt::Key_Escape));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"EXEC  "}));

    // No second list after the cursor declaration.
    ui::setLines(&editor, {});
    responder.events.clear();
    responder.answerDialog(choose({10}));
    insert(InsertionList::Operator);
    EXPECT_EQ(lines(), QStringList({"DECLARE {cursor name} CURSOR FOR"}));
    EXPECT_EQ(responder.events, QStringList({"dialog:frmOperator"}));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(InsertionListsDialogTest, AFieldNamedWhereOpensNoThirdList)
{
    InsertionContext where{{{"WHERE", "[int]"}}, db.dataMain()};
    responder.answerDialog(choose({21}));
    responder.answerDialog(choose({0}));
    insertFromList(&editor, InsertionList::Operator, ListMode::Plain, where);
    EXPECT_EQ(lines(), QStringList({"DELETE FROM   WHERE [WHERE] = @pWHERE"}));
    EXPECT_EQ(responder.events, QStringList({"dialog:frmOperator", "dialog:frmField"}));
}

TEST_F(InsertionListsDialogTest, TheProcedureListFiltersByTheInitialText)
{
    QStringList offered;
    responder.answerDialog(choose({}, Qt::Key_Return, &offered));
    EXPECT_EQ(show(InsertionList::Procedures, "  orders "), QStringLiteral("SP_DELETE_Orders"));
    EXPECT_EQ(offered,
              QStringList({"SP_DELETE_Orders", "SP_INSERT_Orders", "SP_UPDATE_Orders"}));

    responder.answerDialog(choose({0}, Qt::Key_Return, &offered));
    EXPECT_EQ(show(InsertionList::Procedures, "P_H"), QStringLiteral("sp_helper"));
    EXPECT_EQ(offered, QStringList({"sp_helper"}));

    responder.answerDialog(choose({}, Qt::Key_Escape, &offered));
    EXPECT_EQ(show(InsertionList::Procedures, ""), QString());
    EXPECT_EQ(offered, QStringList({"a]b", "GetCustomers", "SP_DELETE_Orders", "sp_helper",
                                    "SP_INSERT_Orders", "SP_UPDATE_Orders"}));
}

TEST_F(InsertionListsDialogTest, ACatalogErrorIsShownAndTheListStillWorks)
{
    db.breakConnection();
    QStringList offered = {"not filled"};
    responder.answerDialog(choose({22}));
    responder.answerDialog(choose({}, Qt::Key_Return, &offered));
    insert(InsertionList::Operator);
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_EQ(lines(), QStringList({"EXEC  "}));
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].kind, ui::MessageKind::General);
    EXPECT_EQ(responder.events[1], QStringLiteral("dialog:frmProcList"));
}

TEST_F(InsertionListsDialogTest, EachListIsMadeAsItsOwnForm)
{
    const InsertionContext lists = context();
    const std::pair<InsertionList, const char*> cases[] = {
        {InsertionList::Operator, "frmOperator"},
        {InsertionList::Field, "frmField"},
        {InsertionList::Variable, "frmVariable"},
        {InsertionList::Procedures, "frmProcList"},
    };
    for (const auto& [list, name] : cases) {
        std::unique_ptr<TfrmCommand> form = createListForm(list, lists);
        EXPECT_EQ(form->objectName(), QString::fromLatin1(name));
        EXPECT_EQ(form->parent(), nullptr);
    }
}
