#include "Fixture.h"

#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "ui/SqlEditor.h"
#include "support/Names.h"

#include <QMenu>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

class ServerProceduresTest : public MainWindowTest {
protected:

    QStringList catalog()
    {
        QStringList names;
        for (const varnett::sqltext::ProcedureRef& procedure : window->dataMain().listProcedures())
            names << QString::fromStdString(varnett::sqltext::catalogName(procedure));
        return names;
    }

    QString lastMessage() { return responder.messages.empty() ? QString() : responder.messages.back().text; }
};

} // namespace

TEST_F(ServerProceduresTest, CreateReportsSuccessThenTheExistingObject)
{
    pickTableAndFields(*window, "Orders", {"OrderID", "Amount"});
    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    trigger(*window, "mniCreate");
    EXPECT_EQ(responder.messages.back().title, QStringLiteral("Information"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Procedure insert created successfully: SP_INSERT_Orders"));
    EXPECT_EQ(catalog(), QStringList({"SP_INSERT_Orders;1"}));
    EXPECT_EQ(window->recent().names(), QStringList({"SP_INSERT_Orders"}));

    trigger(*window, "mniCreate");
    EXPECT_EQ(responder.messages.back().title, QStringLiteral("Error"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Can not create procedure insert. Error msg: There is "
                                            "already an object named 'SP_INSERT_Orders' in the "
                                            "database."));
    EXPECT_EQ(window->recent().names().size(), 1);
}

TEST_F(ServerProceduresTest, CreateAllShowsThreeBoxesInOrder)
{
    window->editor(0)->setPlainText(QStringLiteral("CREATE PROCEDURE P1\nAS\nSELECT 1"));
    window->editor(2)->setPlainText(QStringLiteral("CREATE PROCEDURE P2\nAS\nSELECT 1\nGO\n"
                                                   "CREATE PROCEDURE P3\nAS\nSELECT 1"));
    trigger(*window, "mniCreateAll");
    ASSERT_EQ(responder.messages.size(), 3u);
    EXPECT_EQ(responder.messages[0].text, QStringLiteral("Procedure insert created successfully: P1"));
    EXPECT_EQ(responder.messages[1].text,
              QStringLiteral("Can not create procedure update. Error msg: The page is empty."));
    EXPECT_EQ(responder.messages[2].text,
              QStringLiteral("Can not create procedure delete. Error msg: 'CREATE/ALTER "
                             "PROCEDURE' must be the first statement in a query batch."));
    EXPECT_EQ(catalog(), QStringList({"P1;1"}));
}

TEST_F(ServerProceduresTest, RecentListKeepsFiveNewestFirstAndOpensNamesAsTheyAre)
{
    window->dataMain().executeLines({"CREATE PROCEDURE [R&D]", "AS", "SELECT 1"});
    for (const char* name : {"A", "B", "C", "D", "E", "F"})
        window->recent().add(QString::fromLatin1(name));
    window->recent().add(QStringLiteral("R&D"));
    EXPECT_EQ(window->recent().names(), QStringList({"R&D", "F", "E", "D", "C"}));
    auto* file = child<QMenu>(window.get(), "mnuFile");
    ASSERT_EQ(file->actions().size(), 18);
    QAction* newest = file->actions()[13];
    EXPECT_EQ(newest->text(), QStringLiteral("R&&D")); // shows a single "&"

    newest->trigger();
    EXPECT_EQ(window->currentPage(), TfrmMain::EditPage);
    EXPECT_EQ(window->editor(3)->toPlainText(), QStringLiteral("CREATE PROCEDURE [R&D]\nAS\nSELECT 1"));
    EXPECT_EQ(window->documents().state(3).procedureName, QStringLiteral("R&D"));
    EXPECT_EQ(window->recent().names().size(), 5) << "opening a recent entry adds none";
}

TEST_F(ServerProceduresTest, UpdateOnTheServerReplacesTheProcedureOrKeepsTheOld)
{
    window->dataMain().executeLines({"CREATE PROCEDURE [O'Brien]", "AS", "SELECT 1"});
    window->openRecentProcedure(QStringLiteral("O'Brien"));
    ASSERT_EQ(window->editor(3)->toPlainText(), QStringLiteral("CREATE PROCEDURE [O'Brien]\nAS\nSELECT 1"));

    // A text that fails leaves the old procedure in place.
    window->editor(3)->setPlainText(QStringLiteral("CREATE PROCEDURE [O'Brien]\nAS\nSELECT 1\nGO"));
    trigger(*window, "mniCreate");
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Can not update procedure. Error msg: ")));
    EXPECT_EQ(catalog(), QStringList({"O'Brien;1"}));

    const QString edited = QStringLiteral("CREATE PROCEDURE [O'Brien]\nAS\nSELECT 2 -- ") + QString(300, QLatin1Char('x'));
    window->editor(3)->setPlainText(edited);
    trigger(*window, "mniCreate");
    EXPECT_EQ(lastMessage(), QStringLiteral("Procedure updated successfully: [O'Brien]"));
    window->editor(3)->clear();
    window->openRecentProcedure(QStringLiteral("O'Brien"));
    EXPECT_EQ(window->editor(3)->toPlainText(), edited) << "a long line comes back as one line";

    // An empty page is refused and the drop rolled back.
    window->editor(3)->clear();
    trigger(*window, "mniCreate");
    EXPECT_EQ(lastMessage(), QStringLiteral("Can not update procedure. Error msg: The page is empty."));
    EXPECT_EQ(catalog(), QStringList({"O'Brien;1"}));
}

TEST_F(ServerProceduresTest, AMissingProcedureKeepsThePageText)
{
    window->editor(3)->setPlainText(QStringLiteral("kept"));
    ui::guarded([&] { window->openRecentProcedure(QStringLiteral("Nowhere")); });
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(lastMessage(), QStringLiteral("The object 'Sales.dbo.Nowhere' does not exist in "
                                            "database 'Sales' or is invalid for this operation."));
    EXPECT_EQ(window->editor(3)->toPlainText(), QStringLiteral("kept"));
}
