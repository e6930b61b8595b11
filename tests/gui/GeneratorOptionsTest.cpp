#include "Fixture.h"

#include "app/SchemaLists.h"
#include "data/SettingsStore.h"
#include "data/sqlite/SqliteEngine.h"
#include "dialogs/dlgGenOptions.h"
#include "ui/SqlEditor.h"
#include "support/Names.h"

#include <QCheckBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

class GeneratorOptionsDialogTest : public MainWindowTest {};

} // namespace

TEST_F(GeneratorOptionsDialogTest, DialogChoiceIsKeptInTheSettingsStore)
{
    EXPECT_EQ(settings->generatorOptions(), sqltext::GeneratorOptions{});
    responder.answerDialog([](QDialog& dialog) {
        auto& options = static_cast<TfrmGenOptions&>(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Generator options"));
        EXPECT_FALSE(options.cbNoCount->isChecked());
        options.cbNoCount->setChecked(true);
        options.cbKeyConditions->setChecked(true);
        return int(QDialog::Accepted);
    });
    trigger(*window, "mniGeneratorOptions");
    EXPECT_EQ(responder.events, QStringList{QStringLiteral("dialog:frmGenOptions")});

    // A store of the same file reads them back; the connection string stays.
    data::SettingsStore reread(settings->location());
    sqltext::GeneratorOptions expected;
    expected.setNoCount = true;
    expected.keyConditions = true;
    EXPECT_EQ(reread.generatorOptions(), expected);
    EXPECT_EQ(reread.connectionString(), embeddedConnectionString(database));

    // Cancel changes nothing, and the dialog shows what is stored.
    responder.answerDialog([](QDialog& dialog) {
        auto& options = static_cast<TfrmGenOptions&>(dialog);
        EXPECT_TRUE(options.cbNoCount->isChecked());
        EXPECT_TRUE(options.cbKeyConditions->isChecked());
        EXPECT_FALSE(options.cbRowversion->isChecked());
        options.cbNoCount->setChecked(false);
        return int(QDialog::Rejected);
    });
    trigger(*window, "mniGeneratorOptions");
    EXPECT_EQ(data::SettingsStore(settings->location()).generatorOptions(), expected);
}

TEST_F(GeneratorOptionsDialogTest, BuildUsesTheStoredOptionsAndTheSelectPage)
{
    sqltext::GeneratorOptions options;
    options.setNoCount = true;
    options.keyConditions = true;
    settings->setGeneratorOptions(options);

    pickTableAndFields(*window, "Orders", {"OrderID", "CustomerName"});
    // The key column has its own icon.
    auto* fields = child<QTreeWidget>(window.get(), "lvFields");
    EXPECT_TRUE(SchemaLists::isKeyField(fields->findItems("OrderID", Qt::MatchExactly).value(0)));
    EXPECT_FALSE(
        SchemaLists::isKeyField(fields->findItems("CustomerName", Qt::MatchExactly).value(0)));

    window->selectPage(TfrmMain::DeletePage);
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    EXPECT_EQ(window->editor(TfrmMain::DeletePage)->toPlainText(),
              QStringLiteral("CREATE PROCEDURE SP_DELETE_Orders\n@pOrderID [int]\n\nAS BEGIN\n\n"
                             "SET NOCOUNT ON;\nDELETE FROM Orders\nWHERE \n[OrderID] = @pOrderID\n"
                             "\nEND"));

    window->selectPage(TfrmMain::SelectPage);
    QString proposed;
    responder.answerDialog(acceptProposedName(&proposed));
    trigger(*window, "mniBuild");
    EXPECT_EQ(proposed, QStringLiteral("SP_SELECT_Orders"));
    EXPECT_EQ(window->editor(TfrmMain::SelectPage)->toPlainText(),
              QStringLiteral("CREATE PROCEDURE SP_SELECT_Orders\n\nAS BEGIN\n\nSET NOCOUNT ON;\n"
                             "SELECT\n[OrderID],\n[CustomerName]\nFROM Orders\n\nEND"));
    EXPECT_TRUE(child<QWidget>(window.get(), "pnlWhere")->isVisibleTo(window.get()));

    trigger(*window, "mniCreate");
    ASSERT_FALSE(responder.messages.empty());
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("Procedure select created successfully: SP_SELECT_Orders"));
}

TEST_F(GeneratorOptionsDialogTest, ATableOfAnotherSchemaHasItsOwnKeyAndProcedureNames)
{
    {
        auto engine = data::openSqliteEngine(database);
        engine->executeBatch("CREATE SCHEMA Sales");
        engine->executeBatch("CREATE TABLE Sales.Stock (Id INTEGER PRIMARY KEY AUTOINCREMENT,"
                             " Code char(4), Qty int)");
    }
    window = std::make_unique<TfrmMain>(*settings);
    sqltext::GeneratorOptions options;
    options.identityOutput = true;
    options.createOrAlter = true;
    settings->setGeneratorOptions(options);

    pickTableAndFields(*window, "Sales.Stock", {"Code", "Qty"});
    auto* fields = child<QTreeWidget>(window.get(), "lvFields");
    EXPECT_TRUE(SchemaLists::isKeyField(fields->findItems("Id", Qt::MatchExactly).value(0)));
    EXPECT_FALSE(SchemaLists::isKeyField(fields->findItems("Code", Qt::MatchExactly).value(0)));

    window->selectPage(TfrmMain::InsertPage);
    QString proposed;
    responder.answerDialog(acceptProposedName(&proposed));
    trigger(*window, "mniBuild");
    EXPECT_EQ(proposed, QStringLiteral("Sales.SP_INSERT_Stock"));
    EXPECT_EQ(window->editor(TfrmMain::InsertPage)->toPlainText(),
              QStringLiteral("CREATE OR ALTER PROCEDURE Sales.SP_INSERT_Stock\n@pCode [char](4),\n"
                             "@pQty [int],\n@pId [int] OUTPUT\n\nAS BEGIN\n\n"
                             "INSERT INTO Sales.Stock(\n[Code],\n[Qty]\n)\n\nVALUES (\n@pCode,\n"
                             "@pQty\n)\nSET @pId = SCOPE_IDENTITY();\nEND"));

    // Created twice: CREATE OR ALTER replaces the procedure in its schema.
    for (int twice = 0; twice < 2; ++twice) {
        trigger(*window, "mniCreate");
        ASSERT_FALSE(responder.messages.empty());
        EXPECT_EQ(responder.messages.back().text,
                  QStringLiteral("Procedure insert created successfully: Sales.SP_INSERT_Stock"));
    }
    EXPECT_EQ(varnett::testing::shown(data::openSqliteEngine(database)->listProcedures()),
              std::vector<std::string>{"Sales.SP_INSERT_Stock;1"});
}
