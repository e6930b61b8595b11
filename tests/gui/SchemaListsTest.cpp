#include "Fixture.h"

#include "app/SchemaLists.h"
#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "data/sqlite/SqliteEngine.h"
#include "ui/SqlEditor.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

class SchemaListsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        tables = child<QTreeWidget>(window.get(), "lvTables");
        fields = child<QTreeWidget>(window.get(), "lvFields");
        trigger(*window, "Loadtablelist1");
    }

    QStringList column(QTreeWidget* list, int col)
    {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(col);
        return texts;
    }

    void clickTable(const QString& name)
    {
        QTreeWidgetItem* item = tables->findItems(name, Qt::MatchExactly).value(0);
        ASSERT_NE(item, nullptr) << name.toStdString();
        tables->setCurrentItem(item);
        emit tables->itemClicked(item, 0);
    }

    QTreeWidget* tables = nullptr;
    QTreeWidget* fields = nullptr;
};

} // namespace

TEST_F(SchemaListsTest, AClickListsTheColumnsWithTheirTypeTexts)
{
    clickTable(QStringLiteral("Orders"));
    EXPECT_EQ(column(fields, 0),
              QStringList({"OrderID", "CustomerName", "Amount", "OrderDate"}));
    EXPECT_EQ(column(fields, 1),
              QStringList({"[int]", "[varchar](41)", "[decimal](19,4)", "[datetime]"}));
    clickTable(QStringLiteral("customers"));
    EXPECT_EQ(column(fields, 1), QStringList({"[int]", "[nvarchar](61)", "[char](10)"}));
}

TEST_F(SchemaListsTest, TheShownTableKeepsTheSelectionAnotherTableEmptiesIt)
{
    auto* caption = child<QGroupBox>(window.get(), "gbFields");
    EXPECT_EQ(caption->title(), QStringLiteral("Fields"));
    clickTable(QStringLiteral("Orders"));
    fields->topLevelItem(1)->setSelected(true);
    fields->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(caption->title(), QStringLiteral("Selected fields: 2"));

    clickTable(QStringLiteral("Orders"));
    EXPECT_EQ(fields->selectedItems().size(), 2);
    clickTable(QStringLiteral("customers"));
    EXPECT_EQ(fields->selectedItems().size(), 0);
    EXPECT_EQ(fields->topLevelItemCount(), 3);
}

TEST_F(SchemaListsTest, AFailingTableLeavesTheListEmptyAndRetries)
{
    clickTable(QStringLiteral("Orders"));
    // The table goes away behind the program's back.
    window->dataMain().db().engine().executeBatch("DROP VIEW BigOrders;\r\nDROP TABLE customers;");
    clickTable(QStringLiteral("customers"));
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].title, QStringLiteral("Error"));
    EXPECT_EQ(fields->topLevelItemCount(), 0);
    EXPECT_TRUE(window->schema().shownTable().isEmpty());
    clickTable(QStringLiteral("customers"));
    EXPECT_EQ(responder.messages.size(), 2u);
}

