#include "Fixture.h"
#include "ProcedureDatabase.h"

#include "sqltext/Error.h"
#include "data/dmMain.h"
#include "dialogs/dlgDeleteProc.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

QStringList texts(QListWidget* list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

QStringList selected(QListWidget* list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            result << list->item(i)->text();
    return result;
}

// ">", ">>", "<", "<<" as enabled (1) or not (0).
QString buttonStates(QDialog& dialog)
{
    QString states;
    for (const char* name : {"IncludeBtn", "IncAllBtn", "ExcludeBtn", "ExAllBtn"})
        states += child<QPushButton>(&dialog, name)->isEnabled() ? '1' : '0';
    return states;
}

void select(QListWidget* list, std::initializer_list<int> rows)
{
    list->clearSelection();
    for (int row : rows)
        list->item(row)->setSelected(true);
}

void click(QDialog& dialog, const char* button)
{
    child<QPushButton>(&dialog, button)->click();
}

class DeleteProcDialogTest : public ::testing::Test {
protected:
    // Shows the dialog and runs the steps while it is open.
    void run(std::function<void(QDialog&, QListWidget*, QListWidget*)> steps)
    {
        responder.answerDialog([steps](QDialog& dialog) {
            dialog.show();
            steps(dialog, child<QListWidget>(&dialog, "SrcList"),
                  child<QListWidget>(&dialog, "DstList"));
            dialog.reject();
            return dialog.result();
        });
        showDeleteProcedures(db.dataMain());
        EXPECT_TRUE(responder.everythingAnswered());
    }

    ProcedureDatabase db;
    ScriptedResponder responder;
};

const QStringList kAll = {"a]b", "GetCustomers", "SP_DELETE_Orders", "sp_helper",
                          "SP_INSERT_Orders", "SP_UPDATE_Orders"};

} // namespace

TEST_F(DeleteProcDialogTest, OpensWithTheCatalogInTheSourceList)
{
    run([](QDialog& dialog, QListWidget* src, QListWidget* dst) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmDeleteProc"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Delete procedure"));
        EXPECT_EQ(child<QLabel>(&dialog, "SrcLabel")->text(), QStringLiteral("Source List:"));
        EXPECT_EQ(child<QLabel>(&dialog, "DstLabel")->text(),
                  QStringLiteral("Destination List:"));
        EXPECT_EQ(child<QPushButton>(&dialog, "OKBtn")->text(), QStringLiteral("Delete All"));
        EXPECT_TRUE(child<QPushButton>(&dialog, "CancelBtn")->isDefault());
        EXPECT_EQ(texts(src), kAll);
        EXPECT_TRUE(texts(dst).isEmpty());
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("1100"));
    });
    EXPECT_EQ(responder.events, QStringList({"dialog:frmDeleteProc"}));
}

TEST_F(DeleteProcDialogTest, MovesReverseTheOrderAndTheSourceStaysSorted)
{
    run([](QDialog& dialog, QListWidget* src, QListWidget* dst) {
        select(src, {1, 2, 3});
        click(dialog, "IncludeBtn");
        EXPECT_EQ(texts(dst), QStringList({"sp_helper", "SP_DELETE_Orders", "GetCustomers"}));
        EXPECT_EQ(texts(src), QStringList({"a]b", "SP_INSERT_Orders", "SP_UPDATE_Orders"}));
        EXPECT_EQ(selected(src), QStringList({"SP_INSERT_Orders"}));
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("1111"));

        select(dst, {0, 2});
        click(dialog, "ExcludeBtn");
        EXPECT_EQ(texts(src), QStringList({"a]b", "GetCustomers", "sp_helper",
                                           "SP_INSERT_Orders", "SP_UPDATE_Orders"}));
        EXPECT_EQ(texts(dst), QStringList({"SP_DELETE_Orders"}));
        // The remembered position lies past the end: the last entry is taken.
        EXPECT_EQ(selected(dst), QStringList({"SP_DELETE_Orders"}));
        EXPECT_EQ(dialog.focusWidget(), dst);

        click(dialog, "IncAllBtn");
        EXPECT_EQ(texts(dst), QStringList({"SP_DELETE_Orders", "a]b", "GetCustomers",
                                           "sp_helper", "SP_INSERT_Orders", "SP_UPDATE_Orders"}));
        EXPECT_TRUE(texts(src).isEmpty());
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("0011"));

        // A double click in the empty source list changes nothing.
        QTest::mouseDClick(src->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(texts(dst).size(), 6);
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("0011"));

        click(dialog, "ExAllBtn");
        EXPECT_EQ(texts(src), kAll);
        EXPECT_TRUE(texts(dst).isEmpty());
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("1100"));
    });
}

TEST_F(DeleteProcDialogTest, MovingNothingSelectsTheFirstEntry)
{
    run([](QDialog& dialog, QListWidget* src, QListWidget* dst) {
        src->clearSelection();
        click(dialog, "IncludeBtn");
        EXPECT_TRUE(texts(dst).isEmpty());
        EXPECT_EQ(selected(src), QStringList({"a]b"}));
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("1100"));

        select(src, {5});
        click(dialog, "IncludeBtn");
        EXPECT_EQ(selected(src), QStringList({"SP_INSERT_Orders"}));

        // A double click in the source list works as ">".
        select(src, {0});
        QTest::mouseDClick(src->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(texts(dst), QStringList({"SP_UPDATE_Orders", "a]b"}));
    });
}

