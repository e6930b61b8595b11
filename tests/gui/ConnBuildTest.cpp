#include "Fixture.h"

#include "dialogs/dlgConnBuild.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

TEST(ConnBuildTest, StartsFromTheGivenStringAndKeepsKeysItDoesNotShow)
{
    TfrmConnBuild builder(QStringLiteral(
        "Provider=SQLNCLI11;Data Source=db1\\SQL;Initial Catalog=Sales;User ID=app;"
        "Password=pw;Application Name=Varnett"));
    EXPECT_EQ(child<QComboBox>(&builder, "cbEngine")->currentIndex(), TfrmConnBuild::SqlServer);
    EXPECT_EQ(child<QLineEdit>(&builder, "edtServer")->text(), QStringLiteral("db1\\SQL"));
    EXPECT_TRUE(child<QRadioButton>(&builder, "rbSqlLogin")->isChecked());

    child<QLineEdit>(&builder, "edtDatabase")->setText(QStringLiteral("Archive"));
    child<QCheckBox>(&builder, "chkSavePassword")->setChecked(true);
    EXPECT_EQ(builder.connectionString(),
              QStringLiteral("Provider=SQLNCLI11;Data Source=db1\\SQL;Initial Catalog=Archive;"
                             "Application Name=Varnett;User ID=app;Password=pw;"
                             "Persist Security Info=True"));

    child<QRadioButton>(&builder, "rbIntegrated")->setChecked(true);
    EXPECT_FALSE(child<QLineEdit>(&builder, "edtUser")->isEnabled());
    EXPECT_EQ(builder.connectionString(),
              QStringLiteral("Provider=SQLNCLI11;Data Source=db1\\SQL;Initial Catalog=Archive;"
                             "Application Name=Varnett;Integrated Security=SSPI;"
                             "Persist Security Info=False"));
}

TEST(ConnBuildTest, BuildsAndTestsAnEmbeddedFileString)
{
    TempDir dir;
    const std::string path = makeSalesDatabase(dir);
    TfrmConnBuild builder(QStringLiteral("not a = valid \"string"));
    child<QComboBox>(&builder, "cbEngine")->setCurrentIndex(TfrmConnBuild::EmbeddedFile);
    child<QLineEdit>(&builder, "edtFile")->setText(QString::fromStdString(path));
    EXPECT_EQ(builder.connectionString(), QString::fromStdString("Provider=SQLite;Data Source=" + path));

    ScriptedResponder responder;
    child<QPushButton>(&builder, "btnTest")->click();
    child<QLineEdit>(&builder, "edtFile")->setText(QString::fromStdString(dir.file("none.db")));
    child<QPushButton>(&builder, "btnTest")->click();
    ASSERT_EQ(responder.messages.size(), 2u);
    EXPECT_EQ(responder.messages[0].text, QStringLiteral("Test connection succeeded."));
    EXPECT_EQ(responder.messages[1].title, QStringLiteral("Error"));
    EXPECT_TRUE(responder.messages[1].text.startsWith(QStringLiteral("Test connection failed: ")));
}
