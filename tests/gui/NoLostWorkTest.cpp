#include "Fixture.h"

#include "app/PageDocuments.h"
#include "app/dlgMain.h"
#include "ui/SqlEditor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <filesystem>

using namespace varnett;
using namespace varnett::testing;

namespace {

class NoLostWorkTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        tabs = child<QTabWidget>(window.get(), "pcMain");
    }

    QString path(const char* name) const { return QString::fromStdString(dir.file(name)); }

    void buildInsert()
    {
        pickTableAndFields(*window, "Orders", {"CustomerName"});
        responder.answerDialog(acceptProposedName());
        trigger(*window, "mniBuild");
    }

    QTabWidget* tabs = nullptr;
};

} // namespace

TEST_F(NoLostWorkTest, TabsAndTitleShowTheDocumentAndTheModifiedMarker)
{
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Insert"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Sales - Varnett"));
    buildInsert();
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Insert: SP_INSERT_Orders *"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("SP_INSERT_Orders* - Sales - Varnett"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Update"));

    responder.answerSave(path("ins.PRC"));
    trigger(*window, "mniSave");
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Insert: ins.PRC"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ins.PRC - Sales - Varnett"));

    // Typing marks the page again; undoing back to the saved text clears it.
    window->editor(0)->insertAt(QStringLiteral("-- x\n"), 0, 0);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Insert: ins.PRC *"));
    trigger(*window, "mniUndo");
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Insert: ins.PRC"));
}

