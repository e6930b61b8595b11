#include "Fixture.h"

#include "app/ConditionList.h"
#include "app/PageDocuments.h"
#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "ui/SqlEditor.h"

#include <QComboBox>
#include <QLabel>
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

    pickTableAndFields(*window, "Orders", {"OrderID"});
    window->documents().state(0).askForFileName = false;
    window->documents().state(0).documentName = QStringLiteral("/work/saved.PRC");
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniBuild");
    EXPECT_EQ(page(0), QStringLiteral("old text"));
    EXPECT_EQ(window->documents().state(0).documentName, QStringLiteral("/work/saved.PRC"));
    EXPECT_FALSE(window->documents().state(0).askForFileName);

    responder.answerDialog(typeProcedureName(QString()));
    trigger(*window, "mniBuild");
    EXPECT_EQ(page(0), QStringLiteral("old text"));
}

TEST_F(BuildTest, UndoBringsBackWhatBuildNewAndClearReplaced)
{
    pickTableAndFields(*window, "Orders", {"CustomerName"});
    window->editor(0)->setPlainText(QStringLiteral("my own text"));
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    ASSERT_TRUE(page(0).startsWith(QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders")));
    trigger(*window, "mniUndo");
    EXPECT_EQ(page(0), QStringLiteral("my own text"));
    trigger(*window, "mniRedo");
    EXPECT_TRUE(page(0).startsWith(QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders")));

    const struct {
        const char* command;
        int page;
    } emptying[] = {{"mniClear", 0}, {"mniClearAll", 2}, {"mniNew", 3}, {"mniClose", 1}};
    for (const auto& row : emptying) {
        window->selectPage(row.page);
        window->editor(row.page)->setPlainText(QStringLiteral("text of ") + row.command);
        trigger(*window, row.command);
        EXPECT_EQ(page(row.page), QString()) << row.command;
        trigger(*window, "mniUndo");
        EXPECT_EQ(page(row.page), QStringLiteral("text of ") + row.command) << row.command;
    }
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
    responder.answerDialog(acceptProposedName(&first));
    responder.answerDialog(rejectDialog()); // Update: cancelled, that page stays as it was
    responder.answerDialog(acceptProposedName(&third));
    window->editor(1)->setPlainText(QStringLiteral("replaced"));
    trigger(*window, "mniBuildAll");
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
