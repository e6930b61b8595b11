#include "data/Scripts.h"

#include "data/Error.h"
#include "sqltext/Batches.h"
#include "sqltext/DataScript.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureFilter.h"
#include "sqltext/ProcedureText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <unordered_set>

namespace varnett::data {

namespace {

constexpr std::size_t kChunk = 1 << 16;

std::string systemMessage(int error)
{
    return std::strerror(error);
}

// A file written under a temporary name beside its target and renamed over
// the target by commit(). Until then the target is untouched; a file that is
// not committed is removed when the object goes.
class ReplacingFile {
public:
    explicit ReplacingFile(std::string target) : m_target(std::move(target))
    {
        if (m_target.empty())
            throw Error("No file name is given for the script.");
        struct stat existing {};
        bool exists = ::stat(m_target.c_str(), &existing) == 0;
        if (exists && S_ISDIR(existing.st_mode))
            throw Error("'" + m_target + "' is a folder, not a file.");

        static std::atomic<unsigned> counter{0};
        static const unsigned seed = std::random_device{}();
        for (int attempt = 0; m_fd < 0; ++attempt) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".%08x.tmp", seed + 7919 * counter++);
            m_temp = m_target + suffix;
            m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && (errno != EEXIST || attempt >= 100))
                fail(errno);
        }
        // A replaced file keeps its permissions.
        if (exists && S_ISREG(existing.st_mode))
            ::fchmod(m_fd, existing.st_mode & 07777);
    }

    ~ReplacingFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed && !m_temp.empty())
            ::unlink(m_temp.c_str());
    }

    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                fail(errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    void commit()
    {
        if (::fdatasync(m_fd) != 0 && errno != EINVAL)
            fail(errno);
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            fail(errno);
        if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
            fail(errno);
        m_committed = true;
    }

private:
    [[noreturn]] void fail(int error) const
    {
        throw Error("Cannot write the file '" + m_target + "': " + systemMessage(error) + ".");
    }

    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    bool m_committed = false;
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
            // The rows joined, as procedureLines joins them before cutting
            // the text at its own line breaks (done here when it is written).
            const auto rows = engine.procedureText(sqltext::procedureObjectName(database, name));
            std::size_t size = 0;
            for (const std::string& row : rows)
                size += row.size();
            std::string text;
            text.reserve(size);
            for (const std::string& row : rows)
                text += row;
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

    sqltext::DataScriptWriter writer([&](std::string_view chunk) { file.write(chunk); }, kChunk);
    startPhase(progress, names.size());
    std::size_t done = 0;
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
