// Scripts the program reads: their encoding comes from the byte order mark,
// and text the engine would cut short or swallow is refused before anything
// runs.
#include "data/Scripts.h"
#include "sqltext/ScriptText.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

using varnett::data::loadScript;
using varnett::sqltext::checkNoNul;
using varnett::sqltext::scriptTextToUtf8;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using varnett::testing::TempDir;
using varnett::testing::writeFile;
using namespace std::string_literals;

TEST(ScriptReading, EncodingsComeFromTheByteOrderMark)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"UTF-8", "select 'é'\r\nGO\r\n", "select 'é'\r\nGO\r\n"},
        {"UTF-8 with mark", "\xEF\xBB\xBFselect 1", "select 1"},
        {"UTF-16 LE", "\xFF\xFEs\0e\0l\0\xE9\0\n\0"s, "sel\xC3\xA9\n"},
        {"UTF-16 BE", "\xFE\xFF\0s\0e\0l\0\xE9\0\n"s, "sel\xC3\xA9\n"},
        {"UTF-16 LE, three-byte and four-byte characters",
         "\xFF\xFE\xAC\x20=\0\x3D\xD8\x00\xDE"s, "\xE2\x82\xAC=\xF0\x9F\x98\x80"},
        {"UTF-16 BE, four-byte character", "\xFE\xFF\xD8\x3D\xDE\x00"s, "\xF0\x9F\x98\x80"},
        {"UTF-16 mark alone", "\xFF\xFE", ""},
        {"empty", "", ""},
        {"Latin-1 without mark stays as it is", "caf\xE9", "caf\xE9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(scriptTextToUtf8(c.bytes), c.text);
    }

    const std::pair<std::string, const char*> broken[] = {
        {"\xFF\xFEs\0e"s, "The script is UTF-16 text with an odd number of bytes: its end is cut off."},
        {"\xFF\xFEs\0\n\0\x3D\xD8x\0"s,
         "Line 2 of the script holds a broken UTF-16 character (a lone surrogate)."},
        {"\xFE\xFF\xDE\x00"s, "Line 1 of the script holds a broken UTF-16 character (a lone surrogate)."},
    };
    for (const auto& [bytes, message] : broken)
        EXPECT_EQ(errorOf([&bytes = bytes] { scriptTextToUtf8(bytes); }), message);
}

TEST(ScriptReading, ANulCharacterIsAnErrorNamingItsLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"select 1\0"s, "Line 1 of the script holds a NUL character."},
        {"select 1\r\nGO\r\ninsert into T values ('a\0b')\r\n"s,
         "Line 3 of the script holds a NUL character."},
        {"\n\n\n\0\0"s, "Line 4 of the script holds a NUL character."},
        {"select 1\nGO\n"s, "(no error)"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(errorOf([&text = text] { checkNoNul(text); }), message);

    // The engine would stop reading at the NUL and report success; the
    // script is refused before its first batch runs.
    TempDir dir;
    auto engine = freshEngine(dir);
    EXPECT_EQ(errorOf([&] {
                  loadScript(*engine, "create table T (a varchar(9))\nGO\n"
                                      "insert into T values ('a\0b')\nGO\n"s);
              }),
              "Line 3 of the script holds a NUL character.");
    EXPECT_TRUE(engine->listTables().empty());
}

TEST(ScriptReading, AnOpenCommentOrStringInAnyBatchNamesTheBatch)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("create table T (a varchar(20))");
    struct Case {
        std::string script;
        std::string message;
    };
    const Case cases[] = {
        {"insert into T values ('kept')\nGO\ninsert into T values ('x') /* open\nGO\n",
         "Batch 2 (line 3): Missing end comment mark '*/'."},
        {"insert into T values ('kept')\nGO\ninsert into T values ('x) \nGO\n",
         "Batch 2 (line 3): Unclosed quotation mark after the character string 'x) '."},
        {"insert into T values (N'open\n", "Batch 1 (line 1): Unclosed quotation mark after the"
                                           " character string 'open'."},
        {"/* a /* nested */ comment\nselect 1", "Batch 1 (line 1): Missing end comment mark '*/'."},
        {"\n\ncreate procedure P as select 1 /* open",
         "Batch 1 (line 3): Missing end comment mark '*/'."},
    };
    auto count = [&] {
        auto rows = engine->openTable("T"_name);
        int n = 0;
        while (rows->next()) {
            EXPECT_EQ(rows->value(0).bytes, "kept");
            ++n;
        }
        return n;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(errorOf([&] { loadScript(*engine, c.script); }), c.message);
    }
    // In one transaction the batches before the faulty one are undone too.
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(engine->listProcedures().size(), 0u);

    // Batch by batch, only those before it ran; the faulty ones ran nothing.
    varnett::data::LoadOptions loose;
    loose.transaction = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(errorOf([&] { loadScript(*engine, c.script, loose); }), c.message);
    }
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(engine->listProcedures().size(), 0u);
}

TEST(ScriptReading, TheLoaderReadsFilesInEveryEncodingAndRefusesBadOnesWhole)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("create table T (a nvarchar(20))");
    auto utf16 = [](std::u16string_view text, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : text) {
            char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    const std::u16string loaded = u"insert into T values (N'\u00DC\u20AC\U0001F600')\r\nGO\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        std::string error;      // empty: loads one row "Ü€😀"
    };
    const Case cases[] = {
        {"UTF-8", "insert into T values (N'\xC3\x9C\xE2\x82\xAC\xF0\x9F\x98\x80')\nGO\n", ""},
        {"UTF-8 with mark", "\xEF\xBB\xBFinsert into T values (N'\xC3\x9C\xE2\x82\xAC\xF0\x9F\x98\x80')",
         ""},
        {"UTF-16 LE", utf16(loaded, false), ""},
        {"UTF-16 BE", utf16(loaded, true), ""},
        {"NUL in the last batch, rows before it",
         "insert into T values (N'a')\nGO\ninsert into T values (N'b')\nGO\nselect '\0'\n"s,
         "Line 5 of the script holds a NUL character."},
        {"UTF-16 with a NUL", utf16(u"insert into T values (N'a')\r\nGO\r\n\0"s, false),
         "Line 3 of the script holds a NUL character."},
        {"UTF-16 cut short", utf16(loaded, false) + "x",
         "The script is UTF-16 text with an odd number of bytes: its end is cut off."},
        {"UTF-16 lone surrogate", utf16(u"insert into T values (N'a')\r\nGO\r\n\xD83D.", true),
         "Line 3 of the script holds a broken UTF-16 character (a lone surrogate)."},
    };
    for (bool transaction : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (transaction ? ", in a transaction" : ", loose"));
            engine->executeBatch("delete from T");
            writeFile(dir.file("s.sql"), c.bytes);
            varnett::data::LoadOptions options;
            options.transaction = transaction;
            EXPECT_EQ(errorOf([&] { varnett::data::loadScriptFile(*engine, dir.file("s.sql"), options); }),
                      c.error.empty() ? "(no error)" : c.error);
            // A bad script runs no batch at all, with or without a transaction.
            auto rows = engine->openTable("T"_name);
            if (c.error.empty()) {
                ASSERT_TRUE(rows->next());
                EXPECT_EQ(rows->value(0).bytes, "\xC3\x9C\xE2\x82\xAC\xF0\x9F\x98\x80");
            }
            EXPECT_FALSE(rows->next());
        }
    }
    EXPECT_EQ(errorOf([&] { varnett::data::loadScriptFile(*engine, dir.path().string()); }),
              "Cannot read the file '" + dir.path().string() + "': it is a folder.");
}
