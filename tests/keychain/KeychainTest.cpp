// The system keychain for real: run-keychain-tests runs this program on a
// D-Bus session of its own, once with an unlocked gnome-keyring on it
// (VARNETT_KEYCHAIN=present) and once with no Secret Service (absent).
#include "data/ConnectionString.h"
#include "data/SecretStore.h"
#include "data/SettingsStore.h"
#include "data/StoredPassword.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace varnett::data;
using varnett::testing::TempDir;

namespace {

bool keychainPresent()
{
    const char* value = std::getenv("VARNETT_KEYCHAIN");
    return value && std::string(value) == "present";
}

std::string passwordIn(const std::string& text)
{
    return ConnectionString::parse(text).value("Password");
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kFirst = "Provider=SQLOLEDB;Data Source=db01;Initial Catalog=Sales;User ID=sa;"
                           "Password=Fir5t-S3cret;Persist Security Info=True";
const std::string kSecond = "Provider=SQLOLEDB;Data Source=db02;Initial Catalog=Sales;User ID=sa;"
                            "Password=\"S3cond;secret\";Persist Security Info=True";

} // namespace

TEST(SystemKeychain, EntriesAreWrittenReadAndRemoved)
{
    auto keychain = systemKeychain();
    const std::string entry = "Data Source=keychain-test;Initial Catalog=;User ID=u";
    if (!keychainPresent()) {
        EXPECT_THROW(keychain->read(entry), KeychainUnavailable);
        EXPECT_THROW(keychain->write(entry, "x"), KeychainUnavailable);
        return;
    }
    keychain->remove(entry);
    EXPECT_EQ(keychain->read(entry), std::nullopt);
    keychain->write(entry, "p\xC3\xA4ss w;rd");
    EXPECT_EQ(keychain->read(entry), "p\xC3\xA4ss w;rd");
    keychain->write(entry, "replaced");
    EXPECT_EQ(systemKeychain()->read(entry), "replaced");
    keychain->remove(entry);
    EXPECT_EQ(keychain->read(entry), std::nullopt);
    keychain->remove(entry); // gone already: no error
}

TEST(SystemKeychain, SavedPasswordsLeaveTheSettingsFile)
{
    TempDir dir;
    const QString file = QString::fromStdString(dir.file("Varnett.ini"));
    int asked = 0;
    const StoreInSettingsQuestion nowhere = [&asked](const std::string&) {
        ++asked;
        return false;
    };
    {
        SettingsStore settings(file, systemKeychain());
        storeConnectionText(settings, settings.secrets(), kFirst, nowhere);
        storeConnectionText(settings, settings.secrets(), kSecond, nowhere);
    }
    const std::string written = fileText(dir.file("Varnett.ini"));
    EXPECT_EQ(written.find("S3c"), std::string::npos) << written;
    EXPECT_EQ(written.find("Fir5t"), std::string::npos) << written;

    SettingsStore reread(file, systemKeychain());
    if (keychainPresent()) {
        EXPECT_EQ(asked, 0);
        EXPECT_EQ(passwordIn(storedConnectionText(reread, reread.secrets())), "S3cond;secret");
        // The first server's password was not overwritten by the second's.
        EXPECT_EQ(reread.secrets().read("Data Source=db01;Initial Catalog=Sales;User ID=sa"),
                  "Fir5t-S3cret");
        storeConnectionText(reread, reread.secrets(),
                            "Provider=SQLOLEDB;Data Source=db02;Initial Catalog=Sales;User ID=sa;"
                            "Persist Security Info=False",
                            nowhere);
        EXPECT_EQ(reread.secrets().read("Data Source=db02;Initial Catalog=Sales;User ID=sa"),
                  std::nullopt);
        reread.secrets().remove("Data Source=db01;Initial Catalog=Sales;User ID=sa");
    } else {
        // Asked once; the answer (nowhere) is kept.
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(reread.passwordFallback(), kPasswordNowhere);
        EXPECT_EQ(storedConnectionText(reread, reread.secrets()).find("Password"),
                  std::string::npos);
    }
}

TEST(SystemKeychain, AnOlderFilesPlainPasswordMovesIn)
{
    TempDir dir;
    const QString file = QString::fromStdString(dir.file("Varnett.ini"));
    SettingsStore settings(file, systemKeychain());
    settings.setConnectionString(kFirst);
    const std::string notice = movePlainPassword(settings, settings.secrets(),
                                                 [](const std::string&) { return true; });
    if (!keychainPresent()) {
        // Kept in the file, as the answer says.
        EXPECT_EQ(notice, "");
        EXPECT_EQ(settings.connectionString(), kFirst);
        return;
    }
    EXPECT_NE(notice.find("moved from " + dir.file("Varnett.ini") + " into the system keychain"),
              std::string::npos)
        << notice;
    EXPECT_EQ(fileText(dir.file("Varnett.ini")).find("Fir5t"), std::string::npos);
    EXPECT_EQ(passwordIn(storedConnectionText(settings, settings.secrets())), "Fir5t-S3cret");
    settings.secrets().remove(settings.passwordEntry());
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
