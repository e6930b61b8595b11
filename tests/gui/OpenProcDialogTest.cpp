#include "Fixture.h"
#include "ProcedureDatabase.h"

#include "sqltext/Error.h"
#include "data/dmMain.h"
#include "dialogs/dlgOpenProc.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

QStringList filtered(QDialog& dialog, const QString& filter)
{
    child<QLineEdit>(&dialog, "edtFilter")->setText(filter);
    child<QAction>(&dialog, "edtFilterButton")->trigger();
    return captions(child<QTreeWidget>(&dialog, "lvProc"));
}

const QStringList kAll = {"a]b", "GetCustomers", "SP_DELETE_Orders", "sp_helper",
                          "SP_INSERT_Orders", "SP_UPDATE_Orders"};

} // namespace

TEST(OpenProcDialogTest, LooksAsDesignedAndListsTheCatalog)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmProcOpen"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Stored procedure open"));
        EXPECT_EQ(child<QLabel>(&dialog, "Label1")->text(),
                  QStringLiteral("Current database: Sales"));
        auto* list = child<QTreeWidget>(&dialog, "lvProc");
        EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Procedure name"));
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_EQ(captions(list), kAll);
        EXPECT_FALSE(list->topLevelItem(0)->icon(0).isNull());
        auto* button = child<QAction>(&dialog, "edtFilterButton");
        EXPECT_EQ(button->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Down));
        EXPECT_EQ(button->shortcutContext(), Qt::WidgetShortcut);
        dialog.reject();
        return dialog.result();
    });
    EXPECT_EQ(askOpenProcedure(db.dataMain()), QString());
    EXPECT_EQ(responder.events, QStringList({"dialog:frmProcOpen"}));
}

TEST(OpenProcDialogTest, TheFilterComparesUnderscoresAsBlanks)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(filtered(dialog, "sp insert"), QStringList({"SP_INSERT_Orders"}));
        EXPECT_EQ(filtered(dialog, "SP_INSERT"), QStringList());
        EXPECT_EQ(filtered(dialog, "  ORDERS\t"),
                  QStringList({"SP_DELETE_Orders", "SP_INSERT_Orders", "SP_UPDATE_Orders"}));
        EXPECT_EQ(filtered(dialog, ";"), kAll);
        EXPECT_EQ(filtered(dialog, "   "), QStringList());
        EXPECT_EQ(filtered(dialog, "]"), QStringList({"a]b"}));
        EXPECT_EQ(filtered(dialog, ""), kAll);
        dialog.reject();
        return dialog.result();
    });
    askOpenProcedure(db.dataMain());
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST(OpenProcDialogTest, OkGivesTheNameAsTypedCancelGivesNothing)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) {
        child<QLineEdit>(&dialog, "edtName")->setText(QStringLiteral(" NotListed "));
        dialog.accept();
        return dialog.result();
    });
    EXPECT_EQ(askOpenProcedure(db.dataMain()), QStringLiteral(" NotListed "));

    responder.answerDialog([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(&dialog, "lvProc");
        list->setCurrentItem(list->topLevelItem(1));
        emit list->itemClicked(list->topLevelItem(1), 0);
        EXPECT_EQ(child<QLineEdit>(&dialog, "edtName")->text(), QStringLiteral("GetCustomers"));
        dialog.reject();
        return dialog.result();
    });
    EXPECT_EQ(askOpenProcedure(db.dataMain()), QString());
}

TEST(OpenProcDialogTest, EnterInTheFilterFiltersAndKeepsTheDialogOpen)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) {
        dialog.show();
        auto* filter = child<QLineEdit>(&dialog, "edtFilter");
        auto* list = child<QTreeWidget>(&dialog, "lvProc");
        child<QLineEdit>(&dialog, "edtName")->setText(QStringLiteral("typed"));
        filter->setText(QStringLiteral("zzz"));
        filter->setFocus();
        QTest::keyClick(filter, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(captions(list).size(), 0);
        filter->setText(QStringLiteral("helper"));
        QTest::keyClick(filter, Qt::Key_Enter);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(captions(list).size(), 1);
        // Enter elsewhere still means OK.
        QTest::keyClick(child<QLineEdit>(&dialog, "edtName"), Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
        return dialog.result();
    });
    EXPECT_EQ(askOpenProcedure(db.dataMain()), QStringLiteral("typed"));
}

TEST(OpenProcDialogTest, DoubleClickClosesOnlyWithASelectedEntry)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) {
        dialog.show();
        auto* list = child<QTreeWidget>(&dialog, "lvProc");
        QSignalSpy finished(&dialog, &QDialog::finished);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(finished.count(), 0);

        QTreeWidgetItem* item = list->topLevelItem(3);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(child<QLineEdit>(&dialog, "edtName")->text(), QStringLiteral("sp_helper"));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.value(0).value(0).toInt(), QDialog::Accepted);
        return dialog.result();
    });
    EXPECT_EQ(askOpenProcedure(db.dataMain()), QStringLiteral("sp_helper"));
}

TEST(OpenProcDialogTest, SeveralNamesComeInListOrder)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(&dialog, "lvProc");
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        for (int row : {5, 0, 2})
            list->topLevelItem(row)->setSelected(true);
        child<QLineEdit>(&dialog, "edtName")->setText(QStringLiteral("ignored"));
        dialog.accept();
        return dialog.result();
    });
    EXPECT_EQ(askOpenProcedures(db.dataMain()),
              std::vector<QString>({"a]b", "SP_DELETE_Orders", "SP_UPDATE_Orders"}));

    responder.answerDialog([](QDialog& dialog) {
        child<QTreeWidget>(&dialog, "lvProc")->topLevelItem(1)->setSelected(true);
        dialog.reject();
        return dialog.result();
    });
    EXPECT_TRUE(askOpenProcedures(db.dataMain()).empty());
}

TEST(OpenProcDialogTest, ACatalogErrorKeepsTheDialogAway)
{
    ProcedureDatabase db;
    db.breakConnection();
    ScriptedResponder responder;
    EXPECT_THROW(askOpenProcedure(db.dataMain()), Error);
    EXPECT_THROW(askOpenProcedures(db.dataMain()), Error);
    EXPECT_TRUE(responder.events.isEmpty());
}

TEST(OpenProcDialogTest, AFilterThatCannotReadTheCatalogKeepsTheList)
{
    ProcedureDatabase db;
    ScriptedResponder responder;
    responder.answerDialog([&db](QDialog& dialog) {
        db.breakConnection();
        EXPECT_EQ(filtered(dialog, "orders"), kAll);
        dialog.reject();
        return dialog.result();
    });
    askOpenProcedure(db.dataMain());
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].kind, ui::MessageKind::General);
}
