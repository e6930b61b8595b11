#include "data/Scripts.h"

#include "data/ReplacingFile.h"
#include "data/Transaction.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Batches.h"
#include "sqltext/DataScript.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureFilter.h"
#include "sqltext/ProcedureText.h"
#include "sqltext/ScriptText.h"

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

// The names in their given order, each once (names compare without regard
// to the case of a to z, as the server compares them).
std::vector<std::string> distinctNames(const std::vector<std::string>& names)
{
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (const std::string& name : names)
        if (seen.insert(sqltext::toUpperAscii(name)).second)
            out.push_back(name);
    return out;
}

// The batches of a script: the text between the lines that hold only GO,
// exactly as it stands, without the line break after its last line. Unlike a
// batch rebuilt from its lines, a line break inside a string keeps its own
// bytes (a value holding a lone LF loads back as it was). Batches of blanks
// only are left out; a UTF-8 byte order mark at the start is skipped.
std::vector<std::string_view> scriptBatches(std::string_view script)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (script.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        script.remove_prefix(kByteOrderMark.size());

    std::vector<std::string_view> batches;
    std::size_t batchStart = 0;
    auto finish = [&](std::size_t end) {
        std::string_view batch = script.substr(batchStart, end - batchStart);
        if (!batch.empty() && batch.back() == '\n')
            batch.remove_suffix(1);
        if (!batch.empty() && batch.back() == '\r')
            batch.remove_suffix(1);
        if (batch.find_first_not_of(" \t\r\n\f\v") != std::string_view::npos)
            batches.push_back(batch);
    };
    std::size_t pos = 0;
    while (pos < script.size()) {
        std::size_t end = script.find('\n', pos);
        if (end == std::string_view::npos)
            end = script.size();
        std::size_t next = std::min(end + 1, script.size());
        if (sqltext::isGoLine(script.substr(pos, end - pos))) {
            finish(pos);
            batchStart = next;
        }
        pos = next;
    }
    finish(script.size());
    return batches;
}

// The lines of a procedure text that can execute a procedure: those holding
// EXEC (or EXECUTE) in any letter case; no other line names a callee. A line
// is what lies between line break characters (CR, LF), as the text's lines
// are cut.
std::vector<std::string> executingLines(std::string_view text)
{
    using sqltext::lowerAscii;
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    std::vector<std::string> kept;
    std::size_t lineStart = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        char c = text[i];
        if (isBreak(c)) {
            lineStart = i + 1;
        } else if (lowerAscii(c) == 'e' && size - i >= 4 && lowerAscii(text[i + 1]) == 'x'
                   && lowerAscii(text[i + 2]) == 'e' && lowerAscii(text[i + 3]) == 'c') {
            std::size_t end = i + 4;
            while (end < size && !isBreak(text[end]))
                ++end;
            kept.emplace_back(text.substr(lineStart, end - lineStart));
            i = end - 1;
        }
    }
    return kept;
}

} // namespace

void writeProcedureScript(Engine& engine, const std::string& database,
                          const std::vector<std::string>& procedures, const std::string& path,
                          const Progress& progress)
{
    const std::vector<std::string> names = distinctNames(procedures);
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
        for (const std::string& name : names) {
            // The text is written as it is, byte for byte.
            const std::string objectName =
                sqltext::procedureObjectName(database, sqltext::parseObjectName(name));
            std::string text = sqltext::joinRows(engine.procedureText(objectName));
            if (text.empty())
                throw Error("The procedure '" + name + "' has no text.");
            entries.push_back({name, executingLines(text)});
            texts.push_back(std::move(text));
            settings.push_back(engine.procedureSettings(objectName));
            stepTo(progress, entries.size());
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
    }
    file.write(buffer);
    file.commit();
}

void writeDataScript(Engine& engine, const std::vector<std::string>& tables,
                     const std::string& path, const Progress& progress)
{
    const std::vector<std::string> names = distinctNames(tables);
    if (names.empty())
        throw Error("No table is chosen for the script.");
    ReplacingFile file(path, engine.databaseFile());

    std::size_t done = 0;
    // Each piece written reports the position again, so that a long table
    // does not leave the caller without word (or a chance to cancel).
    sqltext::DataScriptWriter writer(
        [&](std::string_view chunk) {
            file.write(chunk);
            stepTo(progress, done);
        },
        kChunk);
    startPhase(progress, names.size());
    for (const std::string& table : names) {
        auto rows = engine.openTable(table);
        writer.writeTable(table, *rows);
        stepTo(progress, ++done);
    }
    writer.flush();
    file.commit();
}

void loadScript(Engine& engine, std::string_view script, const Progress& progress)
{
    // Refused before any batch runs: nothing of a script that cannot be
    // read whole is loaded.
    sqltext::checkNoNul(script);
    const std::vector<std::string_view> batches = scriptBatches(script);
    startPhase(progress, batches.size());
    std::string batch;
    for (std::size_t i = 0; i < batches.size(); ++i) {
        batch.assign(batches[i]);
        try {
            engine.executeBatch(batch);
        } catch (const Error& error) {
            throw Error("Batch " + std::to_string(i + 1) + ": " + error.what());
        }
        stepTo(progress, i + 1);
    }
}

} // namespace varnett::data
