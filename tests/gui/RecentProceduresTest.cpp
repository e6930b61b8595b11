#include "app/RecentProcedures.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using varnett::RecentProcedures;

TEST(RecentProcedures, EntriesFollowWhateverTheMenuHoldsAndOpenTheirName)
{
    for (int fixed : {0, 2}) {
        QMenu menu;
        for (int i = 0; i < fixed; ++i)
            menu.addAction(QStringLiteral("Fixed %1").arg(i));
        QStringList opened;
        RecentProcedures recent(&menu, [&](const QString& name) { opened << name; });
        for (const char* name : {"A", "B", "C", "D", "E", "F&G"})
            recent.add(QString::fromLatin1(name));

        EXPECT_EQ(recent.names(), QStringList({"F&G", "E", "D", "C", "B"})) << fixed;
        const QList<QAction*> actions = menu.actions();
        ASSERT_EQ(actions.size(), fixed + RecentProcedures::kMaxEntries);
        for (int i = 0; i < fixed; ++i)
            EXPECT_EQ(actions[i]->text(), QStringLiteral("Fixed %1").arg(i));
        EXPECT_EQ(actions[fixed]->text(), QStringLiteral("F&&G"));
        actions[fixed]->trigger();
        actions.last()->trigger();
        EXPECT_EQ(opened, QStringList({"F&G", "B"}));
    }
}
