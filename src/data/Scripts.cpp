#include "data/Scripts.h"

#include "data/ReadAhead.h"
#include "data/ReplacingFile.h"
#include "data/RowBlocks.h"
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
#include <functional>
#include <optional>
#include <unordered_set>

namespace varnett::data {

namespace {

constexpr std::size_t kChunk = 1 << 16;
// The procedure texts the procedure script keeps from its first reading.
constexpr std::size_t kHeldTexts = 24u << 20;


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
    writeProcedureScript(engine, procedures, path, progress, kHeldTexts);
}

void writeProcedureScript(Engine& engine, const std::vector<sqltext::ObjectName>& procedures,
                          const std::string& path, const Progress& progress,
                          std::size_t heldTexts)
{
    const std::vector<sqltext::ObjectName> names = distinctNames(procedures);
    if (names.empty())
        throw Error("No procedure is chosen for the script.");
    ReplacingFile file(path, engine.databaseFile());

    // The ordering looks only at the lines that can execute a procedure.
    // The texts themselves are kept while they fit in heldTexts; the others
    // are read a second time when their turn comes, so that a large script
    // is never held whole.
    struct Source {
        std::optional<std::string> text;    // the text, while it is held
        std::size_t size = 0;
        std::size_t hash = 0;
    };
    std::vector<sqltext::ScriptProcedure> entries;
    std::vector<Source> sources;
    std::vector<sqltext::ProcedureSettings> settings;
    entries.reserve(names.size());
    sources.reserve(names.size());
    settings.reserve(names.size());
    std::size_t held = 0;
    startPhase(progress, names.size());
    // Everything is read in one transaction: the texts come from one state of
    // the catalog, and the engine need not take its locks again for each.
    Transaction transaction(engine);
    {
        // The texts are read on a thread of their own while the ones read
        // before are looked through for calls.
        struct Read {
            std::string text;
            sqltext::ProcedureSettings settings;
        };
        ReadAhead<Read> reads(names.size(), [&](std::size_t i) {
            return Read{engine.procedureSource(names[i]), engine.procedureSettings(names[i])};
        });
        for (const sqltext::ObjectName& name : names) {
            // The text is written as it is, byte for byte.
            Read read = reads.next();
            std::string& text = read.text;
            if (text.empty())
                throw Error("The procedure '" + sqltext::displayName(name) + "' has no text.");
            entries.push_back({name, sqltext::callingLines(text)});
            Source source{std::nullopt, text.size(), std::hash<std::string_view>{}(text)};
            if (held + text.size() <= heldTexts) {
                held += text.size();
                source.text = std::move(text);
            }
            sources.push_back(std::move(source));
            settings.push_back(read.settings);
            stepTo(progress, entries.size());
            afterStep(progress, entries.size());
        }
    }

    startPhase(progress, entries.size());
    std::size_t scanned = 0;
    const auto order = sqltext::scriptOrder(entries, [&] {
        stepTo(progress, std::min(++scanned, entries.size()));
    });

    startPhase(progress, order.size());
    // The texts not kept are read again ahead of their turn.
    std::vector<std::size_t> readAgain;
    for (std::size_t index : order)
        if (!sources[index].text)
            readAgain.push_back(index);
    ReadAhead<std::string> rereads(readAgain.size(), [&](std::size_t i) {
        return engine.procedureSource(entries[readAgain[i]].name);
    });
    std::string buffer;
    buffer.reserve(kChunk + 4096);
    std::size_t written = 0;
    for (std::size_t index : order) {
        Source& source = sources[index];
        const sqltext::ObjectName& name = entries[index].name;
        if (source.text) {
            sqltext::appendProcedureBlock(buffer, name, settings[index], *source.text);
            source.text.reset();
        } else {
            const std::string text = rereads.next();
            // The order was made from the text read before; a text changed
            // since (where the server lets a transaction see changes) might
            // need another order.
            if (text.size() != source.size || std::hash<std::string_view>{}(text) != source.hash)
                throw Error("The procedure '" + sqltext::displayName(name)
                            + "' was changed while the script was written; write the script"
                              " again.");
            sqltext::appendProcedureBlock(buffer, name, settings[index], text);
        }
        if (buffer.size() >= kChunk) {
            file.write(buffer);
            buffer.clear();
        }
        stepTo(progress, ++written);
        afterStep(progress, entries.size() + written);
    }
    transaction.commit();
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
        {
            // The rows are read on a thread of their own while these are
            // written; the cursor is the reader's until the blocks are gone.
            RowBlocks blocks(*rows);
            const std::size_t width = columns.size();
            while (const RowBlocks::Block* block = blocks.next()) {
                for (std::size_t row = 0; row < block->rows; ++row) {
                    writer.writeRow(std::span(block->values.data() + row * width, width));
                    afterStep(progress, ++rowsWritten);
                }
            }
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
