#include "Fixture.h"

#include "app/dlgMain.h"
#include "data/DataLinkFile.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "dialogs/dlgConnEdit.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

class ConnectionCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        working = embeddedConnectionString(makeSalesDatabase(dir));
        settings = makeSettings(dir, working);
        window = std::make_unique<TfrmMain>(*settings);
    }

    static ScriptedResponder::DialogAnswer typeString(const std::string& text)
    {
        return [text](QDialog& dialog) {
            child<QRadioButton>(&dialog, "UseConnectionString")->click();
            child<QLineEdit>(&dialog, "ConnectionString")->setText(QString::fromStdString(text));
            dialog.accept();
            return dialog.result();
        };
    }

    TempDir dir;
    std::string working;
    ScriptedResponder responder;
    std::unique_ptr<data::SettingsStore> settings;
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(ConnectionCommandsTest, ShowConnectionReportsTheStringWithoutOpening)
{
    window->dataMain().db().close();
    trigger(*window, "mniShowConnection");
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].title, QStringLiteral("Information"));
    EXPECT_EQ(responder.messages[0].text,
              QStringLiteral("Current connection: ") + QString::fromStdString(working));
    EXPECT_FALSE(window->dataMain().db().isOpen());
}

TEST_F(ConnectionCommandsTest, CancelClosesTheConnectionAndRewritesTheStore)
{
    settings->setConnectionString("something else");
    responder.answerDialog(rejectDialog());
    trigger(*window, "mniChangeConnection");
    EXPECT_FALSE(window->dataMain().db().isOpen());
    EXPECT_EQ(window->statusText(), QStringLiteral("Sales"));
    EXPECT_EQ(settings->connectionString(), working);

    // OK with an empty box behaves the same.
    responder.answerDialog(typeString(""));
    trigger(*window, "mniChangeConnection");
    EXPECT_FALSE(window->dataMain().db().isOpen());
    EXPECT_EQ(settings->connectionString(), working);
    EXPECT_TRUE(responder.messages.empty());

    // The next catalog read reopens with the old string.
    trigger(*window, "Loadtablelist1");
    EXPECT_EQ(child<QTreeWidget>(window.get(), "lvTables")->topLevelItemCount(), 3);
}

TEST_F(ConnectionCommandsTest, ANewWorkingStringIsOpenedListedAndStored)
{
    const std::string other = embeddedConnectionString(makeSalesDatabase(dir, "Archive.db"));
    auto* fields = child<QTreeWidget>(window.get(), "lvFields");
    new QTreeWidgetItem(fields, {QStringLiteral("stale")});
    responder.answerDialog(typeString(other));
    trigger(*window, "mniChangeConnection");
    EXPECT_TRUE(responder.messages.empty());
    EXPECT_EQ(window->statusText(), QStringLiteral("Archive"));
    EXPECT_EQ(child<QTreeWidget>(window.get(), "lvTables")->topLevelItemCount(), 3);
    EXPECT_EQ(fields->topLevelItemCount(), 0);
    EXPECT_EQ(settings->connectionString(), other);
}

TEST_F(ConnectionCommandsTest, AFailingStringIsReportedAndNotStored)
{
    const std::string failing = embeddedConnectionString(dir.file("nowhere.db"));
    responder.answerDialog(typeString(failing));
    trigger(*window, "mniChangeConnection");
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].title, QStringLiteral("Error"));
    EXPECT_NE(responder.messages[0].text.indexOf(QStringLiteral("nowhere.db")), -1);
    EXPECT_EQ(settings->connectionString(), working);
    EXPECT_EQ(window->statusText(), QStringLiteral("Sales"));

    trigger(*window, "mniShowConnection");
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("Current connection: ") + QString::fromStdString(failing));
}

TEST_F(ConnectionCommandsTest, AMalformedStringIsAClearError)
{
    responder.answerDialog(typeString("Provider=SQLite;Data Source=\"unterminated"));
    trigger(*window, "mniChangeConnection");
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].text,
              QStringLiteral("Invalid connection string: the value of 'Data Source' has no closing quote"));
}

