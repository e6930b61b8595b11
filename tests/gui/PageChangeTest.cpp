#include "Fixture.h"

#include "app/dlgMain.h"
#include "data/SettingsStore.h"

#include <QAction>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

class PageChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = makeSettings(dir, embeddedConnectionString(makeSalesDatabase(dir)));
        window = std::make_unique<TfrmMain>(*settings);
        window->show();
    }

    bool enabled(const char* name) { return child<QAction>(window.get(), name)->isEnabled(); }
    QTreeWidget* list(const char* name) { return child<QTreeWidget>(window.get(), name); }
    bool whereShown() { return child<QWidget>(window.get(), "pnlWhere")->isVisible(); }

    TempDir dir;
    ScriptedResponder responder;
    std::unique_ptr<data::SettingsStore> settings;
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(PageChangeTest, EachPageSetsCommandsDraggingAndTheConditionPanel)
{
    struct Expected {
        const char* view;
        int page;
        bool build;
        bool drag;
    };
    for (const Expected& e : {Expected{"mniInsertW", 0, true, false},
                              Expected{"mniUpdateW", 1, true, true},
                              Expected{"mniDeleteW", 2, true, false},
                              Expected{"mniEdit", 3, false, false}}) {
        trigger(*window, e.view);
        SCOPED_TRACE(e.view);
        EXPECT_EQ(window->currentPage(), e.page);
        EXPECT_EQ(enabled("mniBuild"), e.build);
        EXPECT_EQ(enabled("mniBuildAll"), e.build);
        EXPECT_EQ(enabled("mniCreateAll"), e.build);
        EXPECT_TRUE(enabled("mniCreate"));
        EXPECT_EQ(child<QToolButton>(window.get(), "ToolButton1")->isEnabled(), e.build);
        EXPECT_TRUE(child<QToolButton>(window.get(), "ToolButton2")->isEnabled());
        EXPECT_EQ(list("lvFields")->dragEnabled(), e.drag);
        EXPECT_EQ(whereShown(), e.page == 1);
    }
}

TEST_F(PageChangeTest, LeavingTheUpdatePageEmptiesTheConditionList)
{
    trigger(*window, "mniUpdateW");
    new QTreeWidgetItem(list("lvWhere"), {QStringLiteral("OrderID")});
    trigger(*window, "mniUpdateW"); // the same page again keeps the rows
    EXPECT_EQ(list("lvWhere")->topLevelItemCount(), 1);

    child<QTabWidget>(window.get(), "pcMain")->setCurrentIndex(2); // a tab click
    EXPECT_FALSE(whereShown());
    EXPECT_EQ(list("lvWhere")->topLevelItemCount(), 0);
    trigger(*window, "mniUpdateW");
    EXPECT_TRUE(whereShown());
    EXPECT_EQ(list("lvWhere")->topLevelItemCount(), 0);
}
