#include "Fixture.h"
#include "ProcedureDatabase.h"

#include "sqltext/Error.h"
#include "dialogs/dlgTableList.h"
#include "support/Names.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

TEST(TableListDialogTest, ListsTablesThenViewsAndGivesTheChosenInListOrder)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frm_TableList"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Table List"));
        EXPECT_EQ(child<QLabel>(&dialog, "Label1")->text(), QStringLiteral("Current database: Sales"));
        auto* list = child<QTreeWidget>(&dialog, "lvTables");
        EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Table name"));
        QStringList names;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            names << list->topLevelItem(i)->text(0);
        EXPECT_EQ(names, QStringList({"customers", "Orders", "BigOrders"}));
        list->topLevelItem(2)->setSelected(true);
        list->topLevelItem(0)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    EXPECT_EQ(varnett::testing::shown(chooseTables(db.dataMain())), std::vector<std::string>({"customers", "BigOrders"}));

    responder.answerDialog(acceptDialog());
    EXPECT_TRUE(varnett::testing::shown(chooseTables(db.dataMain())).empty());

    responder.answerDialog([](QDialog& dialog) {
        child<QTreeWidget>(&dialog, "lvTables")->topLevelItem(1)->setSelected(true);
        dialog.reject();
        return dialog.result();
    });
    EXPECT_TRUE(varnett::testing::shown(chooseTables(db.dataMain())).empty());
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST(TableListDialogTest, ACatalogErrorKeepsTheChooserAway)
{
    ProcedureDatabase db;
    db.breakConnection();
    ScriptedResponder responder;
    EXPECT_THROW(varnett::testing::shown(chooseTables(db.dataMain())), Error);
    EXPECT_TRUE(responder.events.isEmpty());
}

TEST(TableListDialogTest, TheOptionsStepGivesTheScriptsSettings)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) -> int {
        auto* list = child<QTreeWidget>(&dialog, "lvTables");
        auto* conditions = child<QTreeWidget>(&dialog, "lvConditions");
        auto* options = child<QPushButton>(&dialog, "OptionsBtn");
        auto* back = child<QPushButton>(&dialog, "BackBtn");
        list->topLevelItem(2)->setSelected(true);
        list->topLevelItem(0)->setSelected(true);
        options->click();
        EXPECT_EQ(child<QStackedWidget>(&dialog, "pcSteps")->currentIndex(), 1);
        EXPECT_TRUE(options->isHidden());
        EXPECT_FALSE(back->isHidden());
        EXPECT_EQ(conditions->headerItem()->text(1), QStringLiteral("Condition"));
        EXPECT_EQ(conditions->topLevelItemCount(), 2);
        if (conditions->topLevelItemCount() != 2)
            return QDialog::Rejected;
        EXPECT_EQ(conditions->topLevelItem(0)->text(0), QStringLiteral("customers"));
        EXPECT_EQ(conditions->topLevelItem(1)->text(0), QStringLiteral("BigOrders"));
        EXPECT_TRUE(conditions->topLevelItem(1)->flags() & Qt::ItemIsEditable);
        conditions->topLevelItem(0)->setText(1, QStringLiteral("Name LIKE 'A%'"));
        conditions->topLevelItem(1)->setText(1, QStringLiteral("  "));
        child<QSpinBox>(&dialog, "seRowsPerInsert")->setValue(1001);    // held to 1000
        child<QSpinBox>(&dialog, "seBatch")->setValue(10);
        child<QCheckBox>(&dialog, "cbOrderByKeys")->setChecked(true);
        // Back, one more table: the condition typed stays with its table.
        back->click();
        EXPECT_EQ(child<QStackedWidget>(&dialog, "pcSteps")->currentIndex(), 0);
        list->topLevelItem(1)->setSelected(true);
        options->click();
        EXPECT_EQ(conditions->topLevelItemCount(), 3);
        if (conditions->topLevelItemCount() != 3)
            return QDialog::Rejected;
        EXPECT_EQ(conditions->topLevelItem(0)->text(1), QStringLiteral("Name LIKE 'A%'"));
        EXPECT_EQ(conditions->topLevelItem(1)->text(0), QStringLiteral("Orders"));
        EXPECT_EQ(conditions->topLevelItem(1)->text(1), QString());
        dialog.accept();
        return dialog.result();
    });
    DataScriptChoice choice = chooseDataScript(db.dataMain());
    EXPECT_EQ(varnett::testing::shown(choice.tables),
              std::vector<std::string>({"customers", "Orders", "BigOrders"}));
    EXPECT_EQ(choice.settings.format.rowsPerInsert, 1000);
    EXPECT_EQ(choice.settings.format.statementsPerBatch, 10);
    EXPECT_TRUE(choice.settings.orderByKeys);
    using Conditions = std::vector<std::pair<varnett::sqltext::ObjectName, std::string>>;
    EXPECT_EQ(choice.settings.conditions, (Conditions{{"customers"_name, "Name LIKE 'A%'"}}));

    // Without the options step, everything is off.
    responder.answerDialog([](QDialog& dialog) {
        child<QTreeWidget>(&dialog, "lvTables")->topLevelItem(1)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    choice = chooseDataScript(db.dataMain());
    EXPECT_EQ(varnett::testing::shown(choice.tables), std::vector<std::string>({"Orders"}));
    EXPECT_EQ(choice.settings.format.rowsPerInsert, 1);
    EXPECT_EQ(choice.settings.format.statementsPerBatch, 1);
    EXPECT_FALSE(choice.settings.orderByKeys);
    EXPECT_TRUE(choice.settings.conditions.empty());
    EXPECT_TRUE(responder.everythingAnswered());
}