TEST_F(DeleteProcDialogTest, DeleteAllDropsTheDestinationListAfterYes)
{
    run([this](QDialog& dialog, QListWidget* src, QListWidget* dst) {
        select(src, {0, 3});
        click(dialog, "IncludeBtn");

        responder.answerConfirmation(false);
        click(dialog, "OKBtn");
        EXPECT_EQ(texts(dst), QStringList({"sp_helper", "a]b"}));
        EXPECT_EQ(db.procedures(), kAll);

        responder.answerConfirmation(true);
        click(dialog, "OKBtn");
        EXPECT_TRUE(texts(dst).isEmpty());
        EXPECT_EQ(db.procedures(), QStringList({"GetCustomers", "SP_DELETE_Orders",
                                                "SP_INSERT_Orders", "SP_UPDATE_Orders"}));
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("1100"));
        EXPECT_TRUE(dialog.isVisible());
    });
    // The question names the procedures, and No is its default answer.
    EXPECT_EQ(responder.events,
              QStringList({"dialog:frmDeleteProc",
                           "message:Confirm:Are you sure you want to delete these procedures?\n"
                           "    sp_helper\n    a]b",
                           "message:Confirm:Are you sure you want to delete these procedures?\n"
                           "    sp_helper\n    a]b",
                           "message:Information:Procedures dropped: sp_helper, a]b"}));
    ASSERT_EQ(responder.messages.size(), 3u);
    EXPECT_TRUE(responder.messages[0].noByDefault);
}

TEST(DeleteProcQuestion, NamesUpToTenProceduresThenHowManyMore)
{
    QStringList names;
    for (int i = 1; i <= 13; ++i)
        names << QStringLiteral("P%1").arg(i);
    const struct {
        int count;
        const char* last;
        int lines;
    } rows[] = {{1, "    P1", 2}, {10, "    P10", 11}, {11, "    and 1 more", 12},
                {13, "    and 3 more", 12}};
    for (const auto& row : rows) {
        const QStringList lines = dropQuestion(names.mid(0, row.count)).split(QLatin1Char('\n'));
        EXPECT_EQ(lines.size(), row.lines) << row.count;
        EXPECT_EQ(lines.back(), QString::fromLatin1(row.last)) << row.count;
    }
}

TEST_F(DeleteProcDialogTest, AFailingBatchKeepsTheDestinationList)
{
    run([this](QDialog& dialog, QListWidget* src, QListWidget* dst) {
        select(src, {2, 4});
        click(dialog, "IncludeBtn");
        // Dropped behind the dialog's back.
        db.dataMain().executeLines({"DROP PROCEDURE [SP_INSERT_Orders]"});

        responder.answerConfirmation(true);
        click(dialog, "OKBtn");
        EXPECT_EQ(texts(dst), QStringList({"SP_INSERT_Orders", "SP_DELETE_Orders"}));
        EXPECT_EQ(buttonStates(dialog), QStringLiteral("1111"));
    });
    ASSERT_EQ(responder.messages.size(), 2u);
    EXPECT_EQ(responder.messages[1].kind, ui::MessageKind::Error);
    EXPECT_EQ(responder.messages[1].text,
              QStringLiteral("Can not delete procedure(s). Error message: Cannot drop the "
                             "procedure 'SP_INSERT_Orders', because it does not exist or you "
                             "do not have permission."));
    // Without a transaction the other drop of the batch stays done.
    EXPECT_FALSE(db.procedures().contains(QStringLiteral("SP_DELETE_Orders")));
}

TEST_F(DeleteProcDialogTest, DeleteAllWithAnEmptyListStillAsks)
{
    run([this](QDialog& dialog, QListWidget*, QListWidget*) {
        responder.answerConfirmation(true);
        click(dialog, "OKBtn");
    });
    ASSERT_EQ(responder.messages.size(), 2u);
    EXPECT_EQ(responder.messages[1].text,
              QStringLiteral("Can not delete procedure(s). Error message: "
                             "Command text was not set for the command object."));
    EXPECT_EQ(db.procedures(), kAll);
}

TEST_F(DeleteProcDialogTest, EnterInAListClosesWithoutDropping)
{
    responder.answerDialog([](QDialog& dialog) {
        dialog.show();
        auto* src = child<QListWidget>(&dialog, "SrcList");
        select(src, {0});
        child<QPushButton>(&dialog, "IncludeBtn")->click();
        auto* dst = child<QListWidget>(&dialog, "DstList");
        dst->setFocus();
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        QTest::keyClick(dst, Qt::Key_Return);
        EXPECT_EQ(rejected.count(), 1);
        return dialog.result();
    });
    showDeleteProcedures(db.dataMain());
    EXPECT_EQ(responder.events, QStringList({"dialog:frmDeleteProc"}));
    EXPECT_EQ(db.procedures(), kAll);
}

TEST_F(DeleteProcDialogTest, ACatalogErrorKeepsTheDialogAway)
{
    db.breakConnection();
    EXPECT_THROW(showDeleteProcedures(db.dataMain()), Error);
    EXPECT_TRUE(responder.events.isEmpty());
}
