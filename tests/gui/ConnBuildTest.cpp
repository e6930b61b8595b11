#include "Fixture.h"

#include "dialogs/dlgConnBuild.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
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

    // Encryption: each box adds its key; the risk of trusting is spelt out.
    auto* trust = child<QCheckBox>(&builder, "chkTrustCertificate");
    EXPECT_FALSE(child<QLabel>(&builder, "lblTrustRisk")->isVisibleTo(&builder));
    child<QCheckBox>(&builder, "chkEncrypt")->setChecked(true);
    EXPECT_TRUE(builder.connectionString().endsWith(
        QStringLiteral("Persist Security Info=False;Use Encryption for Data=True")));
    trust->setChecked(true);
    EXPECT_TRUE(child<QLabel>(&builder, "lblTrustRisk")->isVisibleTo(&builder));
    EXPECT_TRUE(builder.connectionString().endsWith(
        QStringLiteral("Use Encryption for Data=True;Trust Server Certificate=True")));
    // A key the string had stays, switched off.
    TfrmConnBuild encrypted(QStringLiteral(
        "Provider=SQLOLEDB;Data Source=db1;Use Encryption for Data=yes;Trust Server Certificate=1"));
    EXPECT_TRUE(child<QCheckBox>(&encrypted, "chkEncrypt")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(&encrypted, "chkTrustCertificate")->isChecked());
    child<QCheckBox>(&encrypted, "chkTrustCertificate")->setChecked(false);
    EXPECT_TRUE(encrypted.connectionString().contains(
        QStringLiteral("Use Encryption for Data=True;Trust Server Certificate=False")));
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
