// The window's side of bad input: page files written only over regular
// files, and the condition list safe while its tree widget is destroyed.
#include "app/ConditionList.h"
#include "app/PageDocuments.h"
#include "sqltext/Error.h"
#include "support/TempDir.h"

#include <QPointer>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace varnett;
using namespace varnett::testing;
namespace fs = std::filesystem;

TEST(BadInputWindow, PageFilesReplaceOnlyRegularFiles)
{
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    writeFile(dir.path() / "real" / "P.PRC", "old\r\n");
    fs::create_symlink(dir.path() / "real" / "P.PRC", dir.path() / "link.PRC");
    fs::create_symlink("/dev/null", dir.path() / "null.PRC");

    const std::pair<std::string, std::string> refused[] = {
        {"/dev/null", "'/dev/null' is a device or other special file, not a file to write into."},
        {dir.file("null.PRC"),
         "'" + dir.file("null.PRC") + "' is a device or other special file, not a file to write into."},
        {dir.file("real"), "'" + dir.file("real") + "' is a folder, not a file."},
    };
    for (const auto& [path, message] : refused) {
        SCOPED_TRACE(path);
        try {
            writeLinesFile(QString::fromStdString(path), {QStringLiteral("select 1")});
            ADD_FAILURE() << "written";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    struct stat info {};
    ASSERT_EQ(::lstat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));

    writeLinesFile(QString::fromStdString(dir.file("link.PRC")),
                   {QStringLiteral("select 1"), QStringLiteral("select 2")});
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.PRC"));
    EXPECT_EQ(readFile(dir.path() / "real" / "P.PRC"), "select 1\r\nselect 2\r\n");
}

// The tree widget goes first, as the main window's children go: the
// viewport is hidden while the tree is half destroyed, and the filter must
// not ask the tree for anything then (the sanitizer build reports such a
// call). The condition list itself goes afterwards without touching the
// viewport that is gone.
TEST(BadInputWindow, TheConditionListOutlivesItsTreeWidgetSafely)
{
    for (bool listFirst : {false, true}) {
        SCOPED_TRACE(listFirst ? "condition list destroyed first" : "tree destroyed first");
        auto* window = new QWidget;
        auto* tree = new QTreeWidget(window);
        tree->setColumnCount(3);
        auto* conditions = new ConditionList(tree, listFirst ? nullptr : window);
        conditions->setAccepting(true);
        conditions->addCondition({"OrderID", "int", "int"});
        conditions->addCondition({"Freight", "money", "money"});
        window->show();
        EXPECT_EQ(conditions->rowCount(), 2);
        EXPECT_NE(conditions->operatorSelector(1), nullptr);
        if (listFirst) {
            delete conditions;
            delete window;
        } else {
            QPointer<ConditionList> watch(conditions);
            delete tree;
            EXPECT_FALSE(watch.isNull());
            delete window;
            EXPECT_TRUE(watch.isNull());
        }
    }
}
