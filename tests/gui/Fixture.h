#pragma once

#include "Responder.h"
#include "support/TempDir.h"

#include <QString>

#include <memory>
#include <string>

class QAction;
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

// Triggers the main window's action of the given objectName.
void trigger(TfrmMain& window, const char* actionName);

} // namespace varnett::testing
