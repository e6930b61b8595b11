// The main window's commands that go through the procedure dialogs, the
// insertion lists and the script writers.
#include "Fixture.h"
#include "ProcedureDatabase.h"

#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "data/dmMain.h"
#include "ui/SqlEditor.h"
#include "support/Names.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>

using namespace varnett;
using namespace varnett::testing;

namespace {

class MainWindowCommandsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        window->dataMain().executeLines({"CREATE PROCEDURE GetOrders", "AS", "EXEC LogRead", "SELECT * FROM Orders"});
        window->dataMain().executeLines({"CREATE PROCEDURE LogRead", "AS", "SELECT 'Read'"});
    }

    // Answers the open dialog by typing a name.
    static ScriptedResponder::DialogAnswer typeOpenName(const QString& name)
    {
        return [name](QDialog& dialog) {
            EXPECT_EQ(dialog.objectName(), QStringLiteral("frmProcOpen"));
            child<QLineEdit>(&dialog, "edtName")->setText(name);
            dialog.accept();
            return dialog.result();
        };
    }
};

} // namespace

TEST_F(MainWindowCommandsTest, OpenLoadsTheProcedureIntoTheEditPage)
{
    responder.answerDialog(typeOpenName(QStringLiteral("GetOrders")));
    trigger(*window, "mniOpen");
    EXPECT_EQ(window->currentPage(), TfrmMain::EditPage);
    EXPECT_EQ(window->editor(3)->toPlainText(),
              QStringLiteral("CREATE PROCEDURE GetOrders\nAS\nEXEC LogRead\nSELECT * FROM Orders"));
    EXPECT_EQ(window->documents().state(3).procedureName, QStringLiteral("GetOrders"));
    EXPECT_EQ(window->recent().names(), QStringList({"GetOrders"}));

    // Cancel: the Edit page stays current with what it had.
    window->selectPage(TfrmMain::InsertPage);
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniOpen");
    EXPECT_EQ(window->currentPage(), TfrmMain::EditPage);
    EXPECT_EQ(window->documents().state(3).procedureName, QStringLiteral("GetOrders"));
    EXPECT_EQ(window->recent().names().size(), 1);

    // Edited, the page shows its marker; once the server holds the text the
    // marker goes.
    ui::SqlEditor* edit = window->editor(3);
    edit->setCursorPosition(3, 0);
    edit->insert(QStringLiteral("-- checked\n"));
    auto* tabs = child<QTabWidget>(window.get(), "pcMain");
    EXPECT_TRUE(tabs->tabText(3).endsWith(QStringLiteral(" *")));
    trigger(*window, "mniCreate");
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("Procedure updated successfully: GetOrders"));
    EXPECT_FALSE(tabs->tabText(3).endsWith(QStringLiteral(" *"))) << tabs->tabText(3).toStdString();
    EXPECT_FALSE(window->pageModified(3));

    // Opening over hand-made changes asks first; Cancel keeps them.
    edit->insert(QStringLiteral("-- mine\n"));
    responder.answerDialog(typeOpenName(QStringLiteral("LogRead")));
    responder.answerSaveChanges(ui::SaveChoice::Cancel);
    trigger(*window, "mniOpen");
    EXPECT_TRUE(edit->toPlainText().contains(QStringLiteral("-- mine")));
    EXPECT_EQ(window->documents().state(3).procedureName, QStringLiteral("GetOrders"));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(MainWindowCommandsTest, DroppedOrMissingProceduresLeaveTheRecentList)
{
    for (const char* name : {"GetOrders", "LogRead"}) {
        responder.answerDialog(typeOpenName(QString::fromLatin1(name)));
        trigger(*window, "mniOpen");
    }
    ASSERT_EQ(window->recent().names(), QStringList({"LogRead", "GetOrders"}));
    // Dropped here: its entry goes.
    responder.answerConfirmation(true);
    responder.answerDialog([](QDialog& dialog) {
        auto* source = child<QListWidget>(&dialog, "SrcList");
        source->findItems(QStringLiteral("LogRead"), Qt::MatchExactly).value(0)->setSelected(true);
        child<QPushButton>(&dialog, "IncludeBtn")->click();
        child<QPushButton>(&dialog, "OKBtn")->click();
        dialog.reject();
        return dialog.result();
    });
    trigger(*window, "mniDeleteProcedure");
    EXPECT_EQ(window->recent().names(), QStringList({"GetOrders"}));
    // Dropped elsewhere: the click says it does not exist, and the entry goes.
    window->dataMain().executeLines({"DROP PROCEDURE GetOrders"});
    QAction* entry = window->findChild<QAction*>(QStringLiteral("mniRecent"));
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_TRUE(responder.messages.back().text.contains(QStringLiteral("does not exist")))
        << responder.messages.back().text.toStdString();
    EXPECT_TRUE(window->recent().names().isEmpty());
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(MainWindowCommandsTest, ShowRelatedProceduresOffersThoseNamedLikeTheTable)
{
    trigger(*window, "mniRelated"); // no table selected: nothing
    EXPECT_TRUE(responder.events.isEmpty());

    pickTableAndFields(*window, "Orders", {});
    QStringList offered;
    responder.answerDialog([&offered](QDialog& dialog) {
        dialog.show();
        auto* box = child<QListWidget>(&dialog, "lboxCommand");
        for (int i = 0; i < box->count(); ++i)
            offered << box->item(i)->text();
        box->setCurrentRow(0);
        QTest::keyClick(box, Qt::Key_Return);
        return dialog.result();
    });
    trigger(*window, "mniRelated");
    EXPECT_EQ(offered, QStringList({"GetOrders"}));
    EXPECT_EQ(window->documents().state(3).procedureName, QStringLiteral("GetOrders"));
    EXPECT_TRUE(window->editor(3)->toPlainText().startsWith(QStringLiteral("CREATE PROCEDURE GetOrders")));
}

TEST_F(MainWindowCommandsTest, PopupEntriesInsertIntoTheCurrentPage)
{
    pickTableAndFields(*window, "Orders", {});
    window->selectPage(TfrmMain::DeletePage);
    window->editor(2)->setPlainText(QStringLiteral("x"));
    window->editor(2)->setCursorPosition(0, 1);
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmVariable"));
        dialog.show();
        auto* box = child<QListWidget>(&dialog, "lboxCommand");
        box->setCurrentRow(0, QItemSelectionModel::Select);
        box->setCurrentRow(2, QItemSelectionModel::Select);
        QTest::keyClick(box, Qt::Key_Return);
        return dialog.result();
    });
    trigger(*window, "mniVartype");
    EXPECT_EQ(window->editor(2)->toPlainText(),
              QStringLiteral("x@pOrderID [int], @pCustomerName [varchar](41)"));
}

