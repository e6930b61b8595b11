#include "Fixture.h"

#include "app/ConditionList.h"
#include "app/PageDocuments.h"
#include "app/SchemaLists.h"
#include "app/dlgMain.h"
#include "data/Connection.h"
#include "data/Engine.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "ui/SqlEditor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

class BuildTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        fields = child<QTreeWidget>(window.get(), "lvFields");
        where = child<QTreeWidget>(window.get(), "lvWhere");
    }

    QString page(int index) { return window->editor(index)->toPlainText(); }

    void addCondition(const QString& field)
    {
        fields->clearSelection();
        fields->findItems(field, Qt::MatchExactly).value(0)->setSelected(true);
        window->lvFieldsDblClick();
    }

    QTreeWidget* fields = nullptr;
    QTreeWidget* where = nullptr;
};

} // namespace

TEST_F(BuildTest, BuildWritesTheInsertProcedureAndSetsTheDocument)
{
    pickTableAndFields(*window, "Orders", {"OrderID", "CustomerName", "Amount"});
    QString proposed;
    responder.answerDialog(acceptProposedName(&proposed));
    trigger(*window, "mniBuild");
    EXPECT_EQ(proposed, QStringLiteral("SP_INSERT_Orders"));
    // The identity column is selected but left out, and the status bar says so.
    EXPECT_EQ(page(0), QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders\n"
                                      "@pCustomerName [varchar](41),\n"
                                      "@pAmount [decimal](19,4)\n"
                                      "\n"
                                      "AS BEGIN\n"
                                      "\n"
                                      "INSERT INTO Orders(\n"
                                      "[CustomerName],\n"
                                      "[Amount]\n"
                                      ")\n"
                                      "\n"
                                      "VALUES (\n"
                                      "@pCustomerName,\n"
                                      "@pAmount\n"
                                      ")\n"
                                      "END"));
    EXPECT_EQ(child<QLabel>(window.get(), "sbMainNote")->text(),
              QStringLiteral("Left out, the server fills it: OrderID"));
    EXPECT_EQ(window->documents().state(0).documentName, QStringLiteral("SP_INSERT_Orders"));
    EXPECT_TRUE(window->documents().state(0).askForFileName);
}

