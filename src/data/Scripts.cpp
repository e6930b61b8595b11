#include "data/Scripts.h"

#include "sqltext/Error.h"
#include "sqltext/DataScript.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureFilter.h"
#include "sqltext/ProcedureText.h"
#include "sqltext/TableOrder.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <unordered_set>

namespace varnett::data {

namespace {

constexpr std::size_t kChunk = 1 << 16;

// A file written under a temporary name beside its target and put in the
// target's place by commit(). Until then the target is untouched; a file that
// is not committed is removed when the object goes.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& target)
        : m_target(target), m_file(QString::fromStdString(target))
    {
        if (target.empty())
            throw Error("No file name is given for the script.");
        if (QFileInfo(m_file.fileName()).isDir())
            throw Error("'" + target + "' is a folder, not a file.");
        if (!m_file.open(QIODevice::WriteOnly))
            fail();
    }

    void write(std::string_view bytes)
    {
        if (m_file.write(bytes.data(), static_cast<qint64>(bytes.size()))
            != static_cast<qint64>(bytes.size()))
            fail();
    }

    void commit()
    {
        if (!m_file.commit())
            fail();
    }

private:
    [[noreturn]] void fail() const
    {
        throw Error("Cannot write the file '" + m_target + "': "
                    + m_file.errorString().toStdString() + ".");
    }

    std::string m_target;
    QSaveFile m_file;
};

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

// The lines of a procedure text that can execute a procedure: those holding
// EXEC (or EXECUTE) in any letter case; no other line names a callee. A line
// is what lies between line break characters (CR, LF), as the text's lines
// are cut.
std::vector<std::string> executingLines(std::string_view text)
{
    auto lower = [](char c) { return static_cast<char>(c | 0x20); };
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    std::vector<std::string> kept;
    std::size_t lineStart = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        char c = text[i];
        if (isBreak(c)) {
            lineStart = i + 1;
        } else if (lower(c) == 'e' && size - i >= 4 && lower(text[i + 1]) == 'x'
                   && lower(text[i + 2]) == 'e' && lower(text[i + 3]) == 'c') {
            std::size_t end = i + 4;
            while (end < size && !isBreak(text[end]))
                ++end;
            kept.emplace_back(text.substr(lineStart, end - lineStart));
            i = end - 1;
        }
    }
    return kept;
}

void rollbackQuietly(Engine& engine)
{
    try {
        engine.rollback();
    } catch (const Error&) {
        // the first failure is the one to report
    }
}

} // namespace

void writeProcedureScript(Engine& engine, const std::string& database,
                          const std::vector<std::string>& procedures, const std::string& path,
                          const Progress& progress)
{
    const std::vector<std::string> names = distinctNames(procedures);
    if (names.empty())
        throw Error("No procedure is chosen for the script.");
    ReplacingFile file(path);

    // The ordering looks at the lines that can execute a procedure; each text
    // is kept in one piece and cut into lines again when written, so the
    // whole script is never held as lines.
    std::vector<sqltext::ScriptProcedure> entries;
    std::vector<std::string> texts;
    entries.reserve(names.size());
    texts.reserve(names.size());
    startPhase(progress, names.size());
    // The texts are read in one transaction: they come from one state of the
    // catalog, and the engine need not take its locks again for each.
    engine.beginTransaction();
    try {
        for (const std::string& name : names) {
            // The text is cut at its own line breaks when it is written.
            std::string text = sqltext::joinRows(
                engine.procedureText(sqltext::procedureObjectName(database, name)));
            if (text.empty())
                throw Error("The procedure '" + name + "' has no text.");
            entries.push_back({name, executingLines(text)});
            texts.push_back(std::move(text));
            stepTo(progress, entries.size());
        }
    } catch (...) {
        rollbackQuietly(engine);
        throw;
    }
    engine.commit();

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
        const auto lines = sqltext::splitLines(texts[index]);
        for (const std::string& line : sqltext::procedureBlock(entries[index].name, lines)) {
            buffer += line;
            buffer += "\r\n";
            if (buffer.size() >= kChunk) {
                file.write(buffer);
                buffer.clear();
            }
        }
        stepTo(progress, ++written);
    }
    file.write(buffer);
    file.commit();
}

void writeDataScript(Engine& engine, const std::vector<std::string>& tables,
                     const std::string& path, const Progress& progress)
{
    writeDataScript(engine, tables, path, DataScriptSettings{}, progress);
}

void writeDataScript(Engine& engine, const std::vector<std::string>& tables,
                     const std::string& path, const DataScriptSettings& settings,
                     const Progress& progress)
{
    std::vector<std::string> names = distinctNames(tables);
    if (names.empty())
        throw Error("No table is chosen for the script.");
    std::vector<std::string> conditions(names.size());
    for (const auto& [table, condition] : settings.conditions) {
        if (condition.find_first_not_of(" \t\r\n") == std::string::npos)
            continue;
        auto found = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
            return sqltext::toUpperAscii(name) == sqltext::toUpperAscii(table);
        });
        if (found == names.end())
            throw Error("The condition for '" + table + "' names a table that is not scripted.");
        std::string& slot = conditions[static_cast<std::size_t>(found - names.begin())];
        if (!slot.empty())
            throw Error("The table '" + table + "' has more than one condition.");
        slot = condition;
    }
    if (settings.orderByKeys) {
        std::vector<std::vector<std::string>> referenced;
        for (const std::string& table : names)
            referenced.push_back(engine.referencedTables(table));
        std::vector<std::string> ordered;
        std::vector<std::string> orderedConditions;
        for (std::size_t i : sqltext::foreignKeyOrder(names, referenced)) {
            ordered.push_back(names[i]);
            orderedConditions.push_back(conditions[i]);
        }
        names = std::move(ordered);
        conditions = std::move(orderedConditions);
    }
    // Checked before the file is touched.
    sqltext::DataScriptWriter writer({}, kChunk, settings.format);
    ReplacingFile file(path);

    writer = sqltext::DataScriptWriter([&](std::string_view chunk) { file.write(chunk); }, kChunk,
                                       settings.format);
    startPhase(progress, names.size());
    std::size_t done = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& table = names[i];
        auto rows = engine.openRows(table, conditions[i]);
        writer.writeTable(table, *rows);
        stepTo(progress, ++done);
    }
    writer.flush();
    file.commit();
}

} // namespace varnett::data
