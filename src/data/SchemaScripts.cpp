// The schema script: the structure of tables and views as the engine
// describes it, written by sqltext::schemaScript, the rows between.
#include "data/Scripts.h"

#include "data/ReplacingFile.h"
#include "data/Transaction.h"
#include "sqltext/AsciiText.h"
#include "sqltext/ObjectName.h"

#include <unordered_set>

namespace varnett::data {

void writeSchemaScript(Engine& engine, const std::vector<sqltext::ObjectName>& objects,
                       const std::string& path, const SchemaScriptSettings& settings,
                       const Progress& progress)
{
    const std::vector<sqltext::ObjectName> names = objects.empty() ? engine.listTables() : objects;
    if (names.empty())
        throw Error("The database has no table or view to script.");

    std::vector<sqltext::SchemaTable> tables;
    std::vector<sqltext::SchemaView> views;
    std::vector<sqltext::ObjectName> dataTables;
    std::unordered_set<std::string> seen;
    if (progress.start)
        progress.start(static_cast<int>(names.size()));
    {
        // One state of the catalog for every object.
        Transaction transaction(engine);
        for (const sqltext::ObjectName& object : names) {
            if (!seen.insert(sqltext::toUpperAscii(object.schema) + "."
                             + sqltext::toUpperAscii(object.name))
                     .second)
                continue;
            sqltext::SchemaObject structure = engine.schemaObject(object);
            if (structure.isView) {
                views.push_back(std::move(structure.view));
            } else {
                dataTables.push_back(object);
                tables.push_back(std::move(structure.table));
            }
            if (progress.step)
                progress.step(static_cast<int>(seen.size()));
            if (progress.afterStep)
                progress.afterStep(seen.size());
        }
        transaction.commit();
    }

    const sqltext::SchemaScriptText text = sqltext::schemaScript(tables, views, settings.options);
    std::optional<DataTables> planned;
    if (settings.withData && !dataTables.empty())
        planned = planDataTables(engine, dataTables, settings.data);
    ReplacingFile file(path, engine.databaseFile());
    file.write(text.beforeData);
    if (planned)
        writeDataRows(engine, *planned, settings.data.format,
                      [&](std::string_view chunk) { file.write(chunk); }, progress);
    file.write(text.afterData);
    file.commit();
}

} // namespace varnett::data
