#pragma once

#include <QString>
#include <QStringList>

namespace varnett::data {

class SettingsStore;

// The demo database "Sales": built for the embedded engine from a script of
// batches separated by lines holding only GO.

// Builds the database file `target` from the script. The database is built
// under a temporary name beside the target and renamed at the end, so a
// failure leaves no file behind. Throws varnett::Error (naming the failing
// batch) when the script cannot be read or run, or when `target` exists: an
// existing file is never overwritten.
void buildDemoDatabase(const QString& scriptPath, const QString& target);

// Where the demo script "sales.sql" is looked for, in this order, for a
// program whose executable lies in `programFolder`: share/varnett beside the
// program's bin folder (an installed program), share/varnett in the program's
// folder (the build folder, or a flat Windows installation), then the
// varnett folder of every system data folder.
QStringList demoScriptCandidates(const QString& programFolder);
// The first of the candidates that exists; empty when none does.
QString findDemoScript(const QString& programFolder);

// The user's data folder of the program: <user data folder>/Varnett
// ($XDG_DATA_HOME, by default ~/.local/share, on Linux).
QString userDataFolder();

// The connection string of the embedded engine for a database file.
std::string embeddedConnectionString(const QString& databaseFile);

// First start. When the settings hold no connection string: builds the demo
// database Sales.db in `dataFolder` from the script (unless that file is
// there already), writes the data link file DataLinks/Sales.udl for it
// (unless there), and stores its connection string. Returns the stored
// connection string, or an empty text when the settings already held one
// (then nothing is touched). Throws varnett::Error when a file cannot be
// built or written; the settings then stay as they were.
std::string prepareDemoConnection(SettingsStore& settings, const QString& scriptPath,
                                  const QString& dataFolder);

} // namespace varnett::data
