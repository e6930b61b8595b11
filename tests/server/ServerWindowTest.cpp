#include "Fixture.h"
#include "ServerFixture.h"

#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "app/dlgMain.h"
#include "data/dmMain.h"
#include "ui/SqlEditor.h"
#include "support/Names.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

// A user's day on the server through the window: the lists, Build, Create,
// the recent list, open and update on the server.
TEST(ServerWindow, BuildCreateOpenAndUpdateThroughTheWindow)
{
    ScratchDatabase db;
    db.run("CREATE SCHEMA Purchasing");
    db.run("CREATE TABLE dbo.Orders (OrderID int IDENTITY(1,1) PRIMARY KEY, Freight money,"
           " Note nvarchar(20));"
           "CREATE TABLE Purchasing.Orders (PurchaseID int PRIMARY KEY, Qty int)");
    TempDir dir;
    ScriptedResponder responder;
    auto settings = makeSettings(dir, db.connection());
    TfrmMain window(*settings);

    pickTableAndFields(window, QStringLiteral("Orders"), {"OrderID", "Freight", "Note"});
    EXPECT_EQ(captions(child<QTreeWidget>(&window, "lvTables")),
              QStringList({"Orders", "Purchasing.Orders"}));
    EXPECT_EQ(captions(child<QTreeWidget>(&window, "lvFields")),
              QStringList({"OrderID", "Freight", "Note"}));

    // The identity is left out: the created procedure inserts at its first call.
    responder.answerDialog(acceptProposedName());
    trigger(window, "mniBuild");
    EXPECT_FALSE(window.editor(0)->toPlainText().contains(QStringLiteral("[OrderID]")));
    trigger(window, "mniCreate");
    ASSERT_FALSE(responder.messages.empty());
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("Procedure insert created successfully: SP_INSERT_Orders"));
    query(db.name(), "EXEC SP_INSERT_Orders @pFreight = ?, @pNote = ?", {"1.5", "first"});
    EXPECT_EQ(scalar(db.name(), "SELECT Note FROM Orders WHERE OrderID = 1"), "first");
    EXPECT_EQ(window.recent().names(), QStringList({"SP_INSERT_Orders"}));

    // Open from the recent list, change it and update it on the server.
    window.openRecentProcedure(QStringLiteral("SP_INSERT_Orders"));
    EXPECT_EQ(window.currentPage(), TfrmMain::EditPage);
    EXPECT_TRUE(window.editor(3)->toPlainText().contains(QStringLiteral("INSERT INTO Orders(")));
    window.editor(3)->setPlainText(QStringLiteral("CREATE PROCEDURE SP_INSERT_Orders AS SELECT 7"));
    trigger(window, "mniCreate");
    EXPECT_EQ(scalar(db.name(), "EXEC SP_INSERT_Orders"), "7");

    // A procedure of another schema: built, created, listed for the insertion lists.
    pickTableAndFields(window, QStringLiteral("Purchasing.Orders"), {"PurchaseID", "Qty"});
    window.selectPage(TfrmMain::InsertPage);
    responder.answerDialog(acceptProposedName());
    trigger(window, "mniBuild");
    trigger(window, "mniCreate");
    EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM sys.procedures"), "2");
    QStringList procedures;
    for (const varnett::sqltext::ProcedureRef& procedure : window.dataMain().listProcedures())
        procedures << QString::fromStdString(varnett::sqltext::catalogName(procedure)).toLower();
    EXPECT_EQ(procedures, QStringList({"sp_insert_orders;1", "purchasing.sp_insert_orders;1"}));
}
