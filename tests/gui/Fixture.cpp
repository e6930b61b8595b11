#include "Fixture.h"

#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "data/sqlite/SqliteEngine.h"

#include <QAction>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace varnett::testing {

std::string makeSalesDatabase(const TempDir& dir, const std::string& fileName)
{
    const std::string path = dir.file(fileName);
    data::createSqliteDatabase(path);
    auto engine = data::openSqliteEngine(path);
    engine->executeBatch(
        "CREATE TABLE Orders (OrderID int identity PRIMARY KEY, CustomerName varchar(40),"
        " Amount money, OrderDate datetime);\r\n"
        "CREATE TABLE customers (CustomerID int, Name nvarchar(60), Code char(10));\r\n"
        "CREATE VIEW BigOrders AS SELECT * FROM Orders WHERE Amount > 100;\r\n"
        "INSERT INTO Orders VALUES (1, 'Smith', 12.5, '2024-01-31 00:00:00');\r\n");
    return path;
}

std::string embeddedConnectionString(const std::string& path)
{
    return "Provider=SQLite;Data Source=" + path;
}

std::unique_ptr<data::SettingsStore> makeSettings(const TempDir& dir, const std::string& stored)
{
    auto settings = std::make_unique<data::SettingsStore>(
        QString::fromStdString(dir.file("settings.ini")));
    if (!stored.empty())
        settings->setConnectionString(stored);
    // A stored password stays in the test's own file, as it was given: this
    // machine has no keychain to move it to, and the tests ask nothing.
    settings->setPasswordFallback(data::kPasswordInSettingsFile);
    return settings;
}

QStringList captions(QTreeWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

void trigger(TfrmMain& window, const char* actionName)
{
    auto* action = window.findChild<QAction*>(QString::fromLatin1(actionName));
    if (!action)
        throw std::runtime_error(std::string("no action named ") + actionName);
    action->trigger();
}

} // namespace varnett::testing

#include <QLineEdit>
#include <QTreeWidget>

namespace varnett::testing {

ScriptedResponder::DialogAnswer acceptProposedName(QString* proposed)
{
    return [proposed](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmProcName"));
        if (proposed)
            *proposed = child<QLineEdit>(&dialog, "edtName")->text();
        dialog.accept();
        return dialog.result();
    };
}

ScriptedResponder::DialogAnswer typeProcedureName(const QString& name)
{
    return [name](QDialog& dialog) {
        child<QLineEdit>(&dialog, "edtName")->setText(name);
        dialog.accept();
        return dialog.result();
    };
}

void pickTableAndFields(TfrmMain& window, const QString& table, const QStringList& fields)
{
    auto* tables = child<QTreeWidget>(&window, "lvTables");
    if (tables->topLevelItemCount() == 0)
        trigger(window, "Loadtablelist1");
    QTreeWidgetItem* item = tables->findItems(table, Qt::MatchExactly).value(0);
    if (!item)
        throw std::runtime_error("no table " + table.toStdString());
    tables->setCurrentItem(item);
    emit tables->itemClicked(item, 0);
    auto* list = child<QTreeWidget>(&window, "lvFields");
    list->clearSelection();
    for (const QString& field : fields) {
        QTreeWidgetItem* entry = list->findItems(field, Qt::MatchExactly).value(0);
        if (!entry)
            throw std::runtime_error("no field " + field.toStdString());
        entry->setSelected(true);
    }
}

} // namespace varnett::testing
