#include "Fixture.h"

#include "app/PageDocuments.h"
#include "app/dlgMain.h"
#include "sqltext/Error.h"
#include "data/SettingsStore.h"
#include "ui/SqlEditor.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/wait.h>
#include <unistd.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

class PageDocumentsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        docs = &window->documents();
    }

    QString path(const char* name) { return QString::fromStdString(dir.file(name)); }

    PageDocuments* docs = nullptr;
};

} // namespace

TEST_F(PageDocumentsTest, EmptyPagesAreNeverSaved)
{
    trigger(*window, "mniSave");
    trigger(*window, "mniSaveAs");
    trigger(*window, "mniSaveAll");
    EXPECT_TRUE(responder.events.isEmpty());
    EXPECT_TRUE(docs->state(0).askForFileName);
}

TEST_F(PageDocumentsTest, SaveAsksOnceThenWritesTheSameFile)
{
    docs->state(0).documentName = QStringLiteral("SP_INSERT_Orders");
    window->editor(0)->setPlainText(QStringLiteral("CREATE PROCEDURE X\nAS BEGIN\nEND"));
    responder.answerSave(path("insert.PRC"));
    trigger(*window, "mniSave");
    ASSERT_EQ(responder.fileRequests.size(), 1u);
    EXPECT_EQ(responder.fileRequests[0].objectName, QStringLiteral("sdMain"));
    EXPECT_EQ(responder.fileRequests[0].proposedName, QStringLiteral("SP_INSERT_Orders.PRC"));
    EXPECT_EQ(responder.fileRequests[0].defaultSuffix, QStringLiteral("PRC"));
    EXPECT_EQ(readFile(dir.file("insert.PRC")), "CREATE PROCEDURE X\r\nAS BEGIN\r\nEND\r\n");
    EXPECT_FALSE(docs->state(0).askForFileName);
    EXPECT_EQ(docs->state(0).documentName, path("insert.PRC"));

    window->editor(0)->setPlainText(QStringLiteral("Ünïcode 'text'"));
    trigger(*window, "mniSave");
    EXPECT_EQ(responder.fileRequests.size(), 1u) << "no second dialog";
    EXPECT_EQ(readFile(dir.file("insert.PRC")), "\xC3\x9Cn\xC3\xAF" "code 'text'\r\n");

    responder.answerSave(std::nullopt);
    trigger(*window, "mniSaveAs");
    EXPECT_EQ(responder.fileRequests.back().proposedName, path("insert.PRC") + ".PRC");
    EXPECT_TRUE(docs->state(0).askForFileName) << "Save As sets the flag even when cancelled";
    EXPECT_EQ(docs->state(0).documentName, path("insert.PRC"));
}

TEST_F(PageDocumentsTest, AnEmptyDocumentNameAsksInsteadOfWritingNothing)
{
    docs->state(1).askForFileName = false;
    window->selectPage(1);
    window->editor(1)->setPlainText(QStringLiteral("typed"));
    responder.answerSave(path("typed.PRC"));
    trigger(*window, "mniSave");
    EXPECT_EQ(responder.fileRequests.at(0).proposedName, QStringLiteral(".PRC"));
    EXPECT_EQ(readFile(dir.file("typed.PRC")), "typed\r\n");
}

TEST_F(PageDocumentsTest, SaveAllGoesPageByPageAndCancelSkipsOnlyThatPage)
{
    for (int page = 0; page < 4; ++page)
        window->editor(page)->setPlainText(QStringLiteral("page %1").arg(page));
    window->editor(2)->clear();
    responder.answerSave(path("p0.PRC"));
    responder.answerSave(std::nullopt);
    responder.answerSave(path("p3.PRC"));
    trigger(*window, "mniSaveAll");
    EXPECT_TRUE(responder.everythingAnswered());
    EXPECT_EQ(readFile(dir.file("p0.PRC")), "page 0\r\n");
    EXPECT_EQ(readFile(dir.file("p3.PRC")), "page 3\r\n");
    EXPECT_TRUE(docs->state(1).askForFileName);
    EXPECT_FALSE(docs->state(3).askForFileName);
}

TEST_F(PageDocumentsTest, AFailedWriteKeepsWhatWasThereAndReportsTheError)
{
    // The chosen name is taken by a folder: nothing can be written there.
    std::filesystem::create_directory(dir.path() / "taken.PRC");
    writeFile(dir.path() / "taken.PRC" / "inside.txt", "old");
    window->editor(0)->setPlainText(QStringLiteral("new"));
    responder.answerSave(path("taken.PRC"));
    trigger(*window, "mniSave");
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0].kind, ui::MessageKind::General);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken.PRC"));
    EXPECT_EQ(readFile(dir.path() / "taken.PRC" / "inside.txt"), "old");
    EXPECT_TRUE(docs->state(0).askForFileName);
    EXPECT_EQ(docs->state(0).documentName, path("taken.PRC"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()), 3)
        << "no temporary file beside taken.PRC, Sales.db and settings.ini";
}

// Root may write into a read-only folder, so the write runs in a child that
// takes an ordinary user's identity first.
TEST(WriteLinesFileTest, AFailedWriteLeavesTheOldFile)
{
    TempDir dir;
    writeFile(dir.file("keep.PRC"), "old\r\n");
    const uid_t nobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(dir.path().c_str(), nobody, nobody), 0);
        ASSERT_EQ(::chown(dir.file("keep.PRC").c_str(), nobody, nobody), 0);
    }
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read
                                                 | std::filesystem::perms::owner_exec);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(3);
        try {
            writeLinesFile(QString::fromStdString(dir.file("keep.PRC")), {"new"});
        } catch (const Error&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write did not fail; 3: no ordinary user";
    EXPECT_EQ(readFile(dir.file("keep.PRC")), "old\r\n");
}

TEST_F(PageDocumentsTest, EditCommandsActOnTheCurrentPageAndPrintNeedsAPrinter)
{
    window->selectPage(2);
    window->editor(2)->setPlainText(QStringLiteral("abc"));
    window->editor(0)->setPlainText(QStringLiteral("keep"));
    trigger(*window, "mniSelectAll");
    EXPECT_EQ(window->editor(2)->selectedText(), QStringLiteral("abc"));
    responder.answerSaveChanges(ui::SaveChoice::Discard);
    trigger(*window, "mniClear");
    EXPECT_TRUE(window->editor(2)->toPlainText().isEmpty());
    EXPECT_EQ(window->editor(0)->toPlainText(), QStringLiteral("keep"));

    docs->state(0).documentName = QStringLiteral("named");
    responder.answerSaveChanges(ui::SaveChoice::Discard);
    trigger(*window, "mniClearAll");
    EXPECT_TRUE(window->editor(0)->toPlainText().isEmpty());
    EXPECT_EQ(docs->state(0).documentName, QStringLiteral("named"));

    window->editor(2)->setPlainText(QStringLiteral("print me"));
    trigger(*window, "mniPrint");
    ASSERT_EQ(responder.messages.size(), 3u); // the two questions before Clear, Clear All
    EXPECT_TRUE(responder.messages[2].text.startsWith(QStringLiteral("No printer is installed")));
}
