#pragma once

#include <QString>
#include <QStringList>

namespace varnett::data {

// Data link files (.udl): a "[oledb]" line, ";" comment lines and one line
// holding the connection string. Windows writes them in UTF-16 with a byte
// order mark; UTF-8 is read as well.

// The folder the connection dialog lists: <user data folder>/Varnett/DataLinks
// ($XDG_DATA_HOME, by default ~/.local/share, on Linux).
QString dataLinksFolder();

// The .udl files of a folder, sorted by name without regard to case.
QStringList listDataLinkFiles(const QString& folder);

// The connection string of a data link file. Throws varnett::Error when the
// file cannot be read or holds no connection string.
QString readDataLinkFile(const QString& path);

// The bytes of a data link file for a connection string (UTF-16 with BOM).
QByteArray dataLinkFileBytes(const QString& connectionString);

} // namespace varnett::data