TEST_F(MainWindowCommandsTest, DeleteProcedureDropsWhatTheDialogDrops)
{
    responder.answerConfirmation(true);
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmDeleteProc"));
        auto* source = child<QListWidget>(&dialog, "SrcList");
        source->item(0)->setSelected(true);
        child<QPushButton>(&dialog, "IncludeBtn")->click();
        child<QPushButton>(&dialog, "OKBtn")->click();
        dialog.reject();
        return dialog.result();
    });
    trigger(*window, "mniDeleteProcedure");
    EXPECT_EQ(varnett::testing::shown(window->dataMain().listProcedures()), std::vector<std::string>({"LogRead;1"}));
}

TEST_F(MainWindowCommandsTest, ProcedureScriptPutsCalleesFirst)
{
    auto* bar = child<QProgressBar>(window.get(), "pbMain");
    responder.answerSave(QString::fromStdString(dir.file("procs.SQL")));
    responder.answerDialog([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(&dialog, "lvProc");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            list->topLevelItem(i)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniScript");
    EXPECT_EQ(responder.fileRequests.at(0).objectName, QStringLiteral("sdScript"));
    EXPECT_EQ(responder.fileRequests.at(0).defaultSuffix, QStringLiteral("SQL"));
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The script is created successfully: ") + QString::fromStdString(dir.file("procs.SQL")));
    EXPECT_EQ(bar->value(), 0);
    const std::string script = readFile(dir.file("procs.SQL"));
    const auto callee = script.find("CREATE PROCEDURE LogRead");
    const auto caller = script.find("CREATE PROCEDURE GetOrders");
    ASSERT_NE(callee, std::string::npos);
    ASSERT_NE(caller, std::string::npos);
    EXPECT_LT(callee, caller);
    EXPECT_EQ(script.rfind("GO\r\n"), script.size() - 4);

    // The save dialog proposes the last file; Cancel in the open dialog writes nothing.
    responder.answerSave(QString::fromStdString(dir.file("other.SQL")));
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniScript");
    EXPECT_EQ(responder.fileRequests.at(1).proposedName, QString::fromStdString(dir.file("procs.SQL")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.SQL")));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(MainWindowCommandsTest, DataTransferScriptWritesTheChosenTables)
{
    responder.answerSave(std::nullopt); // Cancel: no chooser
    trigger(*window, "mniDatatransferScript");
    EXPECT_EQ(responder.events, QStringList({"save:sdScript:Sales_Data.SQL"}));

    responder.answerSave(QString::fromStdString(dir.file("data.SQL")));
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frm_TableList"));
        auto* list = child<QTreeWidget>(&dialog, "lvTables");
        list->findItems(QStringLiteral("Orders"), Qt::MatchExactly).value(0)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniDatatransferScript");
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The script is created successfully: ") + QString::fromStdString(dir.file("data.SQL")));
    EXPECT_EQ(readFile(dir.file("data.SQL")),
              "set identity_insert Orders on\r\nGO\r\n"
              "INSERT INTO Orders(\r\n[OrderID],\r\n[CustomerName],\r\n[Amount],\r\n[OrderDate])\r\n"
              "VALUES(\r\n1,\r\n'Smith',\r\n12.5,\r\n'2024-01-31T00:00:00')\r\nGO\r\n"
              "\r\nset identity_insert Orders off\r\nGO\r\n");
}

TEST_F(MainWindowCommandsTest, DataTransferScriptTakesTheOptionsStep)
{
    window->dataMain().executeLines({"INSERT INTO Orders VALUES (2, 'Jones', NULL, NULL)"});
    responder.answerSave(QString::fromStdString(dir.file("data.SQL")));
    responder.answerDialog([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(&dialog, "lvTables");
        list->findItems(QStringLiteral("Orders"), Qt::MatchExactly).value(0)->setSelected(true);
        child<QPushButton>(&dialog, "OptionsBtn")->click();
        child<QSpinBox>(&dialog, "seRowsPerInsert")->setValue(5);
        child<QTreeWidget>(&dialog, "lvConditions")->topLevelItem(0)->setText(1, "OrderID > 1");
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniDatatransferScript");
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The script is created successfully: ")
                  + QString::fromStdString(dir.file("data.SQL")));
    EXPECT_EQ(readFile(dir.file("data.SQL")),
              "set identity_insert Orders on\r\nGO\r\n"
              "INSERT INTO Orders(\r\n[OrderID],\r\n[CustomerName],\r\n[Amount],\r\n[OrderDate])\r\n"
              "VALUES(\r\n2,\r\n'Jones',\r\nNULL,\r\nNULL)\r\nGO\r\n"
              "\r\nset identity_insert Orders off\r\nGO\r\n");
}

TEST_F(MainWindowCommandsTest, SchemaScriptWritesTheChosenTablesWithItsOptions)
{
    responder.answerSave(QString::fromStdString(dir.file("schema.SQL")));
    responder.answerDialog([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(&dialog, "lvTables");
        list->findItems(QStringLiteral("Orders"), Qt::MatchExactly).value(0)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmSchemaOptions"));
        child<QCheckBox>(&dialog, "cbWithData")->setChecked(true);
        child<QCheckBox>(&dialog, "cbGuarded")->setChecked(true);
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniSchemaScript");
    EXPECT_EQ(responder.events.value(0), QStringLiteral("save:sdScript:Sales_Schema.SQL"));
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The script is created successfully: ")
                  + QString::fromStdString(dir.file("schema.SQL")));
    const std::string script = readFile(dir.file("schema.SQL"));
    const auto create = script.find("IF OBJECT_ID(N'[dbo].[Orders]', N'U') IS NULL\r\n"
                                    "CREATE TABLE [dbo].[Orders] (\r\n");
    const auto rows = script.find("INSERT INTO Orders(");
    ASSERT_NE(create, std::string::npos) << script;
    ASSERT_NE(rows, std::string::npos) << script;
    EXPECT_LT(create, rows);

    // Cancel in the options step writes nothing.
    responder.answerSave(QString::fromStdString(dir.file("other.SQL")));
    responder.answerDialog([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(&dialog, "lvTables");
        list->findItems(QStringLiteral("Orders"), Qt::MatchExactly).value(0)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniSchemaScript");
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.SQL")));
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(MainWindowCommandsTest, LoadScriptRunsTheFileInOneTransaction)
{
    auto customers = [&] {
        auto rows = window->dataMain().openTable("customers"_name);
        int count = 0;
        while (rows->next())
            ++count;
        return count;
    };
    const QString path = QString::fromStdString(dir.file("load.SQL"));
    writeFile(dir.file("load.SQL"), "INSERT INTO customers VALUES (1, N'Ann', 'A1')\r\nGO\r\n"
                                    "insert into nope values (1)\r\n");
    responder.answerOpen(std::nullopt);     // Cancel
    trigger(*window, "mniLoadScript");
    EXPECT_EQ(responder.events, QStringList({"open:odScript"}));

    responder.answerOpen(path);
    trigger(*window, "mniLoadScript");
    EXPECT_EQ(responder.messages.back().kind, ui::MessageKind::General);
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("Batch 2 (line 3): no such table: nope."));
    EXPECT_EQ(customers(), 0);
    EXPECT_EQ(child<QProgressBar>(window.get(), "pbMain")->value(), 0);

    writeFile(dir.file("load.SQL"), "INSERT INTO customers VALUES (1, N'Ann', 'A1')\r\nGO\r\n"
                                    "BACKUP DATABASE Sales TO DISK = 'x'\r\n");
    responder.answerOpen(path);
    responder.answerConfirmation(false);
    trigger(*window, "mniLoadScript");
    EXPECT_EQ(responder.messages.back().kind, ui::MessageKind::Confirmation);
    EXPECT_TRUE(responder.messages.back().text.startsWith(
        "Batch 2 (line 3): BACKUP cannot run inside a transaction.\n\nLoad the script batch by "
        "batch, without a transaction?"))
        << responder.messages.back().text.toStdString();
    EXPECT_EQ(customers(), 0);
    // Yes: batch by batch, up to the batch the engine refuses.
    responder.answerOpen(path);
    responder.answerConfirmation(true);
    trigger(*window, "mniLoadScript");
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("Batch 2 (line 3): near \"BACKUP\": syntax error."));
    EXPECT_EQ(customers(), 1);

    writeFile(dir.file("load.SQL"), "INSERT INTO customers VALUES (2, N'Bo', 'B2')\r\nGO\r\n");
    responder.answerOpen(path);
    trigger(*window, "mniLoadScript");
    EXPECT_EQ(responder.messages.back().text, QStringLiteral("The script is loaded successfully"));
    EXPECT_EQ(customers(), 2);
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(MainWindowCommandsTest, CancellingALoadLeavesTheDatabaseAsItWas)
{
    auto customers = [&] {
        auto rows = window->dataMain().openTable("customers"_name);
        int count = 0;
        while (rows->next())
            ++count;
        return count;
    };
    std::string script;
    for (int i = 0; i < 40; ++i)
        script += "INSERT INTO customers VALUES (" + std::to_string(i) + ", N'Ann', 'A1')\r\nGO\r\n";
    writeFile(dir.file("load.SQL"), script);
    window->show();
    QApplication::setActiveWindow(window.get());
    auto* cancel = child<QAbstractButton>(window.get(), "btnCancelOperation");
    auto* bar = child<QProgressBar>(window.get(), "pbMain");
    // A clock that goes a second a batch.
    std::int64_t now = 0;
    window->setClock([&now] { return now; });
    auto* toolbar = child<QToolBar>(window.get(), "tbMain");
    auto shownInToolbar = [toolbar](QWidget* widget) {
        for (QAction* action : toolbar->actions())
            if (toolbar->widgetForAction(action) == widget)
                return action->isVisible();
        return false;
    };

    // The load is held open after its third batch, where the user stops it:
    // with a click on the toolbar's Cancel, delivered to the window as the
    // platform delivers it, or with Esc.
    const bool byButton[] = {true, false};
    for (const bool button : byButton) {
        now = 0;
        int rowsWhenStopped = -1;
        QString shownWhenStopped;
        bool cancelShown = false;
        window->setOperationProbe([&](std::size_t done) {
            now += 1000;
            if (done != 3)
                return;
            rowsWhenStopped = customers();
            shownWhenStopped = bar->text();
            cancelShown = cancel->isVisible();
            if (button)
                QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                                  cancel->mapTo(window.get(), cancel->rect().center()));
            else
                QTest::keyClick(window.get(), Qt::Key_Escape);
        });
        responder.answerOpen(QString::fromStdString(dir.file("load.SQL")));
        trigger(*window, "mniLoadScript");
        EXPECT_TRUE(cancelShown) << button;
        EXPECT_EQ(rowsWhenStopped, 3) << button;
        // Batches done of how many, and the time left at a second a batch.
        EXPECT_EQ(shownWhenStopped, QStringLiteral("Batch 3 of 40 \u2013 0:25 left")) << button;
        ASSERT_FALSE(responder.messages.empty());
        EXPECT_EQ(responder.messages.back().text,
                  QStringLiteral("The load was cancelled; the database was not changed."));
        EXPECT_EQ(customers(), 0) << button;
        EXPECT_EQ(bar->value(), 0);
        EXPECT_FALSE(shownInToolbar(cancel));
        EXPECT_FALSE(shownInToolbar(bar));
    }
    // Not held, it runs to the end.
    window->setOperationProbe({});
    responder.answerOpen(QString::fromStdString(dir.file("load.SQL")));
    trigger(*window, "mniLoadScript");
    EXPECT_EQ(responder.messages.back().text, QStringLiteral("The script is loaded successfully"));
    EXPECT_EQ(customers(), 40);
    // The next load proposes the script loaded last.
    responder.answerOpen(std::nullopt);
    trigger(*window, "mniLoadScript");
    EXPECT_EQ(responder.fileRequests.back().proposedName, QString::fromStdString(dir.file("load.SQL")));
    EXPECT_TRUE(responder.everythingAnswered());
}
