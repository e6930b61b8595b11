// Saved passwords go to the keychain, the rest of the connection string to
// the settings file; without a keychain the user's answer decides.
#include "data/SettingsStore.h"
#include "data/StoredPassword.h"
#include "data/dmMain.h"
#include "data/sqlite/SqliteEngine.h"
#include "support/Engines.h"
#include "support/FakeSecretStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace varnett::data;
using varnett::testing::errorOf;
using varnett::testing::FakeSecretStore;
using varnett::testing::TempDir;

namespace {

using Entries = std::map<std::string, std::string>;

const std::string kEntry = "Data Source=db01;Initial Catalog=Sales;User ID=sa";
const std::string kPersisted =
    "Provider=SQLOLEDB;Data Source=db01;Initial Catalog=Sales;User ID=sa;Password=S3cr3t;"
    "Persist Security Info=True";
const std::string kWithout =
    "Provider=SQLOLEDB;Data Source=db01;Initial Catalog=Sales;User ID=sa;"
    "Persist Security Info=True";

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Keeping {
    TempDir dir;
    std::shared_ptr<Entries> entries = std::make_shared<Entries>();
    std::unique_ptr<SettingsStore> settings;
    int asked = 0;

    explicit Keeping(bool keychain)
        : settings(std::make_unique<SettingsStore>(
              QString::fromStdString(dir.file("Varnett.ini")),
              std::make_unique<FakeSecretStore>(entries, keychain)))
    {
    }
    StoreInSettingsQuestion answer(bool inFile)
    {
        return [this, inFile](const std::string& reason) {
            EXPECT_NE(reason.find("no Secret Service"), std::string::npos) << reason;
            ++asked;
            return inFile;
        };
    }
    std::string file() const { return fileText(dir.file("Varnett.ini")); }
};

} // namespace

