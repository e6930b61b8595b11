// Loading scripts: checked whole, then run batch by batch, in one
// transaction unless asked not to, read a chunk at a time.
#include "data/Scripts.h"

#include "data/Transaction.h"
#include "sqltext/BatchReader.h"
#include "sqltext/TransactionRules.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace varnett::data {

namespace {

using sqltext::BatchReader;
using sqltext::ScriptBatch;

constexpr std::uint64_t kReportEvery = 256 * 1024;

std::string batchPrefix(const ScriptBatch& batch)
{
    return "Batch " + std::to_string(batch.number) + " (line " + std::to_string(batch.line)
        + "): ";
}

// Reports progress when enough bytes went by since the last report.
class ProgressReport {
public:
    ProgressReport(const LoadOptions& options, std::uint64_t total, std::size_t batches)
        : m_options(options)
    {
        m_state.bytesTotal = total;
        m_state.batchesTotal = batches;
        send();
    }

    void batchDone(std::uint64_t bytes)
    {
        m_state.bytesDone = bytes;
        ++m_state.batchesDone;
        if (bytes - m_reported >= kReportEvery)
            send();
        if (m_options.afterBatch)
            m_options.afterBatch(m_state.batchesDone);
    }

    void finish(std::uint64_t bytes)
    {
        m_state.bytesDone = bytes;
        send();
    }

private:
    void send()
    {
        m_reported = m_state.bytesDone;
        if (m_options.progress)
            m_options.progress(m_state);
    }

    const LoadOptions& m_options;
    LoadProgress m_state;
    std::uint64_t m_reported = 0;
};

// Before anything runs: the whole script is read, so a NUL character or
// broken UTF-16 anywhere in it stops the load while nothing is done; in a
// transaction no batch may hold what a transaction cannot. Returns the number
// of batches.
struct ScriptCheck {
    std::size_t batches = 0;
    std::vector<std::string> schemas;   // the schemas its CREATE SCHEMA statements name
};

ScriptCheck checkScript(BatchReader& reader, const LoadOptions& options)
{
    ScriptBatch batch;
    ScriptCheck check;
    std::size_t& batches = check.batches;
    while (reader.next(batch)) {
        ++batches;
        if (!options.transaction)
            continue;
        for (std::string& schema : sqltext::schemasCreated(batch.text))
            check.schemas.push_back(std::move(schema));
        if (auto statement = sqltext::statementRefusedInTransaction(batch.text))
            throw TransactionRefused(batchPrefix(batch) + *statement
                                     + " cannot run inside a transaction.");
    }
    return check;
}

void runBatches(Engine& engine, BatchReader& reader, const LoadOptions& options,
                std::uint64_t total, std::size_t batches)
{
    ProgressReport report(options, total, batches);
    ScriptBatch batch;
    while (reader.next(batch)) {
        try {
            engine.executeBatch(batch.text);
        } catch (const Error& error) {
            throw Error(batchPrefix(batch) + error.what());
        }
        report.batchDone(reader.bytesRead());
    }
    report.finish(reader.bytesRead());
}

void runScript(Engine& engine, BatchReader& reader, const LoadOptions& options,
               std::uint64_t total, const ScriptCheck& check)
{
    if (!options.transaction) {
        runBatches(engine, reader, options, total, check.batches);
        return;
    }
    engine.prepareSchemas(check.schemas);
    Transaction transaction(engine);
    runBatches(engine, reader, options, total, check.batches);
    transaction.commit();
}

// A source of bytes over an open file; throws naming the file when reading fails.
BatchReader::Source fileSource(QFile& file, const std::string& name)
{
    return [&file, name](char* buffer, std::size_t size) -> std::size_t {
        qint64 got = file.read(buffer, static_cast<qint64>(size));
        if (got < 0)
            throw Error("Cannot read the file '" + name + "': " + file.errorString().toStdString()
                        + ".");
        return static_cast<std::size_t>(got);
    };
}

} // namespace

void loadScript(Engine& engine, std::string_view script, const LoadOptions& options)
{
    BatchReader check(script);
    const ScriptCheck checked = checkScript(check, options);
    BatchReader reader(script);
    runScript(engine, reader, options, script.size(), checked);
}

void loadScriptFile(Engine& engine, const std::string& path, const LoadOptions& options)
{
    const bool standardInput = path == "-";
    const std::string name = standardInput ? std::string("standard input") : path;
    QFile file;
    if (standardInput) {
        if (!file.open(stdin, QIODevice::ReadOnly))
            throw Error("Cannot read standard input.");
    } else {
        file.setFileName(QString::fromStdString(path));
        if (QFileInfo(file.fileName()).isDir())
            throw Error("Cannot read the file '" + path + "': it is a folder.");
        if (!file.open(QIODevice::ReadOnly))
            throw Error("Cannot read the file '" + path + "': " + file.errorString().toStdString()
                        + ".");
    }

    // The script is checked whole before it runs; input that cannot be read
    // twice is kept in a temporary file while it is checked, and loaded from
    // there.
    QTemporaryFile spool;
    QFile* input = &file;
    std::uint64_t total = file.isSequential() ? 0 : static_cast<std::uint64_t>(file.size());
    BatchReader::Source source = fileSource(file, name);
    if (file.isSequential()) {
        if (!spool.open())
            throw Error("Cannot create a temporary file for " + name + ": "
                        + spool.errorString().toStdString() + ".");
        source = [&, read = std::move(source)](char* buffer, std::size_t size) {
            std::size_t got = read(buffer, size);
            if (spool.write(buffer, static_cast<qint64>(got)) != static_cast<qint64>(got))
                throw Error("Cannot write a temporary file for " + name + ": "
                            + spool.errorString().toStdString() + ".");
            total += got;
            return got;
        };
    }
    BatchReader check(std::move(source));
    const ScriptCheck checked = checkScript(check, options);
    if (file.isSequential()) {
        spool.seek(0);
        input = &spool;
    } else if (!file.seek(0)) {
        throw Error("Cannot read the file '" + path + "' again: " + file.errorString().toStdString()
                    + ".");
    }
    BatchReader reader(fileSource(*input, name));
    runScript(engine, reader, options, total, checked);
}

} // namespace varnett::data
