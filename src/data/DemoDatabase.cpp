#include "data/DemoDatabase.h"

#include "data/ConnectionString.h"
#include "data/DataLinkFile.h"
#include "data/ReplacingFile.h"
#include "data/SettingsStore.h"
#include "data/sqlite/SqliteEngine.h"
#include "sqltext/Batches.h"
#include "sqltext/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace varnett::data {

namespace {

const QString kScriptName = QStringLiteral("sales.sql");
const QString kDatabaseName = QStringLiteral("Sales.db");
const QString kDataLinkName = QStringLiteral("Sales.udl");

std::string text(const QString& value)
{
    return value.toStdString();
}

std::string readScript(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error("Cannot read the demo script '" + text(path) + "': "
                    + text(file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error("Cannot read the demo script '" + text(path) + "': "
                    + text(file.errorString()));
    return bytes.toStdString();
}

// A scratch folder beside the target: the database is built there under its
// final name, so the files of its schemas, which the database records by
// name, keep the names they need beside the target.
QString scratchFolderBeside(const QString& target)
{
    const QFileInfo info(target);
    const QString folder = info.dir().filePath(
        QStringLiteral(".") + info.fileName() + QStringLiteral(".building-")
        + QString::number(QRandomGenerator::global()->generate64(), 16));
    if (!QDir().mkdir(folder))
        throw Error("Cannot create the folder '" + text(folder) + "'");
    return folder;
}

void refuseExisting(const QString& target)
{
    if (QFileInfo::exists(target))
        throw Error(text(target) + " already exists; it is not overwritten");
}

void makeFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw Error("Cannot create the folder '" + text(folder) + "'");
}

// Written through ReplacingFile: a write that fails is reported with its
// cause rather than committed short.
void writeDataLink(const QString& path, const std::string& connection)
{
    const QByteArray bytes = dataLinkFileBytes(QString::fromStdString(connection));
    replaceFile(text(path), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace

void buildDemoDatabase(const QString& scriptPath, const QString& target)
{
    refuseExisting(target);
    const auto batches = sqltext::splitBatches(readScript(scriptPath));

    const QFileInfo targetInfo(target);
    const QString scratch = scratchFolderBeside(target);
    QStringList moved;
    try {
        const QString building = QDir(scratch).filePath(targetInfo.fileName());
        createSqliteDatabase(text(building));
        {
            auto engine = openSqliteEngine(text(building));
            for (std::size_t i = 0; i < batches.size(); ++i) {
                try {
                    engine->executeBatch(batches[i]);
                } catch (const Error& e) {
                    throw Error("batch " + std::to_string(i + 1) + ": " + e.what());
                }
            }
        }
        // The schema files first, the database last: a database in place
        // always has its schemas beside it.
        // Compared as text, not as a wildcard: the target's name may hold "[" or "*".
        const QString schemaPrefix = targetInfo.fileName() + QStringLiteral("-schema-");
        for (const QString& name : QDir(scratch).entryList(QDir::Files | QDir::Hidden)) {
            if (!name.startsWith(schemaPrefix))
                continue;
            const QString destination = targetInfo.dir().filePath(name);
            refuseExisting(destination);
            if (!QFile::rename(QDir(scratch).filePath(name), destination))
                throw Error("Cannot move the schema file '" + text(name) + "' beside '"
                            + text(target) + "'");
            moved << destination;
        }
        refuseExisting(target);
        if (!QFile::rename(building, target))
            throw Error("Cannot rename the built database to '" + text(target) + "'");
    } catch (...) {
        for (const QString& file : moved)
            QFile::remove(file);
        QDir(scratch).removeRecursively();
        throw;
    }
    QDir(scratch).removeRecursively();
}

QStringList demoScriptCandidates(const QString& programFolder)
{
    const QDir program(programFolder);
    QStringList candidates = {
        QDir::cleanPath(program.filePath(QStringLiteral("../share/varnett/") + kScriptName)),
        QDir::cleanPath(program.filePath(QStringLiteral("share/varnett/") + kScriptName)),
    };
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString candidate = QDir::cleanPath(folder + QStringLiteral("/varnett/") + kScriptName);
        if (!candidates.contains(candidate))
            candidates << candidate;
    }
    return candidates;
}

QString findDemoScript(const QString& programFolder)
{
    for (const QString& candidate : demoScriptCandidates(programFolder))
        if (QFileInfo(candidate).isFile())
            return candidate;
    return {};
}

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Varnett");
}

std::string embeddedConnectionString(const QString& databaseFile)
{
    ConnectionString connection;
    connection.set("Provider", "SQLite");
    connection.set("Data Source", text(QDir::toNativeSeparators(databaseFile)));
    return connection.render();
}

std::string prepareDemoConnection(SettingsStore& settings, const QString& scriptPath,
                                  const QString& dataFolder)
{
    try {
        if (!settings.connectionString().empty())
            return {};
    } catch (const Error&) {
        return {}; // a value of another kind is stored: it is not replaced
    }

    const QDir folder(dataFolder);
    const QString database = folder.filePath(kDatabaseName);
    if (!QFileInfo::exists(database)) {
        makeFolder(dataFolder);
        buildDemoDatabase(scriptPath, database);
    }
    const std::string connection = embeddedConnectionString(database);

    const QString links = folder.filePath(QStringLiteral("DataLinks"));
    const QString link = QDir(links).filePath(kDataLinkName);
    if (!QFileInfo::exists(link)) {
        makeFolder(links);
        writeDataLink(link, connection);
    }
    settings.setConnectionString(connection);
    return connection;
}

} // namespace varnett::data
