#include "Fixture.h"

#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "data/SqliteEngine.h"

#include <QAction>

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
    return settings;
}

void trigger(TfrmMain& window, const char* actionName)
{
    auto* action = window.findChild<QAction*>(QString::fromLatin1(actionName));
    if (!action)
        throw std::runtime_error(std::string("no action named ") + actionName);
    action->trigger();
}

} // namespace varnett::testing
