#pragma once

#include "Responder.h"
#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <string>

class QAction;
class QTreeWidget;
class QWidget;

namespace varnett {
class TfrmMain;
namespace data { class SettingsStore; }
}

namespace varnett::testing {

// A database file for the embedded engine with two tables and a view.
std::string makeSalesDatabase(const TempDir& dir, const std::string& fileName = "Sales.db");

std::string embeddedConnectionString(const std::string& path);

// A settings store in its own file, holding the given connection string
// (none when empty).
std::unique_ptr<data::SettingsStore> makeSettings(const TempDir& dir, const std::string& stored);

template <typename T>
T* child(QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no child named ") + name);
    return found;
}

// The first column's texts of a list's top-level items, in order.
QStringList captions(QTreeWidget* list);

// Triggers the main window's action of the given objectName.
void trigger(TfrmMain& window, const char* actionName);

} // namespace varnett::testing

namespace varnett::testing {

// Answers the procedure-name dialog: accepts the proposal, or a typed name.
ScriptedResponder::DialogAnswer acceptProposedName(QString* proposed = nullptr);
ScriptedResponder::DialogAnswer typeProcedureName(const QString& name);

// Clicks a table of the table list (loading the list first when needed) and
// selects the named fields.
void pickTableAndFields(TfrmMain& window, const QString& table, const QStringList& fields);

} // namespace varnett::testing

namespace varnett::testing {

// A main window on a fresh copy of the small Sales database, with every
// modal question answered by `responder`.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database = makeSalesDatabase(dir);
        settings = makeSettings(dir, embeddedConnectionString(database));
        window = std::make_unique<TfrmMain>(*settings);
    }

    TempDir dir;
    std::string database;
    ScriptedResponder responder;
    std::unique_ptr<data::SettingsStore> settings;
    std::unique_ptr<TfrmMain> window;
};

} // namespace varnett::testing
