#include "data/ProcedureFolder.h"

#include "data/ReplacingFile.h"
#include "data/Transaction.h"
#include "data/dmMain.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureText.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace varnett::data {

namespace {

std::string keyOf(const ObjectName& procedure)
{
    return sqltext::toUpperAscii(sqltext::displayName(procedure));
}

sqltext::ProcedureFile serverVersion(Engine& engine, const ObjectName& procedure)
{
    return {engine.procedureSettings(procedure), sqltext::joinRows(engine.procedureText(procedure))};
}

std::vector<ObjectName> procedureNames(Engine& engine)
{
    std::vector<ObjectName> names;
    for (const ProcedureRef& procedure : engine.listProcedures())
        if (procedure.group == 1)
            names.push_back(procedure.object);
    return names;
}

std::string pathIn(const std::string& folder, const ObjectName& procedure)
{
    return (fs::path(folder) / sqltext::procedureFileName(procedure)).string();
}

std::string readWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad() || !in.eof())
        throw Error("The file '" + path.string() + "' cannot be read.");
    return text;
}

void requireFolder(const std::string& folder)
{
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw Error("The folder '" + folder + "' does not exist or is no folder.");
}

} // namespace

std::string stateText(FolderState state)
{
    switch (state) {
    case FolderState::Same: return "same";
    case FolderState::OnlyInFolder: return "only in the folder";
    case FolderState::OnlyInDatabase: return "only in the database";
    case FolderState::Different: return "different";
    }
    return {};
}

std::vector<ObjectName> exportProcedures(Engine& engine, const std::string& folder,
                                         const std::vector<ObjectName>& procedures)
{
    std::error_code error;
    fs::create_directories(folder, error);
    requireFolder(folder);
    const std::vector<ObjectName> names = procedures.empty() ? procedureNames(engine) : procedures;
    // Every text is read and checked before the first file is written.
    std::vector<std::string> texts;
    texts.reserve(names.size());
    {
        Transaction transaction(engine);
        for (const ObjectName& name : names) {
            sqltext::procedureFileName(name);   // throws for a name too long for a file
            texts.push_back(sqltext::procedureFileText(name, serverVersion(engine, name)));
        }
        transaction.commit();
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        replaceFile(pathIn(folder, names[i]), texts[i]);
    return names;
}

std::vector<FolderEntry> compareWithFolder(Engine& engine, const std::string& folder)
{
    requireFolder(folder);
    std::map<std::string, FolderEntry> entries;
    std::map<std::string, std::string> fileOf;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string fileName = it->path().filename().string();
        const auto procedure = sqltext::procedureOfFileName(fileName);
        if (!procedure || !it->is_regular_file())
            continue;
        const std::string key = keyOf(*procedure);
        if (const auto seen = fileOf.find(key); seen != fileOf.end())
            throw Error("The files '" + seen->second + "' and '" + fileName + "' of the folder '"
                        + folder + "' hold one procedure.");
        fileOf.emplace(key, fileName);
        FolderEntry& entry = entries[key];
        entry.procedure = *procedure;
        entry.folder = sqltext::readProcedureFile(readWhole(it->path()), fileName);
    }
    if (error)
        throw Error("The folder '" + folder + "' cannot be read: " + error.message() + ".");

    Transaction transaction(engine);
    for (const ObjectName& name : procedureNames(engine)) {
        FolderEntry& entry = entries[keyOf(name)];
        entry.procedure = name;   // the server's spelling
        entry.database = serverVersion(engine, name);
    }
    transaction.commit();

    std::vector<FolderEntry> out;
    out.reserve(entries.size());
    for (auto& [key, entry] : entries) {
        entry.state = !entry.database ? FolderState::OnlyInFolder
            : !entry.folder           ? FolderState::OnlyInDatabase
            : *entry.database == *entry.folder ? FolderState::Same
                                               : FolderState::Different;
        out.push_back(std::move(entry));
    }
    std::stable_sort(out.begin(), out.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return sqltext::lessObjectName(a.procedure, b.procedure);
    });
    return out;
}

void deployFromFolder(Engine& engine, const std::vector<FolderEntry>& chosen)
{
    for (const FolderEntry& entry : chosen)
        if (!entry.folder)
            throw Error("The procedure '" + sqltext::displayName(entry.procedure)
                        + "' has no file in the folder to deploy.");
    Transaction transaction(engine);
    // What the server holds now must be what the comparison saw.
    const std::vector<ObjectName> now = procedureNames(engine);
    for (const FolderEntry& entry : chosen) {
        const bool exists = std::any_of(now.begin(), now.end(), [&](const ObjectName& name) {
            return keyOf(name) == keyOf(entry.procedure);
        });
        std::optional<sqltext::ProcedureFile> current;
        if (exists)
            current = serverVersion(engine, entry.procedure);
        if (current != entry.database)
            throw Error("The procedure '" + sqltext::displayName(entry.procedure)
                        + "' changed on the server since the comparison: compare its text again"
                          " first.");
    }
    for (const FolderEntry& entry : chosen)
        sqltext::requireNoGoLine(entry.procedure, entry.folder->text);
    const char* const restore = "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\n";
    try {
        for (const FolderEntry& entry : chosen) {
            const sqltext::ProcedureFile& file = *entry.folder;
            engine.executeBatch(joinLinesCrLf(sqltext::conditionalDropLines(entry.procedure)));
            engine.executeBatch(std::string("SET QUOTED_IDENTIFIER ") + (file.settings.quotedIdentifier ? "ON" : "OFF")
                                + "\r\nSET ANSI_NULLS " + (file.settings.ansiNulls ? "ON" : "OFF") + "\r\n");
            try {
                engine.executeBatch(file.text);
            } catch (const Error& failure) {
                throw Error("The procedure '" + sqltext::displayName(entry.procedure)
                            + "' cannot be created from its file: " + failure.what());
            }
        }
    } catch (...) {
        // Whatever failed, the connection goes on under the settings it had,
        // not those of the last file.
        engine.executeBatch(restore);
        throw;
    }
    engine.executeBatch(restore);
    transaction.commit();
}

void writeBackToFolder(const std::string& folder, const std::vector<FolderEntry>& chosen)
{
    requireFolder(folder);
    std::vector<std::string> texts;
    for (const FolderEntry& entry : chosen) {
        if (!entry.database)
            throw Error("The procedure '" + sqltext::displayName(entry.procedure)
                        + "' is not in the database: there is no text to write.");
        texts.push_back(sqltext::procedureFileText(entry.procedure, *entry.database));
    }
    for (std::size_t i = 0; i < chosen.size(); ++i)
        replaceFile(pathIn(folder, chosen[i].procedure), texts[i]);
}

} // namespace varnett::data
