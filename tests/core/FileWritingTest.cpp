// Files the program writes: only regular files are replaced, symbolic links
// are followed, the connection's own database is never overwritten, and a
// failed write names its cause and leaves the old file as it was.
#include "data/ReplacingFile.h"
#include "data/Scripts.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>

using varnett::testing::names;

using varnett::data::ReplacingFile;
using varnett::data::replaceFile;
using varnett::data::writeErrorMessage;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using varnett::testing::readFile;
using varnett::testing::TempDir;
using varnett::testing::writeFile;
namespace fs = std::filesystem;

namespace {

bool isCharacterDevice(const char* path)
{
    struct stat info {};
    return ::lstat(path, &info) == 0 && S_ISCHR(info.st_mode);
}

std::size_t entriesIn(const fs::path& folder)
{
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Lowers the largest file this process may write, so that writing past it
// fails with EFBIG, and puts the limit back when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

TEST(FileWriting, TargetsThatAreNoRegularFileAreRefusedUntouched)
{
    TempDir dir;
    fs::create_directory(dir.path() / "folder");
    fs::create_symlink("/dev/null", dir.path() / "to-null");
    fs::create_symlink(dir.path() / "folder", dir.path() / "to-folder");
    fs::create_symlink("loop-b", dir.path() / "loop-a");
    fs::create_symlink("loop-a", dir.path() / "loop-b");

    struct Case {
        std::string target;
        std::string message;
    };
    const Case cases[] = {
        {"/dev/null", "'/dev/null' is a device or other special file, not a file to write into."},
        {"/dev/full", "'/dev/full' is a device or other special file, not a file to write into."},
        {dir.file("to-null"),
         "'" + dir.file("to-null") + "' is a device or other special file, not a file to write into."},
        {dir.file("folder"), "'" + dir.file("folder") + "' is a folder, not a file."},
        {dir.file("to-folder"), "'" + dir.file("to-folder") + "' is a folder, not a file."},
        {dir.file("loop-a"),
         "Cannot write the file '" + dir.file("loop-a") + "': Too many levels of symbolic links."},
        {dir.file("missing/x.sql"),
         "Cannot write the file '" + dir.file("missing/x.sql") + "': No such file or directory."},
        {"", "No file name is given."},
        {std::string("a\0b", 3), "The file name holds a NUL character."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(errorOf([&] { replaceFile(c.target, "data\r\n"); }), c.message);
    }
    EXPECT_TRUE(isCharacterDevice("/dev/null"));
    EXPECT_TRUE(isCharacterDevice("/dev/full"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "to-null"));
    EXPECT_EQ(entriesIn(dir.path() / "folder"), 0u);
    EXPECT_EQ(entriesIn(dir.path()), 5u); // nothing left beside the targets
}

TEST(FileWriting, SymbolicLinksAreFollowedAndKept)
{
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    writeFile(dir.path() / "real" / "old.sql", "old");
    fs::permissions(dir.path() / "real" / "old.sql", fs::perms::owner_read | fs::perms::owner_write
                                                         | fs::perms::group_read);
    fs::create_symlink("real/old.sql", dir.path() / "relative-link");
    fs::create_symlink(dir.path() / "relative-link", dir.path() / "link-to-link");
    fs::create_symlink(dir.path() / "real" / "new.sql", dir.path() / "dangling");

    struct Case {
        std::string target;
        fs::path written;
        std::string bytes;
    };
    const Case cases[] = {
        {dir.file("relative-link"), dir.path() / "real" / "old.sql", "first"},
        {dir.file("link-to-link"), dir.path() / "real" / "old.sql", "second"},
        {dir.file("dangling"), dir.path() / "real" / "new.sql", "third"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        replaceFile(c.target, c.bytes);
        EXPECT_TRUE(fs::is_symlink(c.target));
        EXPECT_EQ(readFile(c.written), c.bytes);
    }
    // The replaced file keeps its permissions; nothing else is left behind.
    EXPECT_EQ(fs::status(dir.path() / "real" / "old.sql").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entriesIn(dir.path() / "real"), 2u);
}

TEST(FileWriting, TheConnectionsDatabaseIsNeverTheScript)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("create table T (a int); insert into T values (1)");
    engine->executeBatch("create procedure P as select 1");
    const std::string database = dir.file("Sales.db");
    const std::string before = readFile(database);
    fs::create_symlink(database, dir.path() / "alias.db");
    fs::create_hard_link(database, dir.path() / "hard.db");

    using Write = std::function<void(const std::string&)>;
    const std::pair<const char*, Write> writers[] = {
        {"data script", [&](const std::string& out) {
             varnett::data::writeDataScript(*engine, names({"T"}), out);
         }},
        {"procedure script", [&](const std::string& out) {
             varnett::data::writeProcedureScript(*engine, names({"P"}), out);
         }},
    };
    for (const auto& [what, write] : writers) {
        for (const std::string& target : {database, dir.file("alias.db"), dir.file("hard.db"),
                                          dir.file("./Sales.db")}) {
            SCOPED_TRACE(std::string(what) + " to " + target);
            EXPECT_EQ(errorOf([&write = write, &target] { write(target); }),
                      "'" + target + "' is the database file of the current connection; writing"
                                     " there would replace the database.");
        }
    }
    EXPECT_EQ(readFile(database), before);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "alias.db"));
}

TEST(FileWriting, WriteErrorsNameTheirCauseAndKeepTheOldFile)
{
    const std::pair<int, const char*> causes[] = {
        {ENOSPC, "Cannot write the file 'x.sql': No space left on device."},
        {EFBIG, "Cannot write the file 'x.sql': File too large."},
        {EACCES, "Cannot write the file 'x.sql': Permission denied."},
        {EROFS, "Cannot write the file 'x.sql': Read-only file system."},
        {EDQUOT, "Cannot write the file 'x.sql': Disk quota exceeded."},
    };
    for (const auto& [number, message] : causes)
        EXPECT_EQ(writeErrorMessage("x.sql", number), message);

    // A real failing write: the process may write no file beyond 4 KiB.
    TempDir dir;
    const std::string target = dir.file("script.sql");
    writeFile(target, "the old script");
    std::string message;
    {
        FileSizeLimit limit(4096);
        message = errorOf([&] {
            ReplacingFile file(target);
            file.write(std::string(3000, 'a'));
            file.write(std::string(3000, 'b'));
            file.commit();
        });
    }
    EXPECT_EQ(message, "Cannot write the file '" + target + "': File too large.");
    EXPECT_EQ(readFile(target), "the old script");
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    // A file that is not committed leaves the old one and no temporary file.
    {
        ReplacingFile file(target);
        file.write("half");
    }
    EXPECT_EQ(readFile(target), "the old script");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

// Replacing needs only the folder's permission, yet a read-only file is the
// user's word that it stays. Root may write anything, so the check runs in a
// child that takes an ordinary user's identity first.
TEST(FileWriting, AReadOnlyFileIsNotReplaced)
{
    TempDir dir;
    const std::string target = dir.file("kept.sql");
    writeFile(target, "read-only");
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const uid_t nobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(dir.path().c_str(), nobody, nobody), 0);
        ASSERT_EQ(::chown(target.c_str(), nobody, nobody), 0);
    }
    const std::string expected = "Cannot write the file '" + target + "': Permission denied.";
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(3);
        std::string message = errorOf([&] { replaceFile(target, "replaced"); });
        ::_exit(message == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: another message or none; 3: no ordinary user";
    EXPECT_EQ(readFile(target), "read-only");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

// A file past the size at which writing is handed to the disk early arrives
// whole, over an old file that stays until the commit.
TEST(FileWriting, ALargeFileArrivesWholeAtTheCommit)
{
    TempDir dir;
    const std::string path = dir.file("large.sql");
    writeFile(path, "old");
    std::string expected;
    {
        ReplacingFile file(path);
        std::string chunk(65536, ' ');
        for (int i = 0; i < 200; ++i) {
            std::fill(chunk.begin(), chunk.end(), static_cast<char>('a' + i % 26));
            chunk += std::to_string(i);
            file.write(chunk);
            expected += chunk;
            chunk.resize(65536);
        }
        EXPECT_EQ(readFile(path), "old");
        file.commit();
    }
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}
