#include "Fixture.h"
#include "ProcedureDatabase.h"

#include "sqltext/Error.h"
#include "dialogs/dlgTableList.h"

#include <QLabel>
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
        EXPECT_EQ(child<QLabel>(&dialog, "Label1")->text(), QStringLiteral("Current database:"));
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
    EXPECT_EQ(chooseTables(db.dataMain()), std::vector<std::string>({"customers", "BigOrders"}));

    responder.answerDialog(acceptDialog());
    EXPECT_TRUE(chooseTables(db.dataMain()).empty());

    responder.answerDialog([](QDialog& dialog) {
        child<QTreeWidget>(&dialog, "lvTables")->topLevelItem(1)->setSelected(true);
        dialog.reject();
        return dialog.result();
    });
    EXPECT_TRUE(chooseTables(db.dataMain()).empty());
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST(TableListDialogTest, ACatalogErrorKeepsTheChooserAway)
{
    ProcedureDatabase db;
    db.breakConnection();
    ScriptedResponder responder;
    EXPECT_THROW(chooseTables(db.dataMain()), Error);
    EXPECT_TRUE(responder.events.isEmpty());
}
