#include "Fixture.h"

#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "support/FakeSecretStore.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

// Answers the connection dialog with a connection string typed into its box.
ScriptedResponder::DialogAnswer typeConnectionString(const std::string& text)
{
    return [text](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("ConnEditForm"));
        child<QRadioButton>(&dialog, "UseConnectionString")->click();
        child<QLineEdit>(&dialog, "ConnectionString")->setText(QString::fromStdString(text));
        dialog.accept();
        return dialog.result();
    };
}

} // namespace

TEST(StartupTest, AWorkingStoredConnectionShowsTheDatabaseAndFillsTheTableList)
{
    TempDir dir;
    auto settings = makeSettings(dir, embeddedConnectionString(makeSalesDatabase(dir)));
    ScriptedResponder responder;
    TfrmMain window(*settings);

    EXPECT_TRUE(responder.events.isEmpty()) << responder.events.join('\n').toStdString();
    EXPECT_EQ(window.objectName(), QStringLiteral("frmMain"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Sales - Varnett"));
    EXPECT_EQ(window.statusText(), QStringLiteral("Sales"));
    // Filled as the connection opens, as after Change connection.
    EXPECT_EQ(child<QTreeWidget>(&window, "lvTables")->topLevelItemCount(), 3);
    EXPECT_EQ(window.currentPage(), TfrmMain::InsertPage);
    EXPECT_TRUE(window.dataMain().db().isOpen());
}

TEST(StartupTest, AFailingStoredConnectionShowsTheErrorThenTheConnectionDialog)
{
    TempDir dir;
    const std::string missing = embeddedConnectionString(dir.file("missing.db"));
    auto settings = makeSettings(dir, missing);
    ScriptedResponder responder;
    responder.answerDialog(rejectDialog());
    TfrmMain window(*settings);

    ASSERT_EQ(responder.events.size(), 2) << responder.events.join('\n').toStdString();
    EXPECT_TRUE(responder.events[0].startsWith(QStringLiteral("message:Error:")));
    EXPECT_TRUE(responder.events[0].endsWith(QLatin1Char('.')));
    EXPECT_EQ(responder.messages[0].kind, ui::MessageKind::General);
    EXPECT_EQ(responder.events[1], QStringLiteral("dialog:ConnEditForm"));
    EXPECT_FALSE(window.isVisible());

    // Cancelled: the window comes up empty, with the failing string kept.
    EXPECT_EQ(window.statusText(), QString());
    EXPECT_EQ(child<QTreeWidget>(&window, "lvTables")->topLevelItemCount(), 0);
    EXPECT_FALSE(window.dataMain().db().isOpen());
    EXPECT_EQ(settings->connectionString(), missing);
}

TEST(StartupTest, AnOlderFilesPlainPasswordMovesToTheKeychainOrAsks)
{
    for (const bool keychain : {true, false}) {
        SCOPED_TRACE(keychain);
        TempDir dir;
        const std::string stored = embeddedConnectionString(makeSalesDatabase(dir))
            + ";User ID=sa;Password=S3cr3t;Persist Security Info=True";
        auto entries = std::make_shared<std::map<std::string, std::string>>();
        data::SettingsStore settings(QString::fromStdString(dir.file("settings.ini")),
                                     std::make_unique<FakeSecretStore>(entries, keychain));
        settings.setConnectionString(stored);
        ScriptedResponder responder;
        if (!keychain)
            responder.answerConfirmation(false); // store it nowhere
        TfrmMain window(settings);

        ASSERT_EQ(responder.messages.size(), 1u) << responder.events.join('\n').toStdString();
        const ui::Message& message = responder.messages[0];
        if (keychain) {
            EXPECT_EQ(message.kind, ui::MessageKind::Information);
            EXPECT_TRUE(message.text.startsWith(QStringLiteral("The saved password was moved from ")))
                << message.text.toStdString();
            EXPECT_EQ(entries->size(), 1u);
        } else {
            EXPECT_EQ(message.kind, ui::MessageKind::Confirmation);
            EXPECT_TRUE(message.text.contains(QStringLiteral("No system keychain can be reached")));
            EXPECT_TRUE(message.noByDefault);
        }
        EXPECT_TRUE(window.dataMain().db().isOpen());
        EXPECT_EQ(settings.connectionString().find("S3cr3t"), std::string::npos);
        trigger(window, "mniShowConnection");
        EXPECT_FALSE(responder.messages.back().text.contains(QStringLiteral("S3cr3t")));
    }
}

TEST(StartupTest, FirstStartWithNothingStoredLeadsToAWorkingConnection)
{
    TempDir dir;
    const std::string working = embeddedConnectionString(makeSalesDatabase(dir));
    auto settings = makeSettings(dir, "");
    ScriptedResponder responder;
    responder.answerDialog(typeConnectionString(working));
    TfrmMain window(*settings);

    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].title, QStringLiteral("Error"));
    EXPECT_EQ(responder.messages[0].text, QStringLiteral("The connection string is empty."));
    EXPECT_EQ(window.statusText(), QStringLiteral("Sales"));
    auto* tables = child<QTreeWidget>(&window, "lvTables");
    ASSERT_EQ(tables->topLevelItemCount(), 3);
    EXPECT_EQ(tables->topLevelItem(0)->text(0), QStringLiteral("customers"));
    EXPECT_EQ(tables->topLevelItem(1)->text(0), QStringLiteral("Orders"));
    EXPECT_EQ(tables->topLevelItem(2)->text(0), QStringLiteral("BigOrders"));
    EXPECT_EQ(settings->connectionString(), working);
}

