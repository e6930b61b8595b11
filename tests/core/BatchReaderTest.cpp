#include "sqltext/BatchReader.h"
#include "sqltext/Error.h"
#include "sqltext/TransactionRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using varnett::sqltext::BatchReader;
using varnett::sqltext::ScriptBatch;
using varnett::sqltext::statementRefusedInTransaction;

namespace {

struct Read {
    std::string text;
    std::size_t number;
    std::size_t line;
    bool operator==(const Read&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Read& r)
{
    return out << "{" << r.number << ", line " << r.line << ": \"" << r.text << "\"}";
}

std::vector<Read> readAll(BatchReader& reader)
{
    std::vector<Read> out;
    ScriptBatch batch;
    while (reader.next(batch))
        out.push_back({batch.text, batch.number, batch.line});
    return out;
}

// A reader that gets the script `chunk` bytes at a time.
std::vector<Read> readInChunks(const std::string& script, std::size_t chunk)
{
    std::size_t at = 0;
    BatchReader reader(
        [&](char* buffer, std::size_t size) {
            std::size_t n = std::min({size, chunk, script.size() - at});
            std::memcpy(buffer, script.data() + at, n);
            at += n;
            return n;
        },
        chunk);
    auto batches = readAll(reader);
    EXPECT_EQ(reader.bytesRead(), script.size());
    return batches;
}

} // namespace

TEST(BatchReader, BatchesKeepTheirBytesAndNameTheirFirstLine)
{
    const std::string script = "\xEF\xBB\xBF"
                               "create table t (x int)\r\n"   // 1
                               " go \r\n"                      // 2
                               "\r\n"                          // 3
                               "GO\r\n"                        // 4
                               "\r\n"                          // 5
                               "  insert into t values (1);\n" // 6
                               "insert into t values ('a\nGO x')\n"  // 7, 8
                               "Go\n"                          // 9
                               "  \t\n"                        // 10
                               "gO\n"                          // 11
                               "last line";                    // 12
    const std::vector<Read> expected = {
        {"create table t (x int)", 1, 1},
        {"\r\n  insert into t values (1);\ninsert into t values ('a\nGO x')", 2, 6},
        {"last line", 3, 12},
    };
    BatchReader whole(script);
    EXPECT_EQ(readAll(whole), expected);
    EXPECT_EQ(whole.bytesRead(), script.size());
    // Any chunk size gives the same batches, the byte order mark cut or not.
    for (std::size_t chunk : {16u, 17u, 23u, 64u, 1000u})
        EXPECT_EQ(readInChunks(script, chunk), expected) << "chunk " << chunk;
}

TEST(BatchReader, Utf16CutAnywhereReadsAsItsUtf8)
{
    // "x\r\nGO\r\n" then a second batch with a character outside the BMP.
    const std::u16string text = u"select N'\u00E9'\r\nGO\r\ninsert into t values (N'\U0001F600')";
    const std::vector<Read> expected = {
        {"select N'\xC3\xA9'", 1, 1},
        {"insert into t values (N'\xF0\x9F\x98\x80')", 2, 3},
    };
    for (bool bigEndian : {false, true}) {
        std::string script = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : text) {
            char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
            script += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        BatchReader whole(script);
        EXPECT_EQ(readAll(whole), expected);
        // Chunks cut the mark, code units and the surrogate pair; the bytes
        // read still come to the whole file.
        for (std::size_t chunk : {16u, 17u, 19u, 23u, 64u})
            EXPECT_EQ(readInChunks(script, chunk), expected) << "chunk " << chunk;
    }
}

TEST(BatchReader, ANulCharacterNamesItsLine)
{
    using namespace std::string_literals;
    const std::pair<std::string, std::size_t> cases[] = {
        {"a\0"s, 1},
        {"select 1\r\nGO\r\ninsert into t values ('a\0b')\r\n"s, 3},
        {"\n\n\n\0\0"s, 4},
    };
    for (const auto& [script, line] : cases) {
        for (std::size_t chunk : {16u, 1000u}) {
            std::string message;
            try {
                readInChunks(script, chunk);
            } catch (const varnett::Error& e) {
                message = e.what();
            }
            EXPECT_EQ(message, "Line " + std::to_string(line) + " of the script holds a NUL character.");
        }
    }
}

TEST(BatchReader, EmptyAndBlankScriptsHoldNoBatch)
{
    for (const std::string script : {"", "\r\n", "GO", "  \r\nGO\r\n\t\r\ngo", "\xEF\xBB\xBF"}) {
        BatchReader reader(script);
        EXPECT_TRUE(readAll(reader).empty()) << script;
    }
    // Only the line break after the last line is taken off.
    BatchReader reader(std::string_view("x\r\n\r\n"));
    EXPECT_EQ(readAll(reader), (std::vector<Read>{{"x\r\n", 1, 1}}));
}

TEST(TransactionRules, StatementsATransactionCannotHoldAreFound)
{
    struct Case {
        const char* batch;
        const char* found;      // nullptr: none
    };
    const Case cases[] = {
        {"CREATE DATABASE Sales", "CREATE DATABASE"},
        {"use master\r\ncreate  database [x]", "CREATE DATABASE"},
        {"alter database Sales set recovery simple", "ALTER DATABASE"},
        {"IF DB_ID('x') IS NOT NULL DROP DATABASE x", "DROP DATABASE"},
        {"BACKUP DATABASE Sales TO DISK = 'a.bak'", "BACKUP"},
        {"restore database Sales from disk = 'a.bak'", "RESTORE"},
        {"EXEC sp_configure 'x', 1; RECONFIGURE", "RECONFIGURE"},
        {"CREATE FULLTEXT CATALOG ft", "CREATE FULLTEXT CATALOG"},
        {"drop fulltext index on T", "DROP FULLTEXT INDEX"},
        {"insert into T values ('CREATE DATABASE x')", nullptr},
        {"insert into T values (N'it''s BACKUP time')", nullptr},
        {"-- CREATE DATABASE x\r\nselect 1", nullptr},
        // A lone CR ends a comment, as it ends the line for the editor.
        {"--x\rBACKUP DATABASE Sales TO DISK = 'a.bak'", "BACKUP"},
        {"/* outer /* BACKUP */ RESTORE */ select 1", nullptr},
        {"select [backup], \"restore\" from T", nullptr},
        {"declare @backup int", nullptr},
        {"CREATE DATABASE SCOPED CREDENTIAL c WITH IDENTITY = 'x'", nullptr},
        {"create table databases (x int)", nullptr},
        {"CREATE FULLTEXT STOPLIST s", nullptr},
    };
    for (const Case& c : cases) {
        auto found = statementRefusedInTransaction(c.batch);
        if (c.found)
            EXPECT_EQ(found, std::optional<std::string>(c.found)) << c.batch;
        else
            EXPECT_EQ(found, std::nullopt) << c.batch;
    }
}