TEST_F(NoLostWorkTest, ClosingWithModifiedPagesAsksSaveDiscardOrCancel)
{
    EXPECT_TRUE(window->close()) << "nothing changed: no question";
    EXPECT_TRUE(responder.events.isEmpty());

    buildInsert();
    window->selectPage(TfrmMain::DeletePage);
    window->editor(2)->setPlainText(QStringLiteral("typed"));
    window->editor(TfrmMain::SelectPage)->setPlainText(QStringLiteral("picked"));

    responder.answerSaveChanges(ui::SaveChoice::Cancel);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(responder.events.size(), 2) << responder.events.join('\n').toStdString();
    EXPECT_TRUE(responder.events[1].contains(QStringLiteral("Insert: SP_INSERT_Orders *")));
    EXPECT_TRUE(responder.events[1].contains(QStringLiteral("Delete *")));
    EXPECT_TRUE(responder.events[1].contains(QStringLiteral("Select *")));
    EXPECT_FALSE(responder.events[1].contains(QStringLiteral("Update")));

    responder.answerSaveChanges(ui::SaveChoice::Discard);
    EXPECT_TRUE(window->confirmClose());

    // Save: each page asks for its file; cancelling one keeps the window.
    responder.answerSaveChanges(ui::SaveChoice::Save);
    responder.answerSave(path("ins.PRC"));
    responder.answerSave(std::nullopt);
    EXPECT_FALSE(window->confirmClose());
    EXPECT_EQ(readFile(dir.file("ins.PRC")).substr(0, 33), "CREATE PROCEDURE SP_INSERT_Orders");
    EXPECT_FALSE(window->pageModified(TfrmMain::InsertPage));
    EXPECT_TRUE(window->pageModified(TfrmMain::DeletePage));

    responder.answerSaveChanges(ui::SaveChoice::Save);
    responder.answerSave(path("del.PRC"));
    responder.answerSave(path("sel.PRC"));
    EXPECT_TRUE(window->confirmClose());
    EXPECT_EQ(readFile(dir.file("del.PRC")), "typed\r\n");
    EXPECT_EQ(readFile(dir.file("sel.PRC")), "picked\r\n");
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(NoLostWorkTest, SaveDialogsStartInTheLastFolderAndAskBeforeReplacing)
{
    writeFile(dir.file("keep.PRC"), "old\r\n");
    window->editor(0)->setPlainText(QStringLiteral("new"));

    // No: back to the dialog on the chosen name; then another file.
    responder.answerSave(path("keep.PRC"));
    responder.answerConfirmation(false);
    responder.answerSave(path("other.PRC"));
    trigger(*window, "mniSave");
    ASSERT_EQ(responder.fileRequests.size(), 2u);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(responder.fileRequests[0].directory, documents);
    EXPECT_NE(responder.fileRequests[0].directory, QDir::currentPath());
    EXPECT_EQ(responder.fileRequests[1].directory, QString::fromStdString(dir.path().string()));
    EXPECT_EQ(responder.fileRequests[1].proposedName, QStringLiteral("keep.PRC"));
    EXPECT_TRUE(responder.events[1].startsWith(QStringLiteral("message:Confirm:")));
    EXPECT_TRUE(responder.events[1].contains(QStringLiteral("keep.PRC already exists")));
    EXPECT_EQ(readFile(dir.file("keep.PRC")), "old\r\n");
    EXPECT_EQ(readFile(dir.file("other.PRC")), "new\r\n");

    // The next dialog starts where the last file went; Yes replaces.
    window->selectPage(TfrmMain::DeletePage);
    window->editor(2)->setPlainText(QStringLiteral("newer"));
    responder.answerSave(path("keep.PRC"));
    responder.answerConfirmation(true);
    trigger(*window, "mniSave");
    EXPECT_EQ(responder.fileRequests[2].directory, QString::fromStdString(dir.path().string()));
    EXPECT_EQ(readFile(dir.file("keep.PRC")), "newer\r\n");
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(NoLostWorkTest, ScriptDialogsProposeTheirOwnKindOfName)
{
    responder.answerSave(std::nullopt);
    trigger(*window, "mniScript");
    responder.answerSave(std::nullopt);
    trigger(*window, "mniDatatransferScript");
    EXPECT_EQ(responder.events, QStringList({"save:sdScript:Sales_Procedures.SQL",
                                             "save:sdScript:Sales_Data.SQL"}));

    responder.answerSave(path("data.SQL"));
    responder.answerDialog([](QDialog& dialog) {
        child<QTreeWidget>(&dialog, "lvTables")->topLevelItem(0)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniDatatransferScript");
    responder.answerSave(std::nullopt);
    trigger(*window, "mniScript");
    responder.answerSave(std::nullopt);
    trigger(*window, "mniDatatransferScript");
    EXPECT_EQ(responder.fileRequests.at(3).proposedName, QStringLiteral("Sales_Procedures.SQL"));
    EXPECT_EQ(responder.fileRequests.at(4).proposedName, path("data.SQL"));
}

TEST_F(NoLostWorkTest, CancellingADataScriptKeepsTheOldFile)
{
    writeFile(dir.file("data.SQL"), "old script\r\n");
    auto* cancel = child<QAbstractButton>(window.get(), "btnCancelOperation");
    auto* bar = child<QProgressBar>(window.get(), "pbMain");
    auto* toolbar = child<QToolBar>(window.get(), "tbMain");
    // Whether the toolbar shows a widget (its action's visibility).
    auto shown = [toolbar](QWidget* widget) {
        for (QAction* action : toolbar->actions())
            if (toolbar->widgetForAction(action) == widget)
                return action->isVisible();
        return false;
    };
    EXPECT_FALSE(shown(bar)) << "idle, the bar is hidden";
    responder.answerSave(path("data.SQL"));
    responder.answerConfirmation(true); // replace the old file
    responder.answerDialog([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(&dialog, "lvTables");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            list->topLevelItem(i)->setSelected(true);
        dialog.accept();
        return dialog.result();
    });
    // The script is held open after its first row, where the user clicks
    // the toolbar's Cancel, as the platform delivers a click.
    window->show();
    QApplication::setActiveWindow(window.get());
    bool barShown = false;
    QString barText;
    window->setOperationProbe([&](std::size_t done) {
        if (done != 1)
            return;
        barShown = shown(bar) && shown(cancel);
        barText = bar->text();
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          cancel->mapTo(window.get(), cancel->rect().center()));
    });
    trigger(*window, "mniDatatransferScript");
    EXPECT_TRUE(barShown);
    // The rows are counted first: the bar says how many of how many.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Row 1 of [1-9][0-9]* \\(table [1-9][0-9]* of [1-9][0-9]*\\)"))
                    .match(barText).hasMatch()) << barText.toStdString();
    EXPECT_EQ(readFile(dir.file("data.SQL")), "old script\r\n");
    ASSERT_FALSE(responder.messages.empty());
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The script was cancelled; %1 was not changed.").arg(path("data.SQL")));
    EXPECT_FALSE(shown(cancel));
    EXPECT_FALSE(shown(bar));
    EXPECT_EQ(bar->value(), 0);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3) << "Sales.db, settings.ini and data.SQL; no partial file";
}

TEST_F(NoLostWorkTest, AProcedureThatFailsToOpenLeavesTheEditPageAsItWas)
{
    window->editor(3)->setPlainText(QStringLiteral("kept"));
    PageDocuments::State& state = window->documents().state(3);
    state.documentName = QStringLiteral("/work/mine.PRC");
    state.procedureName = QStringLiteral("Mine");
    state.askForFileName = false;
    // As a click on a recent entry runs it.
    ui::guarded([&] { window->openRecentProcedure(QStringLiteral("NoSuchProcedure")); });
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].kind, ui::MessageKind::General);
    EXPECT_EQ(window->editor(3)->toPlainText(), QStringLiteral("kept"));
    EXPECT_EQ(state.documentName, QStringLiteral("/work/mine.PRC"));
    EXPECT_EQ(state.procedureName, QStringLiteral("Mine"));
    EXPECT_FALSE(state.askForFileName);
}
