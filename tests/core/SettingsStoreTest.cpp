#include "data/DataLinkFile.h"
#include "sqltext/Error.h"
#include "data/SettingsStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using varnett::Error;
using varnett::data::SettingsStore;
using varnett::testing::TempDir;
using varnett::testing::writeFile;

TEST(SettingsStoreTest, StoresAndReadsTheConnectionString)
{
    TempDir dir;
    const QString file = QString::fromStdString(dir.file("varnett.ini"));
    EXPECT_EQ(SettingsStore(file).connectionString(), "");

    const std::string text = "Provider=SQLOLEDB.1;Data Source=host,1433;Initial Catalog=Sales";
    SettingsStore(file).setConnectionString(text);
    EXPECT_EQ(SettingsStore(file).connectionString(), text);
}

TEST(SettingsStoreTest, AValueOfAnotherTypeIsAnError)
{
    TempDir dir;
    writeFile(dir.file("varnett.ini"), "[General]\nConnectionString=a, b\n");
    try {
        SettingsStore(QString::fromStdString(dir.file("varnett.ini"))).connectionString();
        FAIL() << "a list value was read as a connection string";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'ConnectionString'");
    }
}

TEST(SettingsStoreTest, AnUnwritableStoreReportsTheFailure)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "store.ini"); // a folder where the file should be
    SettingsStore store(QString::fromStdString(dir.file("store.ini")));
    try {
        store.setConnectionString("Provider=SQLite;Data Source=x.db");
        FAIL() << "writing into a folder succeeded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'ConnectionString'");
    }
}

TEST(DataLinkFileTest, ReadsUtf16AndUtf8Files)
{
    TempDir dir;
    const QString utf16 = QString::fromStdString(dir.file("a.udl"));
    const QByteArray bytes = varnett::data::dataLinkFileBytes(
        QStringLiteral("Provider=SQLite;Data Source=/data/Müller.db"));
    writeFile(dir.file("a.udl"), bytes.toStdString());
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE[\0o\0l\0e\0d\0b\0]\0"));
    EXPECT_EQ(varnett::data::readDataLinkFile(utf16),
              QStringLiteral("Provider=SQLite;Data Source=/data/Müller.db"));

    writeFile(dir.file("b.UDL"), "\xEF\xBB\xBF[oledb]\n; comment\n\nProvider=SQLite;Data Source=b.db\n");
    EXPECT_EQ(varnett::data::readDataLinkFile(QString::fromStdString(dir.file("b.UDL"))),
              QStringLiteral("Provider=SQLite;Data Source=b.db"));

    writeFile(dir.file("notes.txt"), "x");
    EXPECT_EQ(varnett::data::listDataLinkFiles(QString::fromStdString(dir.path().string())),
              QStringList({QStringLiteral("a.udl"), QStringLiteral("b.UDL")}));
}

TEST(DataLinkFileTest, MissingOrEmptyFilesAreErrors)
{
    TempDir dir;
    EXPECT_THROW(varnett::data::readDataLinkFile(QString::fromStdString(dir.file("none.udl"))),
                 Error);
    writeFile(dir.file("empty.udl"), "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n");
    try {
        varnett::data::readDataLinkFile(QString::fromStdString(dir.file("empty.udl")));
        FAIL() << "a file without a connection string was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("holds no connection string"), std::string::npos);
    }
}