TEST_F(BuildTest, NoSelectionAsksNothingAndCancelLeavesThePageAsItWas)
{
    window->editor(0)->setPlainText(QStringLiteral("old text"));
    pickTableAndFields(*window, "Orders", {});
    trigger(*window, "mniBuild");
    EXPECT_TRUE(responder.events.isEmpty());
    EXPECT_EQ(page(0), QStringLiteral("old text"));
    // The status bar says why nothing happened.
    EXPECT_EQ(child<QLabel>(window.get(), "sbMainNote")->text(),
              QStringLiteral("Select the fields of the procedure in the field list first (Ctrl+A "
                             "selects all)."));

    pickTableAndFields(*window, "Orders", {"OrderID"});
    window->documents().state(0).askForFileName = false;
    window->documents().state(0).documentName = QStringLiteral("/work/saved.PRC");
    // The page was changed by hand: Build asks first; Discard, then Cancel
    // in the name dialog.
    responder.answerSaveChanges(ui::SaveChoice::Discard);
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniBuild");
    EXPECT_EQ(page(0), QStringLiteral("old text"));
    EXPECT_EQ(window->documents().state(0).documentName, QStringLiteral("/work/saved.PRC"));
    EXPECT_FALSE(window->documents().state(0).askForFileName);

    // OK with an empty name keeps the dialog open and says why.
    QString note;
    responder.answerSaveChanges(ui::SaveChoice::Discard);
    responder.answerDialog([&note](QDialog& dialog) {
        child<QLineEdit>(&dialog, "edtName")->clear();
        child<QPushButton>(&dialog, "OKBtn")->click();
        note = child<QLabel>(&dialog, "lblNote")->text();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        dialog.reject();
        return dialog.result();
    });
    trigger(*window, "mniBuild");
    EXPECT_EQ(note, QStringLiteral("Type a name for the procedure."));
    EXPECT_EQ(page(0), QStringLiteral("old text"));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(BuildTest, ReplacingCommandsAskOnlyForChangedPagesAndUndoBringsTheTextBack)
{
    pickTableAndFields(*window, "Orders", {"CustomerName"});
    window->editor(0)->setPlainText(QStringLiteral("my own text"));
    responder.answerSaveChanges(ui::SaveChoice::Discard);
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    ASSERT_TRUE(page(0).startsWith(QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders")));
    EXPECT_TRUE(responder.events.at(0).startsWith(
        "savechanges:These pages have changes that the command replaces:\n    Insert"))
        << responder.events.at(0).toStdString();
    trigger(*window, "mniUndo");
    EXPECT_EQ(page(0), QStringLiteral("my own text"));
    trigger(*window, "mniRedo");
    EXPECT_TRUE(page(0).startsWith(QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders")));
    // As built, the page is replaced without a question.
    responder.events.clear();
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    EXPECT_EQ(responder.events, QStringList{QStringLiteral("dialog:frmProcName")});

    const struct {
        const char* command;
        int page;
    } replacing[] = {{"mniClear", 0}, {"mniClearAll", 2}, {"mniNew", 3}, {"mniClose", 1}};
    for (const auto& row : replacing) {
        window->selectPage(row.page);
        const QString text = QStringLiteral("text of ") + row.command;
        window->editor(row.page)->setPlainText(text);
        // Cancel keeps the page.
        responder.answerSaveChanges(ui::SaveChoice::Cancel);
        trigger(*window, row.command);
        EXPECT_EQ(page(row.page), text) << row.command;
        // Discard empties it; Undo brings the text back.
        responder.answerSaveChanges(ui::SaveChoice::Discard);
        trigger(*window, row.command);
        EXPECT_EQ(page(row.page), QString()) << row.command;
        trigger(*window, "mniUndo");
        EXPECT_EQ(page(row.page), text) << row.command;
        // Save writes the page first, then the command goes on.
        const QString file = QString::fromStdString(dir.file(std::string(row.command) + ".PRC"));
        responder.answerSaveChanges(ui::SaveChoice::Save);
        responder.answerSave(file);
        trigger(*window, row.command);
        EXPECT_EQ(page(row.page), QString()) << row.command;
        EXPECT_EQ(readFile(file.toStdString()), text.toStdString() + "\r\n") << row.command;
        // An empty page, or one as saved, asks nothing.
        responder.events.clear();
        trigger(*window, row.command);
        EXPECT_TRUE(responder.events.isEmpty()) << row.command;
    }
    // Close, last, says what it did.
    EXPECT_TRUE(child<QLabel>(window.get(), "sbMainNote")
                    ->text()
                    .startsWith(QStringLiteral("The pages and the lists are empty")));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(BuildTest, UpdateUsesTheConditionRowsAndTheirOperators)
{
    window->selectPage(TfrmMain::UpdatePage);
    pickTableAndFields(*window, "Orders", {});
    addCondition("OrderID");
    addCondition("CustomerName");
    ASSERT_EQ(where->topLevelItemCount(), 2);
    EXPECT_EQ(where->topLevelItem(1)->text(2), QStringLiteral("@pCustomerName"));

    QComboBox* selector = window->conditions().operatorSelector(1);
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->count(), 7);
    // LIKE only for the fields that hold characters.
    EXPECT_EQ(window->conditions().operatorSelector(0)->count(), 6);
    selector->setCurrentIndex(6);
    emit selector->activated(6);
    emit selector->activated(6);
    EXPECT_EQ(where->topLevelItem(1)->text(2), QStringLiteral("@pCustomerName+'%'"));
    selector->setCurrentIndex(0);
    emit selector->activated(0);
    EXPECT_EQ(where->topLevelItem(1)->text(2), QStringLiteral("@pCustomerName"));
    selector->setCurrentIndex(6);
    emit selector->activated(6);
    EXPECT_EQ(where->currentItem(), where->topLevelItem(1));

    pickTableAndFields(*window, "Orders", {"OrderID", "CustomerName", "Amount"});
    trigger(*window, "mniUpdateW"); // the same page again keeps the rows and their declarations
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    // Each condition declared as its WHERE line spells it; the identity is not set.
    EXPECT_EQ(page(1), QStringLiteral("CREATE PROCEDURE SP_UPDATE_Orders\n"
                                      "@pOrderID [int],\n"
                                      "@pCustomerName [varchar](41),\n"
                                      "@pAmount [decimal](19,4)\n"
                                      "\n"
                                      "AS BEGIN\n"
                                      "\n"
                                      "UPDATE Orders SET\n"
                                      "[CustomerName] = @pCustomerName,\n"
                                      "[Amount] = @pAmount\n"
                                      "WHERE \n"
                                      "OrderID = @pOrderID AND\n"
                                      "CustomerName LIKE @pCustomerName+'%'\n"
                                      "\n"
                                      "END"));
}

TEST_F(BuildTest, ConditionsOnlyOnTheUpdatePageAndDelRemovesTheSelectedRow)
{
    pickTableAndFields(*window, "Orders", {"OrderID", "Amount", "CustomerName"});
    window->lvFieldsDblClick(); // Insert page: nothing
    EXPECT_EQ(where->topLevelItemCount(), 0);

    window->selectPage(TfrmMain::UpdatePage);
    window->lvFieldsDblClick(); // several selected: the first in display order
    ASSERT_EQ(where->topLevelItemCount(), 1);
    EXPECT_EQ(where->topLevelItem(0)->text(0), QStringLiteral("OrderID"));
    addCondition("Amount");
    addCondition("Amount");
    EXPECT_EQ(where->topLevelItemCount(), 3);

    where->setCurrentItem(where->topLevelItem(0));
    trigger(*window, "Delete1");
    ASSERT_EQ(where->topLevelItemCount(), 2);
    EXPECT_EQ(where->topLevelItem(0)->text(0), QStringLiteral("Amount"));
    EXPECT_NE(window->conditions().operatorSelector(1), nullptr);

    // A removed row leaves no declaration; a field added twice is declared once.
    pickTableAndFields(*window, "Orders", {"CustomerName"});
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    EXPECT_EQ(page(1), QStringLiteral("CREATE PROCEDURE SP_UPDATE_Orders\n"
                                      "@pAmount [decimal](19,4),\n"
                                      "@pCustomerName [varchar](41)\n"
                                      "\n"
                                      "AS BEGIN\n"
                                      "\n"
                                      "UPDATE Orders SET\n"
                                      "[CustomerName] = @pCustomerName\n"
                                      "WHERE \n"
                                      "Amount = @pAmount AND\n"
                                      "Amount = @pAmount\n"
                                      "\n"
                                      "END"));
}

TEST_F(BuildTest, BuildAllFromTheInsertPageAsksThreeNamesInOrder)
{
    pickTableAndFields(*window, "Orders", {"OrderID", "CustomerName"});
    QString first, third;
    // No condition rows: the key is offered for the Update procedure first.
    responder.answerConfirmation(true);
    responder.answerDialog(acceptProposedName(&first));
    // Update: the page was changed by hand; then the name is cancelled, and
    // that page stays as it was.
    responder.answerSaveChanges(ui::SaveChoice::Discard);
    responder.answerDialog(rejectDialog());
    responder.answerDialog(acceptProposedName(&third));
    window->editor(1)->setPlainText(QStringLiteral("replaced"));
    trigger(*window, "mniBuildAll");
    EXPECT_TRUE(responder.everythingAnswered());
    EXPECT_EQ(first, QStringLiteral("SP_INSERT_Orders"));
    EXPECT_EQ(third, QStringLiteral("SP_DELETE_Orders"));
    EXPECT_EQ(window->currentPage(), TfrmMain::InsertPage);
    EXPECT_TRUE(page(0).startsWith(QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders\n")));
    EXPECT_EQ(page(1), QStringLiteral("replaced"));
    EXPECT_EQ(page(2), QStringLiteral("CREATE PROCEDURE SP_DELETE_Orders\n"
                                      "@pOrderID [int],\n"
                                      "@pCustomerName [varchar](41)\n"
                                      "\n"
                                      "AS BEGIN\n"
                                      "\n"
                                      "DELETE FROM Orders\n"
                                      "WHERE \n"
                                      "[OrderID] = @pOrderID AND\n"
                                      "[CustomerName] = @pCustomerName\n"
                                      "\n"
                                      "END"));
}

TEST_F(BuildTest, WhatAProcedureCannotUseIsRefusedBeforeAnyPageIsBuilt)
{
    window->dataMain().db().engine().executeBatch(
        "CREATE TABLE Notes (NoteID int, Body text, Written datetime)");
    trigger(*window, "Loadtablelist1");
    window->editor(0)->setPlainText(QStringLiteral("kept"));
    window->documents().markKnown(0);

    // Delete compares every selected field: one that cannot be compared is
    // named before anything is built, Build All included.
    pickTableAndFields(*window, "Notes", {"NoteID", "Body"});
    window->selectPage(TfrmMain::DeletePage);
    trigger(*window, "mniBuild");
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].kind, ui::MessageKind::Error);
    EXPECT_TRUE(responder.messages[0].text.contains(
        QStringLiteral("Leave it out: Ctrl+click Body in the field list")))
        << responder.messages[0].text.toStdString();
    EXPECT_EQ(page(2), QString());

    // Update without a condition, on a table without a key: refused, saying
    // how to add one.
    window->selectPage(TfrmMain::UpdatePage);
    pickTableAndFields(*window, "customers", {"Name"});
    trigger(*window, "mniBuild");
    ASSERT_EQ(responder.messages.size(), 2u);
    EXPECT_TRUE(responder.messages[1].text.contains(
        QStringLiteral("drag fields onto the condition list below the Update page, or "
                       "double-click a field")))
        << responder.messages[1].text.toStdString();
    EXPECT_EQ(page(1), QString());

    // With a key: offered; No builds nothing, Yes finds the row by the key.
    pickTableAndFields(*window, "Orders", {"CustomerName"});
    responder.answerConfirmation(false);
    trigger(*window, "mniBuildAll");
    EXPECT_EQ(page(0), QStringLiteral("kept"));
    EXPECT_EQ(page(1), QString());
    EXPECT_TRUE(responder.messages.back().text.startsWith(
        QStringLiteral("The Update procedure needs at least one condition to find the rows it "
                       "changes. Find the row by the key of Orders (OrderID)?")))
        << responder.messages.back().text.toStdString();
    responder.answerConfirmation(true);
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    EXPECT_TRUE(page(1).contains(QStringLiteral("WHERE \n[OrderID] = @pOrderID")))
        << page(1).toStdString();
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(BuildTest, TheFieldListFollowsTheTableChosenByKeyboardAndBuildWritesThatTable)
{
    auto* tables = child<QTreeWidget>(window.get(), "lvTables");
    ASSERT_GT(tables->topLevelItemCount(), 1) << "filled at start-up";
    window->show();
    QApplication::setActiveWindow(window.get());
    tables->setFocus();
    QTest::keyClick(tables, Qt::Key_Home);
    const QString first = tables->topLevelItem(0)->text(0);
    EXPECT_EQ(window->schema().shownTable(), first);
    // Down moves to the next table; its fields follow.
    QTest::keyClick(tables, Qt::Key_Down);
    EXPECT_EQ(window->schema().shownTable(), tables->topLevelItem(1)->text(0));
    // Typing the start of a name goes to that table.
    QTest::keyClicks(tables, QStringLiteral("O"));
    EXPECT_EQ(tables->currentItem()->text(0), QStringLiteral("Orders"));
    EXPECT_EQ(window->schema().shownTable(), QStringLiteral("Orders"));
    EXPECT_EQ(fields->topLevelItem(0)->text(0), QStringLiteral("OrderID"));

    // Fields chosen by keyboard too: Ctrl+A in the field list, then F5.
    fields->setFocus();
    QTest::keyClick(fields, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(fields->selectedItems().size(), 4);
    QString proposed;
    responder.answerDialog(acceptProposedName(&proposed));
    QTest::keyClick(fields, Qt::Key_F5);
    EXPECT_EQ(proposed, QStringLiteral("SP_INSERT_Orders"));
    EXPECT_TRUE(page(0).contains(QStringLiteral("INSERT INTO Orders(\n[CustomerName],")))
        << page(0).toStdString();

    // From the page, Shift+Tab goes back to the field list.
    ui::SqlEditor* edit = window->editor(TfrmMain::InsertPage);
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), fields);

    // Home again: the first table and its fields, never Orders' fields.
    tables->setFocus();
    QTest::keyClick(tables, Qt::Key_Home);
    EXPECT_EQ(window->schema().shownTable(), first);
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(BuildTest, ShortcutsBuildCreateAndLoadAndTheMenusShowThem)
{
    const struct {
        const char* action;
        QKeySequence key;
    } shortcuts[] = {{"mniBuild", QKeySequence(Qt::Key_F5)},
                     {"mniCreate", QKeySequence(Qt::CTRL | Qt::Key_Return)},
                     {"Loadtablelist1", QKeySequence(Qt::Key_F4)}};
    for (const auto& row : shortcuts)
        EXPECT_EQ(child<QAction>(window.get(), row.action)->shortcut(), row.key) << row.action;

    window->show();
    QApplication::setActiveWindow(window.get());
    auto* tables = child<QTreeWidget>(window.get(), "lvTables");
    tables->clear();
    ui::SqlEditor* edit = window->editor(TfrmMain::InsertPage);
    edit->setFocus();
    // F4 in the editor fills the table list.
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_EQ(tables->topLevelItemCount(), 3);

    pickTableAndFields(*window, "Orders", {"CustomerName", "Amount"});
    edit->setFocus();
    responder.answerDialog(acceptProposedName());
    QTest::keyClick(edit, Qt::Key_F5);
    ASSERT_TRUE(page(0).startsWith(QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders")));
    QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_FALSE(responder.messages.empty());
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("Procedure insert created successfully: SP_INSERT_Orders"));
    EXPECT_EQ(page(0).count(QLatin1Char('\n')), edit->lines() - 1) << "no line break typed";

    // On the Edit page the same command updates on the server, and says so.
    window->selectPage(TfrmMain::EditPage);
    EXPECT_EQ(child<QAction>(window.get(), "mniCreate")->text(), QStringLiteral("&Update on server"));
    window->selectPage(TfrmMain::InsertPage);
    EXPECT_EQ(child<QAction>(window.get(), "mniCreate")->text(), QStringLiteral("&Create"));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(BuildTest, TheConditionListSaysWhatItIsForAndADoubleClickKeepsTheFieldsToSet)
{
    window->show();
    QApplication::setActiveWindow(window.get());
    window->selectPage(TfrmMain::UpdatePage);
    pickTableAndFields(*window, "Orders", {"CustomerName", "Amount"});
    auto* hint = child<QLabel>(window.get(), "lblWhereHint");
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("Drag fields here, or double-click a field"));
    auto selectedNames = [this] {
        QStringList names;
        for (int i = 0; i < fields->topLevelItemCount(); ++i)
            if (fields->topLevelItem(i)->isSelected())
                names << fields->topLevelItem(i)->text(0);
        return names;
    };

    // A double-click on OrderID makes it a condition; the fields to set stay.
    QTreeWidgetItem* id = fields->findItems(QStringLiteral("OrderID"), Qt::MatchExactly).value(0);
    ASSERT_NE(id, nullptr);
    // Through the window, as the platform delivers a double-click: press,
    // release, press (and the double-click), release.
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                       fields->viewport()->mapTo(window.get(), fields->visualItemRect(id).center()));
    ASSERT_EQ(where->topLevelItemCount(), 1);
    EXPECT_EQ(where->topLevelItem(0)->text(0), QStringLiteral("OrderID"));
    EXPECT_EQ(selectedNames(), QStringList({"CustomerName", "Amount"}));
    EXPECT_FALSE(hint->isVisible());

    // The list's context menu removes the row under the mouse.
    const QPoint at = where->visualItemRect(where->topLevelItem(0)).center();
    emit where->customContextMenuRequested(at);
    auto* menu = child<QMenu>(window.get(), "popWhere");
    ASSERT_TRUE(menu->isVisible());
    auto* remove = child<QAction>(window.get(), "Delete1");
    EXPECT_TRUE(remove->isEnabled());
    QTest::keyClick(menu, Qt::Key_R);
    EXPECT_EQ(where->topLevelItemCount(), 0);
    EXPECT_TRUE(hint->isVisible());
}
