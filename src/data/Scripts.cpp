#include "data/Scripts.h"

#include "sqltext/Error.h"
#include "sqltext/Batches.h"
#include "sqltext/DataScript.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureFilter.h"
#include "sqltext/ProcedureText.h"

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
    const std::vector<std::string> names = distinctNames(tables);
    if (names.empty())
        throw Error("No table is chosen for the script.");
    ReplacingFile file(path);

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