TEST_F(ConnectionCommandsTest, ADataLinkFileSuppliesTheString)
{
    const std::string other = embeddedConnectionString(makeSalesDatabase(dir, "Linked.db"));
    const QString folder = data::dataLinksFolder();
    ASSERT_TRUE(QDir().mkpath(folder));
    writeFile((folder + QStringLiteral("/Linked.udl")).toStdString(),
              data::dataLinkFileBytes(QString::fromStdString(other)).toStdString());
    writeFile((folder + QStringLiteral("/Broken.udl")).toStdString(), "[oledb]\r\n");

    // A file without a string is reported and keeps the dialog open.
    bool stayedOpen = false;
    responder.answerDialog([&stayedOpen](QDialog& dialog) {
        child<QRadioButton>(&dialog, "UseDataLinkFile")->click();
        auto* files = child<QComboBox>(&dialog, "DataLinkFile");
        EXPECT_EQ(files->count(), 2);
        files->setCurrentIndex(files->findText(QStringLiteral("Broken.udl")));
        dialog.accept();
        stayedOpen = dialog.result() != QDialog::Accepted;
        files->setCurrentIndex(files->findText(QStringLiteral("Linked.udl")));
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniChangeConnection");
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].title, QStringLiteral("Error"));
    EXPECT_EQ(window->statusText(), QStringLiteral("Linked"));
    EXPECT_EQ(settings->connectionString(), other);

    // The next time the source of the stored string is chosen: that file.
    QString chosen;
    bool linkChosen = false;
    responder.answerDialog([&](QDialog& dialog) {
        linkChosen = child<QRadioButton>(&dialog, "UseDataLinkFile")->isChecked();
        chosen = child<QComboBox>(&dialog, "DataLinkFile")->currentText();
        dialog.reject();
        return dialog.result();
    });
    trigger(*window, "mniChangeConnection");
    EXPECT_TRUE(linkChosen);
    EXPECT_EQ(chosen, QStringLiteral("Linked.udl"));
}

TEST_F(ConnectionCommandsTest, BuildShowsThePasswordMaskedAndOkGivesItBack)
{
    // A typed string: its source, the connection string, is chosen.
    bool stringChosen = false;
    QString shownAfterBuild;
    responder.answerDialog([&](QDialog& dialog) {
        stringChosen = child<QRadioButton>(&dialog, "UseConnectionString")->isChecked();
        child<QPushButton>(&dialog, "Build")->click();
        shownAfterBuild = child<QLineEdit>(&dialog, "ConnectionString")->text();
        dialog.reject();
        return dialog.result();
    });
    // The builder: an embedded file and a password beside it.
    responder.answerDialog([&](QDialog& builder) {
        child<QComboBox>(&builder, "cbEngine")->setCurrentIndex(0);
        child<QLineEdit>(&builder, "edtServer")->setText(QStringLiteral("db1"));
        child<QRadioButton>(&builder, "rbSqlLogin")->setChecked(true);
        child<QLineEdit>(&builder, "edtUser")->setText(QStringLiteral("app"));
        child<QLineEdit>(&builder, "edtPassword")->setText(QStringLiteral("s3cret;x"));
        builder.accept();
        return builder.result();
    });
    trigger(*window, "mniChangeConnection");
    EXPECT_TRUE(stringChosen);
    EXPECT_FALSE(shownAfterBuild.contains(QStringLiteral("s3cret"))) << shownAfterBuild.toStdString();
    EXPECT_TRUE(shownAfterBuild.contains(QStringLiteral("Password=********")))
        << shownAfterBuild.toStdString();

    // OK with the mask unchanged: the composed password goes on.
    TConnEditForm dialog;
    dialog.showCurrent(QStringLiteral("Provider=SQLOLEDB.1;Data Source=db1;User ID=app;Password=pw"));
    responder.answerDialog([](QDialog& builder) {
        // The builder gets the real password, not the mask.
        EXPECT_EQ(child<QLineEdit>(&builder, "edtPassword")->text(), QStringLiteral("pw"));
        child<QLineEdit>(&builder, "edtPassword")->setText(QStringLiteral("new;pw"));
        builder.accept();
        return builder.result();
    });
    child<QPushButton>(&dialog, "Build")->click();
    EXPECT_FALSE(child<QLineEdit>(&dialog, "ConnectionString")->text().contains(QStringLiteral("new")));
    dialog.accept();
    EXPECT_TRUE(dialog.connectionString().contains(QStringLiteral("Password=\"new;pw\"")))
        << dialog.connectionString().toStdString();
    EXPECT_TRUE(responder.everythingAnswered());
}
