#include "Fixture.h"
#include "ServerFixture.h"

#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "app/dlgMain.h"
#include "data/dmMain.h"
#include "ui/ProcedureRunner.h"
#include "ui/ResultsDock.h"
#include "ui/ResultsModel.h"
#include "ui/SqlEditor.h"
#include "support/Names.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
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

namespace {

// Fills the Execute dialog's value box of a parameter, found by its name,
// or checks its NULL.
void fillValue(QDialog& dialog, const QString& name, const std::optional<QString>& value)
{
    for (int i = 1;; ++i) {
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("lblName%1").arg(i));
        ASSERT_NE(label, nullptr) << name.toStdString();
        if (label->text().compare(name, Qt::CaseInsensitive) == 0) {
            const QByteArray number = QByteArray::number(i);
            if (value)
                child<QLineEdit>(&dialog, ("edtValue" + number).constData())->setText(*value);
            else
                child<QCheckBox>(&dialog, ("chkNull" + number).constData())->setChecked(true);
            return;
        }
    }
}

void waitForEnd(ui::ProcedureRunner& runner)
{
    while (runner.running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

// A generated procedure run from the Execute dialog: rolled back, it leaves
// the table as it was; the results show what it gave back.
TEST(ServerWindow, ExecuteRunsAGeneratedProcedureAndRollsItBack)
{
    ScratchDatabase db;
    db.run(kItems);
    db.run("INSERT INTO Items (Name, Price) VALUES (N'Tea', 1.25)");
    TempDir dir;
    createGenerated(dir, db, {"insert", "Items", "--identity-output", "--name", "P_INS"});
    createGenerated(dir, db, {"select", "Items", "--where", "ItemID:=", "--name", "P_SEL"});
    ScriptedResponder responder;
    auto settings = makeSettings(dir, db.connection());
    TfrmMain window(*settings);
    ui::ResultsDock& dock = window.results();

    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("dlgExecProc"));
        EXPECT_TRUE(child<QCheckBox>(&dialog, "chkRollback")->isChecked());
        fillValue(dialog, QStringLiteral("@pName"), QStringLiteral("O'Brien"));
        fillValue(dialog, QStringLiteral("@pPrice"), QStringLiteral("2.50"));
        // Babelfish refuses a call that leaves a parameter out.
        fillValue(dialog, QStringLiteral("@pCode"), std::nullopt);
        dialog.accept();
        return dialog.result();
    });
    window.executeProcedure(QStringLiteral("P_INS"));
    waitForEnd(window.runner());
    EXPECT_TRUE(responder.messages.empty()) << responder.messages.back().text.toStdString();
    const std::string messages = dock.messagesText().toLower().toStdString();
    EXPECT_NE(messages.find("@pitemid = 2"), std::string::npos) << messages;
    EXPECT_NE(messages.find("rolled back in"), std::string::npos) << messages;
    EXPECT_EQ(rowsOf(query(db.name(), "SELECT ItemID, Name FROM Items ORDER BY ItemID")), "1|Tea\n");

    // Committed, the select shows its row in the grid, NULL apart.
    responder.answerDialog([](QDialog& dialog) {
        fillValue(dialog, QStringLiteral("@pItemID"), QStringLiteral("1"));
        child<QCheckBox>(&dialog, "chkRollback")->setChecked(false);
        dialog.accept();
        return dialog.result();
    });
    window.executeProcedure(QStringLiteral("P_SEL"));
    waitForEnd(window.runner());
    ASSERT_EQ(dock.resultSetCount(), 1) << dock.messagesText().toStdString();
    ui::ResultsModel* model = dock.model(0);
    ASSERT_EQ(model->rowCount(), 1);
    QStringList names;
    for (int c = 0; c < model->columnCount(); ++c)
        names << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().section('\n', 0, 0);
    const int name = static_cast<int>(names.indexOf(QStringLiteral("Name")));
    const int code = static_cast<int>(names.indexOf(QStringLiteral("Code")));
    ASSERT_GE(name, 0) << names.join(',').toStdString();
    ASSERT_GE(code, 0);
    EXPECT_EQ(model->data(model->index(0, name), Qt::DisplayRole).toString(), QStringLiteral("Tea"));
    EXPECT_TRUE(model->data(model->index(0, code), ui::ResultsModel::NullRole).toBool());
    EXPECT_TRUE(dock.statusText().contains(QStringLiteral("committed")))
        << dock.statusText().toStdString();
}