TEST(StoredPassword, StoringKeepsThePasswordOutOfTheSettingsFile)
{
    struct Case {
        const char* name;
        bool keychain;
        const char* keptAnswer;     // the answer of an earlier question
        bool answer;                // the question's answer now
        std::string text;
        std::string storedText;
        std::string storedEntry;
        Entries keychainAfter;
        int asked;
    };
    const Case cases[] = {
        {"keychain", true, "", false, kPersisted, kWithout, kEntry, {{kEntry, "S3cr3t"}}, 0},
        {"Pwd spelling", true, "", false,
         "Provider=SQLOLEDB;Data Source=db01;Initial Catalog=Sales;User ID=sa;Pwd=S3cr3t;"
         "Persist Security Info=True",
         kWithout, kEntry, {{kEntry, "S3cr3t"}}, 0},
        {"not saved", true, "", false, "Provider=SQLOLEDB;Data Source=db01;User ID=sa",
         "Provider=SQLOLEDB;Data Source=db01;User ID=sa", "", {}, 0},
        {"no keychain, file", false, "", true, kPersisted, kPersisted, "", {}, 1},
        {"no keychain, nowhere", false, "", false, kPersisted, kWithout, "", {}, 1},
        {"answered file before", false, kPasswordInSettingsFile, false, kPersisted, kPersisted, "",
         {}, 0},
        {"answered nowhere before", false, kPasswordNowhere, true, kPersisted, kWithout, "", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Keeping keeping(c.keychain);
        if (*c.keptAnswer)
            keeping.settings->setPasswordFallback(c.keptAnswer);
        storeConnectionText(*keeping.settings, keeping.settings->secrets(), c.text,
                            keeping.answer(c.answer));
        EXPECT_EQ(keeping.settings->connectionString(), c.storedText);
        EXPECT_EQ(keeping.settings->passwordEntry(), c.storedEntry);
        EXPECT_EQ(*keeping.entries, c.keychainAfter);
        EXPECT_EQ(keeping.asked, c.asked);
        if (c.storedText == kWithout) {
            EXPECT_EQ(keeping.file().find("S3cr3t"), std::string::npos) << keeping.file();
        }
        // Read back, the string has its password again where one was kept.
        const bool kept = c.storedText == kPersisted || !c.storedEntry.empty();
        EXPECT_EQ(storedConnectionText(*keeping.settings, keeping.settings->secrets())
                      .find("Password=S3cr3t")
                      != std::string::npos,
                  kept);
        // The answer is kept: a second store asks no more.
        storeConnectionText(*keeping.settings, keeping.settings->secrets(), c.text,
                            keeping.answer(c.answer));
        EXPECT_EQ(keeping.asked, c.asked);
    }
}

TEST(StoredPassword, EntriesAreApartForEachServerDatabaseAndUser)
{
    Keeping keeping(true);
    const std::string texts[] = {
        kPersisted,
        "Provider=SQLOLEDB;Data Source=db02;Initial Catalog=Sales;User ID=sa;Password=two;"
        "Persist Security Info=True",
        "Provider=SQLOLEDB;Server=db01;Database=Sales;UID=report;Password=three;"
        "Persist Security Info=True",
        // A ";" inside a value cannot make two entries' names the same.
        "Provider=SQLOLEDB;Data Source=\"db01;Initial Catalog=Sales\";User ID=sa;Password=four;"
        "Persist Security Info=True",
    };
    for (const std::string& text : texts)
        storeConnectionText(*keeping.settings, keeping.settings->secrets(), text, {});
    const Entries expected = {
        {kEntry, "S3cr3t"},
        {"Data Source=db02;Initial Catalog=Sales;User ID=sa", "two"},
        {"Data Source=db01;Initial Catalog=Sales;User ID=report", "three"},
        {"Data Source=\"db01;Initial Catalog=Sales\";Initial Catalog=;User ID=sa", "four"},
    };
    EXPECT_EQ(*keeping.entries, expected);

    // Saving no more drops the entry the settings named, for the same
    // server, database and user only.
    storeConnectionText(*keeping.settings, keeping.settings->secrets(),
                        "Provider=SQLOLEDB;Data Source=db02;Initial Catalog=Sales;User ID=sa;"
                        "Persist Security Info=False",
                        {});
    EXPECT_EQ(*keeping.entries, expected);
    keeping.settings->setPasswordEntry("Data Source=db01;Initial Catalog=Sales;User ID=report");
    storeConnectionText(*keeping.settings, keeping.settings->secrets(),
                        "Provider=SQLOLEDB;Server=db01;Database=Sales;UID=report;"
                        "Persist Security Info=False",
                        {});
    EXPECT_EQ(keeping.entries->size(), 3u);
    EXPECT_EQ(keeping.entries->count("Data Source=db01;Initial Catalog=Sales;User ID=report"), 0u);
    EXPECT_EQ(keeping.settings->passwordEntry(), "");
}

TEST(StoredPassword, APlainPasswordOfAnOlderFileMovesToTheKeychainAtStart)
{
    for (const bool keychain : {true, false}) {
        SCOPED_TRACE(keychain);
        Keeping keeping(keychain);
        const std::string database = keeping.dir.file("sales.db");
        createSqliteDatabase(database);
        const std::string old = "Provider=SQLite;Data Source=" + database
            + ";User ID=sa;Password=S3cr3t;Persist Security Info=True";
        keeping.settings->setConnectionString(old);

        TDataMain dataMain(*keeping.settings);
        dataMain.setPasswordQuestion(keeping.answer(false));
        dataMain.DataModuleCreate();
        // The connection opened with the password either way.
        EXPECT_EQ(dataMain.db().heldText().find("Password=S3cr3t") != std::string::npos,
                  keychain);
        EXPECT_EQ(keeping.file().find("S3cr3t"), std::string::npos) << keeping.file();
        EXPECT_EQ(dataMain.db().shownText().find("S3cr3t"), std::string::npos);
        const std::string notice = dataMain.takeNotice();
        if (keychain) {
            const std::string entry = "Data Source=" + database + ";Initial Catalog=;User ID=sa";
            EXPECT_EQ(notice, "The saved password was moved from " + keeping.dir.file("Varnett.ini")
                                  + " into the system keychain (entry '" + entry
                                  + "' of Varnett).");
            EXPECT_EQ(*keeping.entries, (Entries{{entry, "S3cr3t"}}));
            EXPECT_EQ(keeping.asked, 0);
        } else {
            EXPECT_EQ(notice, "");
            EXPECT_EQ(keeping.asked, 1);
        }
        EXPECT_EQ(dataMain.takeNotice(), "");
    }
}

TEST(StoredPassword, AKeychainThatCannotBeReachedIsAnErrorWhenItHoldsThePassword)
{
    Keeping keeping(false);
    keeping.settings->setConnectionString(kWithout);
    keeping.settings->setPasswordEntry(kEntry);
    EXPECT_EQ(errorOf([&] {
                  storedConnectionText(*keeping.settings, keeping.settings->secrets());
              }),
              "The password of the stored connection is kept in the system keychain (entry '"
                  + kEntry + "' of Varnett), which cannot be read: No system keychain is"
                             " available: no Secret Service");
    // A string holding its password, or holding none, needs no keychain.
    keeping.settings->setConnectionString(kPersisted);
    EXPECT_EQ(storedConnectionText(*keeping.settings, keeping.settings->secrets()), kPersisted);
}
