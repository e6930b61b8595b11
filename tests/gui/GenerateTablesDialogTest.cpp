// Procedure > Generate for tables: the chooser, the dialog of kinds, names,
// options and output, and what the run did.
#include "Fixture.h"

#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "data/sqlite/SqliteEngine.h"
#include "sqltext/ProcedureText.h"
#include "support/Names.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <filesystem>

using namespace varnett;
using namespace varnett::testing;

namespace {

class GenerateTablesTest : public MainWindowTest {
protected:
    // Chooses every table the chooser lists, after checking it lists no view.
    static ScriptedResponder::DialogAnswer chooseAllTables()
    {
        return [](QDialog& dialog) {
            EXPECT_EQ(dialog.objectName(), QStringLiteral("frm_TableList"));
            auto* list = child<QTreeWidget>(&dialog, "lvTables");
            EXPECT_EQ(captions(list), QStringList({"customers", "Orders"}));
            EXPECT_FALSE(child<QPushButton>(&dialog, "OptionsBtn")->isVisible());
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                list->topLevelItem(i)->setSelected(true);
            dialog.accept();
            return dialog.result();
        };
    }

    std::vector<std::string> procedures()
    {
        return varnett::testing::shown(window->dataMain().db().engine().listProcedures());
    }
};

} // namespace

TEST_F(GenerateTablesTest, WritesAFolderThenCreatesOnTheServerAndSaysWhatItLeftOut)
{
    sqltext::GeneratorOptions stored;
    stored.setNoCount = true;
    settings->setGeneratorOptions(stored);
    const QString folder = QString::fromStdString(dir.file("procs"));

    responder.answerDialog(chooseAllTables());
    responder.answerDialog([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmGenerateTables"));
        EXPECT_EQ(child<QLineEdit>(&dialog, "edUpdatePattern")->text(),
                  QStringLiteral("SP_UPDATE_{table}"));
        for (const char* box : {"cbInsert", "cbUpdate", "cbDelete", "cbSelect"})
            EXPECT_TRUE(child<QCheckBox>(&dialog, box)->isChecked()) << box;
        // The stored options are the defaults.
        EXPECT_TRUE(child<QCheckBox>(&dialog, "cbNoCount")->isChecked());
        EXPECT_FALSE(child<QCheckBox>(&dialog, "cbTryCatch")->isChecked());
        EXPECT_TRUE(child<QRadioButton>(&dialog, "rbScriptFile")->isChecked());
        EXPECT_FALSE(child<QLineEdit>(&dialog, "edFolder")->isEnabled());

        child<QCheckBox>(&dialog, "cbDelete")->setChecked(false);
        EXPECT_FALSE(child<QLineEdit>(&dialog, "edDeletePattern")->isEnabled());
        child<QLineEdit>(&dialog, "edInsertPattern")->setText(QStringLiteral("Add{table}"));
        child<QRadioButton>(&dialog, "rbFolder")->setChecked(true);
        EXPECT_TRUE(child<QLineEdit>(&dialog, "edFolder")->isEnabled());
        // No folder yet: OK says so and the dialog stays.
        child<QPushButton>(&dialog, "OKBtn")->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        child<QLineEdit>(&dialog, "edFolder")->setText(folder);
        child<QPushButton>(&dialog, "OKBtn")->click();
        return dialog.result();
    });
    trigger(*window, "mniGenerateForTables");
    ASSERT_EQ(responder.messages.size(), 2u);
    EXPECT_EQ(responder.messages[0].text, QStringLiteral("Enter the folder to write the procedures into."));
    EXPECT_EQ(responder.messages[1].text.toStdString(),
              "Written to the folder " + folder.toStdString() + ", one file each:\n"
              "customers: Addcustomers\n"
              "Orders: AddOrders, SP_UPDATE_Orders, SP_SELECT_Orders\n"
              "\n"
              "Left out:\n"
              "customers: no key; Update and Select left out");
    EXPECT_TRUE(std::filesystem::exists(dir.file("procs/dbo.SP_UPDATE_Orders.sql")));
    const std::string text = readFile(dir.file("procs/dbo.AddOrders.sql"));
    EXPECT_NE(text.find("CREATE PROCEDURE AddOrders\r\n"), std::string::npos);
    EXPECT_NE(text.find("SET NOCOUNT ON;"), std::string::npos);
    EXPECT_TRUE(procedures().empty());

    // On the server, with a bad pattern first.
    responder.answerDialog(chooseAllTables());
    responder.answerDialog([&](QDialog& dialog) {
        child<QCheckBox>(&dialog, "cbNoCount")->setChecked(false);
        child<QRadioButton>(&dialog, "rbServer")->setChecked(true);
        child<QLineEdit>(&dialog, "edSelectPattern")->setText(QStringLiteral("Get{Table}"));
        child<QPushButton>(&dialog, "OKBtn")->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        child<QLineEdit>(&dialog, "edSelectPattern")->setText(QStringLiteral("Reports.Get{table}"));
        child<QPushButton>(&dialog, "OKBtn")->click();
        return dialog.result();
    });
    window->dataMain().executeLines({"CREATE SCHEMA Reports"});
    trigger(*window, "mniGenerateForTables");
    ASSERT_EQ(responder.messages.size(), 4u);
    EXPECT_EQ(responder.messages[2].text,
              QStringLiteral("The name pattern 'Get{Table}' holds the unknown placeholder "
                             "'{Table}': use {schema}, {table} or {kind}."));
    EXPECT_TRUE(responder.messages[3].text.startsWith(
        QStringLiteral("Created on the server:\ncustomers: SP_INSERT_customers\nOrders: "
                       "SP_INSERT_Orders, SP_UPDATE_Orders, SP_DELETE_Orders, Reports.GetOrders\n")))
        << responder.messages[3].text.toStdString();
    EXPECT_EQ(procedures(),
              (std::vector<std::string>{"SP_DELETE_Orders;1", "SP_INSERT_customers;1",
                                        "SP_INSERT_Orders;1", "SP_UPDATE_Orders;1",
                                        "Reports.GetOrders;1"}));
    const std::string created = sqltext::joinRows(
        window->dataMain().db().engine().procedureText("SP_INSERT_Orders"_name));
    EXPECT_EQ(created.find("NOCOUNT"), std::string::npos);

    // Again: they exist, the guard says so, and nothing changes.
    responder.answerDialog(chooseAllTables());
    responder.answerDialog([&](QDialog& dialog) {
        child<QRadioButton>(&dialog, "rbServer")->setChecked(true);
        child<QPushButton>(&dialog, "OKBtn")->click();
        return dialog.result();
    });
    trigger(*window, "mniGenerateForTables");
    ASSERT_EQ(responder.messages.size(), 5u);
    EXPECT_EQ(responder.messages[4].kind, ui::MessageKind::General);
    EXPECT_TRUE(responder.messages[4].text.startsWith(
        QStringLiteral("These procedures exist already, and none was created: 'SP_INSERT_customers', 'SP_INSERT_Orders'")))
        << responder.messages[4].text.toStdString();
    EXPECT_EQ(procedures().size(), 5u);

    // Cancel in either step does nothing.
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniGenerateForTables");
    responder.answerDialog(chooseAllTables());
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniGenerateForTables");
    EXPECT_EQ(responder.messages.size(), 5u);
    EXPECT_TRUE(responder.everythingAnswered());
}
