#include "data/Scripts.h"

#include "data/ReplacingFile.h"
#include "data/Transaction.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/DataScript.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureFilter.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcedureText.h"
#include "sqltext/TableOrder.h"

#include <algorithm>
#include <unordered_set>

namespace varnett::data {

namespace {

constexpr std::size_t kChunk = 1 << 16;


void startPhase(const Progress& progress, std::size_t max)
{
    if (progress.start)
        progress.start(static_cast<int>(max));
}

void stepTo(const Progress& progress, std::size_t position)
{
    if (progress.step)
        progress.step(static_cast<int>(position));
}

void afterStep(const Progress& progress, std::size_t done)
{
    if (progress.afterStep)
        progress.afterStep(done);
}

// An object's name as the lists show it, in capitals: the server compares
// names without regard to the case of a to z.
std::string objectKey(const sqltext::ObjectName& name)
{
    return sqltext::toUpperAscii(sqltext::displayName(name));
}

// The names in their given order, each once.
std::vector<sqltext::ObjectName> distinctNames(const std::vector<sqltext::ObjectName>& names)
{
    std::vector<sqltext::ObjectName> out;
    std::unordered_set<std::string> seen;
    for (const sqltext::ObjectName& name : names)
        if (seen.insert(objectKey(name)).second)
            out.push_back(name);
    return out;
}

} // namespace

void writeProcedureScript(Engine& engine, const std::vector<sqltext::ObjectName>& procedures,
                          const std::string& path, const Progress& progress)
{
    const std::vector<sqltext::ObjectName> names = distinctNames(procedures);
    if (names.empty())
        throw Error("No procedure is chosen for the script.");
    ReplacingFile file(path, engine.databaseFile());

    // The ordering looks at the lines that can execute a procedure; each text
    // is kept in one piece and cut into lines again when written, so the
    // whole script is never held as lines.
    std::vector<sqltext::ScriptProcedure> entries;
    std::vector<std::string> texts;
    std::vector<sqltext::ProcedureSettings> settings;
    entries.reserve(names.size());
    texts.reserve(names.size());
    settings.reserve(names.size());
    startPhase(progress, names.size());
    // The texts are read in one transaction: they come from one state of the
    // catalog, and the engine need not take its locks again for each.
    {
        Transaction transaction(engine);
        for (const sqltext::ObjectName& name : names) {
            // The text is written as it is, byte for byte.
            std::string text = sqltext::joinRows(engine.procedureText(name));
            if (text.empty())
                throw Error("The procedure '" + sqltext::displayName(name) + "' has no text.");
            entries.push_back({name, sqltext::callingLines(text)});
            texts.push_back(std::move(text));
            settings.push_back(engine.procedureSettings(name));
            stepTo(progress, entries.size());
            afterStep(progress, entries.size());
        }
        transaction.commit();
    }

    startPhase(progress, entries.size());
    std::size_t scanned = 0;
    const auto order = sqltext::scriptOrder(entries, [&] {
        stepTo(progress, std::min(++scanned, entries.size()));
    });

    startPhase(progress, order.size());
    std::string buffer;
    buffer.reserve(kChunk + 4096);
    std::size_t written = 0;
    for (std::size_t index : order) {
        buffer += sqltext::procedureBlock(entries[index].name, settings[index], texts[index]);
        if (buffer.size() >= kChunk) {
            file.write(buffer);
            buffer.clear();
        }
        stepTo(progress, ++written);
        afterStep(progress, entries.size() + written);
    }
    file.write(buffer);
    file.commit();
}

void writeDataScript(Engine& engine, const std::vector<sqltext::ObjectName>& tables,
                     const std::string& path, const Progress& progress)
{
    writeDataScript(engine, tables, path, DataScriptSettings{}, progress);
}

DataTables planDataTables(Engine& engine, const std::vector<sqltext::ObjectName>& tables,
                          const DataScriptSettings& settings)
{
    std::vector<sqltext::ObjectName> names = distinctNames(tables);
    if (names.empty())
        throw Error("No table is chosen for the script.");
    std::vector<std::string> conditions(names.size());
    for (const auto& entry : settings.conditions) {
        const sqltext::ObjectName& table = entry.first;
        const std::string& condition = entry.second;
        if (condition.find_first_not_of(" \t\r\n") == std::string::npos)
            continue;
        const std::string key = objectKey(table);
        auto found = std::find_if(names.begin(), names.end(), [&](const sqltext::ObjectName& name) {
            return objectKey(name) == key;
        });
        if (found == names.end())
            throw Error("The condition for '" + sqltext::displayName(table)
                        + "' names a table that is not scripted.");
        std::string& slot = conditions[static_cast<std::size_t>(found - names.begin())];
        if (!slot.empty())
            throw Error("The table '" + sqltext::displayName(table)
                        + "' has more than one condition.");
        slot = condition;
    }
    if (settings.orderByKeys) {
        std::vector<std::string> keys;
        std::vector<std::vector<std::string>> referenced;
        for (const sqltext::ObjectName& table : names) {
            keys.push_back(objectKey(table));
            referenced.emplace_back();
            for (const sqltext::ObjectName& parent : engine.referencedTables(table))
                referenced.back().push_back(objectKey(parent));
        }
        std::vector<sqltext::ObjectName> ordered;
        std::vector<std::string> orderedConditions;
        for (std::size_t i : sqltext::foreignKeyOrder(keys, referenced)) {
            ordered.push_back(names[i]);
            orderedConditions.push_back(conditions[i]);
        }
        names = std::move(ordered);
        conditions = std::move(orderedConditions);
    }
    // Checked before a file is touched.
    sqltext::DataScriptWriter writer({}, kChunk, settings.format);
    return {std::move(names), std::move(conditions)};
}

void writeDataRows(Engine& engine, const DataTables& tables,
                   const sqltext::DataScriptOptions& format,
                   const std::function<void(std::string_view)>& write, const Progress& progress)
{
    const std::vector<sqltext::ObjectName>& names = tables.names;
    const std::vector<std::string>& conditions = tables.conditions;
    std::size_t done = 0;
    // Each piece written reports the position again, so that a long table
    // does not leave the caller without word (or a chance to cancel).
    sqltext::DataScriptWriter writer(
        [&](std::string_view chunk) {
            write(chunk);
            stepTo(progress, done);
        },
        kChunk, format);
    if (progress.rowsTotal) {
        std::uint64_t total = 0;
        bool counted = true;
        for (std::size_t i = 0; i < names.size() && counted; ++i) {
            const auto rows = engine.countRows(names[i], conditions[i]);
            counted = rows.has_value();
            total += rows.value_or(0);
        }
        if (counted)
            progress.rowsTotal(total);
    }
    startPhase(progress, names.size());
    std::size_t rowsWritten = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const sqltext::ObjectName& table = names[i];
        auto rows = engine.openRows(table, conditions[i]);
        const std::vector<sqltext::ColumnDesc>& columns = rows->columns();
        writer.beginTable(table, columns);
        std::vector<sqltext::Value> values(columns.size());
        while (rows->next()) {
            for (std::size_t column = 0; column < values.size(); ++column)
                rows->readValue(column, values[column]);
            writer.writeRow(values);
            afterStep(progress, ++rowsWritten);
        }
        writer.endTable();
        stepTo(progress, ++done);
    }
    writer.flush();
}

void writeDataScript(Engine& engine, const std::vector<sqltext::ObjectName>& tables,
                     const std::string& path, const DataScriptSettings& settings,
                     const Progress& progress)
{
    const DataTables planned = planDataTables(engine, tables, settings);
    ReplacingFile file(path, engine.databaseFile());
    writeDataRows(engine, planned, settings.format,
                  [&](std::string_view chunk) { file.write(chunk); }, progress);
    file.commit();
}

} // namespace varnett::data