TEST(StartupTest, MenusToolbarAndLayoutCarryTheirNames)
{
    TempDir dir;
    auto settings = makeSettings(dir, embeddedConnectionString(makeSalesDatabase(dir)));
    ScriptedResponder responder;
    TfrmMain window(*settings);

    auto* file = child<QMenu>(&window, "mnuFile");
    const QList<QAction*> entries = file->actions();
    ASSERT_EQ(entries.size(), 13);
    QStringList captions;
    for (QAction* entry : entries)
        captions << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
    EXPECT_EQ(captions, QStringList({"&New", "&Open", "&Close", "-", "&Save", "Save &As...",
                                     "Save A&ll", "-", "&Print", "-", "E&xit", "-", "-"}));
    EXPECT_EQ(child<QAction>(&window, "mniNew")->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(child<QAction>(&window, "mniExit")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(child<QAction>(&window, "mniPrint")->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(child<QAction>(&window, "mniSelectAll")->shortcut(), QKeySequence("Ctrl+A"));

    // A command not built yet is shown disabled; Help answers without a
    // browser.
    EXPECT_FALSE(child<QAction>(&window, "mniTemplate")->isEnabled());
    trigger(window, "mniHelp");
    ASSERT_FALSE(responder.messages.empty());
    EXPECT_EQ(responder.messages.back().kind, ui::MessageKind::Information);
    EXPECT_TRUE(responder.messages.back().text.contains(QStringLiteral("Build (F5)")));

    auto* remove = child<QAction>(&window, "Delete1");
    EXPECT_EQ(remove->text(), QStringLiteral("&Remove"));
    EXPECT_EQ(remove->shortcut(), QKeySequence(Qt::Key_Delete));

    auto* pages = child<QTabWidget>(&window, "pcMain");
    ASSERT_EQ(pages->count(), 5);
    EXPECT_EQ(pages->tabText(3), QStringLiteral("Edit existing procedure"));
    EXPECT_EQ(pages->tabText(4), QStringLiteral("Select"));
    for (const char* name : {"redtInsert", "redtUpdate", "redtDelete", "redtEdit", "redtSelect",
                             "tsSelect", "mniGeneratorOptions", "mniSelectW", "pbMain",
                             "tbMain", "sbMain", "gbTables", "gbFields", "lvFields", "lvWhere",
                             "Splitter1", "Splitter2", "Splitter3", "pnlWhere", "ToolButton1"})
        EXPECT_NE(window.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST(StartupTest, AboutBoxCompletesItsLabels)
{
    TempDir dir;
    auto settings = makeSettings(dir, embeddedConnectionString(makeSalesDatabase(dir)));
    ScriptedResponder responder;
    TfrmMain window(*settings);
    QStringList labels;
    responder.answerDialog([&labels](QDialog& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
        for (const char* name : {"ProductName", "Version", "Comments"})
            labels << child<QLabel>(&box, name)->text();
        box.accept();
        return box.result();
    });
    trigger(window, "mniAbout");
    EXPECT_EQ(labels, QStringList({"Product Name: Varnett", "Version: 1.0.0.1",
                                   "Comments: Easy way to build stored procedures"}));
}