TEST_F(SchemaListsTest, HeaderClicksSortByTheCompareRule)
{
    tables->clear();
    for (const char* name : {"b", "A", "_x", "a1"})
        new QTreeWidgetItem(tables, {QString::fromLatin1(name)});
    window->schema().lvFieldsColumnClick(tables, 0);
    EXPECT_EQ(column(tables, 0), QStringList({"A", "a1", "b", "_x"}));
    EXPECT_TRUE(tables->header()->isSortIndicatorShown());
    EXPECT_EQ(tables->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    // A second click reverses the order, and the arrow shows it.
    window->schema().lvFieldsColumnClick(tables, 0);
    EXPECT_EQ(column(tables, 0), QStringList({"_x", "b", "a1", "A"}));
    EXPECT_EQ(tables->header()->sortIndicatorOrder(), Qt::DescendingOrder);

    trigger(*window, "Loadtablelist1");
    clickTable(QStringLiteral("customers"));
    new QTreeWidgetItem(fields, {QStringLiteral("NoType")}); // an entry without a type text
    emit fields->header()->sectionClicked(1);
    EXPECT_EQ(window->schema().sortColumn(), 1);
    EXPECT_EQ(column(fields, 0), QStringList({"NoType", "Code", "CustomerID", "Name"}));

    // The type column sorts by type, then by size as a number.
    fields->clear();
    for (const char* type : {"[varchar](100)", "[int]", "[varchar](9)", "[decimal](19,4)",
                             "[varchar](max)", "[decimal](5,2)", "[decimal](19,2)"})
        new QTreeWidgetItem(fields, {QStringLiteral("f"), QString::fromLatin1(type)});
    emit fields->header()->sectionClicked(0);
    emit fields->header()->sectionClicked(1);
    EXPECT_EQ(column(fields, 1),
              QStringList({"[decimal](5,2)", "[decimal](19,2)", "[decimal](19,4)", "[int]",
                           "[varchar](9)", "[varchar](100)", "[varchar](max)"}));
}

TEST_F(SchemaListsTest, ReloadAndCloseAndDoubleClick)
{
    clickTable(QStringLiteral("Orders"));
    trigger(*window, "Loadtablelist1");
    EXPECT_EQ(column(tables, 0), QStringList({"customers", "Orders", "BigOrders"}));
    EXPECT_EQ(fields->topLevelItemCount(), 4) << "reloading keeps the field list";

    auto* page = window->editor(TfrmMain::InsertPage);
    page->setPlainText(QStringLiteral("SELECT * FROM \nWHERE"));
    page->setCursorPosition(0, 14);
    tables->setCurrentItem(tables->topLevelItem(1));
    window->lvTablesDblClick();
    EXPECT_EQ(page->toPlainText(), QStringLiteral("SELECT * FROM Orders \nWHERE"));
    int line = -1;
    int column = -1;
    page->getCursorPosition(&line, &column);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(column, 21);

    responder.answerSaveChanges(ui::SaveChoice::Discard); // the page was typed into
    trigger(*window, "mniClose");
    EXPECT_EQ(page->toPlainText(), QString());
    EXPECT_EQ(tables->topLevelItemCount(), 0);
    EXPECT_EQ(fields->topLevelItemCount(), 0);
}

namespace {

// The small Sales database with a second schema holding a table named as a
// dbo table.
class OtherSchemaTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        database = makeSalesDatabase(dir);
        auto engine = data::openSqliteEngine(database);
        engine->executeBatch("CREATE SCHEMA Purchasing");
        engine->executeBatch("CREATE TABLE Purchasing.Orders (OrderID int identity PRIMARY KEY,"
                             " Notes nvarchar(20))");
        engine.reset();
        settings = makeSettings(dir, embeddedConnectionString(database));
        window = std::make_unique<TfrmMain>(*settings);
    }
};

} // namespace

TEST_F(OtherSchemaTest, TheListNamesTheSchemaAndBuildWritesTheProcedureIntoIt)
{
    trigger(*window, "Loadtablelist1");
    auto* tables = child<QTreeWidget>(window.get(), "lvTables");
    QStringList names;
    for (int i = 0; i < tables->topLevelItemCount(); ++i)
        names << tables->topLevelItem(i)->text(0);
    EXPECT_EQ(names, QStringList({"customers", "Orders", "Purchasing.Orders", "BigOrders"}));

    pickTableAndFields(*window, QStringLiteral("Purchasing.Orders"), {"Notes"});
    QString proposed;
    responder.answerDialog(acceptProposedName(&proposed));
    trigger(*window, "mniBuild");
    EXPECT_EQ(proposed, QStringLiteral("Purchasing.SP_INSERT_Orders"));
    EXPECT_EQ(window->editor(0)->toPlainText(),
              QStringLiteral("CREATE PROCEDURE Purchasing.SP_INSERT_Orders\n@pNotes [nvarchar](21)\n\n"
                             "AS BEGIN\n\nINSERT INTO Purchasing.Orders(\n[Notes]\n)\n\nVALUES (\n"
                             "@pNotes\n)\nEND"));
}
