// Writes the T-SQL the program generates for a database of awkward names and
// every column type, in dbo and in other schemas: the four generators over
// single fields, all fields and each operator, with every generator option
// and without, the procedure script and the data transfer script (plain and
// with several rows to an INSERT and statements to a batch). Each file
// holds batches separated by lines that are only GO; check-tsql parses them
// with an independent T-SQL parser.
//
// Usage: tsql_corpus FOLDER   (the folder must exist and hold no Awkward.db)
#include "data/Scripts.h"
#include "data/sqlite/SqliteEngine.h"
#include "sqltext/ObjectName.h"
#include "sqltext/Error.h"
#include "sqltext/Generators.h"
#include "../support/Names.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

using namespace varnett;
using namespace varnett::sqltext;

namespace {

// Column definitions, in the embedded engine's T-SQL: awkward names and
// every type the program knows, synonyms included.
const std::string kColumns =
    "([Id Col] INTEGER PRIMARY KEY AUTOINCREMENT, [a b] varchar(50), [a_b] nvarchar(20),"
    " [Select] char(10), [#hash] nchar(5), [@at] text, [1st] ntext, [Größe] int,"
    " [Preis€] smallint, [x😀] tinyint, [nb\u00A0sp] bigint, [a]]b] bit,"
    " [O'Brien] decimal(10,2), [\"q\"] numeric(38,10), [dot.ted] money, [sm] smallmoney,"
    " [Float] float, [real] real, [When] datetime, [sdt] smalldatetime, [d] date, [t] time,"
    " [dt2] datetime2, [dto] datetimeoffset, [bin] binary(4), [vb] varbinary(max), [img] image,"
    " [guid] uniqueidentifier, [sv] sql_variant, [x] xml, [ts] timestamp,"
    " [twice] int GENERATED ALWAYS AS ([Größe] * 2), [vcmax] varchar(max),"
    " [" + std::string(126, 'L') + "] int, [dp] double precision, [dec] dec(5,2),"
    " [cv] character varying(30), [Order] nvarchar(max))";

const std::vector<std::string> kTables = {
    "Order Details", "dbo.Dotted", "a]b", "O'Brien", "Select", "#Hash", "@At", "1stTable",
    "Preis€", "Größe", "x😀", "nb\u00A0sp", "\"quoted\"", std::string(128, 'T'),
};

// Every generator option on.
const GeneratorOptions kAllOptions = {true, true, true, true, true, true};

// Tables in other schemas: a dotted and blank schema name, a bracket in the
// schema and in the name, and a table named as one in dbo.
const std::vector<std::pair<std::string, std::string>> kSchemaTables = {
    {"Sales", "Order Details"}, {"Human Re.s", "a]b"}, {"x]y z", "dot.ted"}, {"Sales", "Select"},
};

std::string bracketed(const std::string& name)
{
    std::string quoted = "[";
    for (char c : name)
        quoted += c == ']' ? std::string("]]") : std::string(1, c);
    return quoted + "]";
}

// Hostile values for the first table: GO lines, NUL, CR, lone LF, quotes,
// characters beyond the BMP, extreme numbers, range-end dates, zero bytes.
const std::string kRows =
    "INSERT INTO [Order Details] ([a b], [a_b], [Select], [@at], [1st], [Größe], [nb\u00A0sp],"
    " [Float], [When], [dt2], [bin], [vb], [sv], [x], [vcmax], [Order]) VALUES"
    " ('line 1' || char(13, 10) || 'GO' || char(13, 10) || 'x', 'O''Neil 😀', 'a' || char(0),"
    " char(10) || '  go  ' || char(10), 'Ωμέγα', -2147483648, -9223372036854775808,"
    " -1.7976931348623157E308, '1753-01-01T00:00:00', '9999-12-31T23:59:59.9999999',"
    " X'00000000', X'', 5000000000, '<a b=\"1\"/>', char(13) || 'lone CR', 'lone' || char(10)"
    " || 'LF]]'); "
    "INSERT INTO [Order Details] ([a b], [sv], [Float], [dto], [guid]) VALUES"
    " ('', 3.14159, 4.9406564584124654E-324, '2020-01-01T00:00:00+05:30',"
    " '6F9619FF-8B86-D011-B42D-00C04FC964FF')";

std::string batchText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

class Corpus {
public:
    explicit Corpus(const std::string& path) : m_out(path, std::ios::binary) {}

    // Adds a generated procedure; a generator's refusal (a field it may not
    // use) is counted, not written.
    void add(const std::function<std::vector<std::string>()>& generate)
    {
        try {
            addRequired(generate);
        } catch (const Error&) {
            ++m_refused;
        }
    }
    // Adds a procedure the generator must write: a refusal ends the run.
    void addRequired(const std::function<std::vector<std::string>()>& generate)
    {
        m_out << batchText(generate()) << "GO\r\n";
        ++m_written;
    }
    int written() const { return m_written; }
    int refused() const { return m_refused; }

private:
    std::ofstream m_out;
    int m_written = 0;
    int m_refused = 0;
};

// The condition row of a field with the operator.
ConditionRow conditionOf(const Field& field, int op)
{
    return {field.name, op, field.typeText, field.declaredType, field.type};
}

void generateAll(Corpus& corpus, const std::string& table, const std::vector<Field>& fields,
                 const TableFacts& facts, bool everyField)
{
    const std::string name = table.size() > 100 ? "P_Long" : table;
    auto proposed = [&](ProcedureKind kind) { return proposedProcedureName(kind, name); };
    std::vector<Field> comparable;
    for (const Field& field : fields)
        if (isComparable(field.type))
            comparable.push_back(field);

    corpus.add([&] { return insertProcedure(table, fields, proposed(ProcedureKind::Insert)); });
    corpus.add([&] { return deleteProcedure(table, comparable, proposed(ProcedureKind::Delete)); });
    const Field& key = fields.front();
    corpus.add([&] {
        return updateProcedure(table, fields, {conditionOf(key, 0)}, proposed(ProcedureKind::Update));
    });
    corpus.addRequired([&] { return selectProcedure(table, fields, {}, proposed(ProcedureKind::Select)); });
    corpus.addRequired([&] {
        return selectProcedure(table, fields, {conditionOf(key, 0), conditionOf(fields[1], 6)},
                               proposed(ProcedureKind::Select));
    });
    // Every option: the key conditions, the new identity and the rowversion
    // check from the catalog's facts.
    corpus.addRequired([&] {
        return insertProcedure(table, fields, proposed(ProcedureKind::Insert), kAllOptions, facts);
    });
    corpus.addRequired([&] {
        return updateProcedure(table, fields, {}, proposed(ProcedureKind::Update), kAllOptions,
                               facts);
    });
    corpus.addRequired([&] {
        return deleteProcedure(table, comparable, proposed(ProcedureKind::Delete), kAllOptions,
                               facts);
    });
    corpus.addRequired([&] {
        return selectProcedure(table, fields, {conditionOf(key, 0)}, proposed(ProcedureKind::Select),
                               kAllOptions);
    });
    if (!everyField)
        return;
    // Single fields, and every field as a condition with each of its operators.
    const Field& setField = fields[1];
    for (const Field& field : fields) {
        corpus.add([&] { return insertProcedure(table, {field}, proposed(ProcedureKind::Insert)); });
        corpus.add([&] { return deleteProcedure(table, {field}, proposed(ProcedureKind::Delete)); });
        if (!isComparable(field.type))
            continue;
        for (int op = 0; op < operatorCount(field.type); ++op)
            corpus.add([&] {
                return updateProcedure(table, {setField, field}, {conditionOf(field, op)},
                                       proposed(ProcedureKind::Update));
            });
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tsql_corpus FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    try {
        data::createSqliteDatabase(folder + "/Awkward.db");
        auto engine = data::openSqliteEngine(folder + "/Awkward.db");
        for (const std::string& table : kTables)
            engine->executeBatch("CREATE TABLE " + bracketed(table) + " " + kColumns);
        engine->executeBatch(kRows);
        std::vector<std::pair<std::string, std::string>> tables;
        for (const std::string& raw : kTables)
            tables.push_back({"dbo", raw});
        std::vector<std::string> schemas;
        for (const auto& [schema, name] : kSchemaTables) {
            if (std::find(schemas.begin(), schemas.end(), schema) == schemas.end()) {
                engine->executeBatch("CREATE SCHEMA " + bracketed(schema));
                schemas.push_back(schema);
            }
            engine->executeBatch("CREATE TABLE " + bracketed(schema) + "." + bracketed(name) + " "
                                 + kColumns);
            tables.push_back({schema, name});
        }

        Corpus corpus(folder + "/generated.sql");
        std::vector<varnett::sqltext::ObjectName> created;
        std::vector<varnett::sqltext::ObjectName> shown;
        for (const auto& [schema, raw] : tables) {
            // The table as the lists name it ("[dbo.Dotted]" is one name in dbo).
            const std::string table = varnett::sqltext::displayName({schema, raw});
            shown.push_back({schema, raw});
            std::vector<Field> fields;
            const auto cursor = engine->openTable(shown.back());
            for (const ColumnDesc& column : cursor->columns())
                fields.push_back(fieldOf(column));
            // The first table with every field; the others, whose point is
            // their name, with a few (the parser's time grows with the text).
            const bool first = schema == "dbo" && raw == kTables.front();
            if (!first)
                fields = {fields[0], fields[1], fields[4], fields[7], fields[12]};
            const TableFacts facts = tableFacts(cursor->columns(), engine->tableKeys(shown.back()));
            generateAll(corpus, table, fields, facts, first);

            // The all-field procedures are created, for the procedure script.
            const std::string name = table.size() > 100 ? "P_Long" : table;
            std::vector<Field> set;
            for (const Field& field : fields)
                if (isComparable(field.type))
                    set.push_back(field);
            engine->executeBatch(batchText(
                insertProcedure(table, fields, proposedProcedureName(ProcedureKind::Insert, name))));
            engine->executeBatch(batchText(
                deleteProcedure(table, set, proposedProcedureName(ProcedureKind::Delete, name))));
            // The Select procedure with every option, CREATE OR ALTER run twice.
            const std::string select = proposedProcedureName(ProcedureKind::Select, name);
            for (int twice = 0; twice < 2; ++twice)
                engine->executeBatch(
                    batchText(selectProcedure(table, fields, {}, select, kAllOptions)));
            for (const std::string& procedure :
                 {proposedProcedureName(ProcedureKind::Insert, name),
                  proposedProcedureName(ProcedureKind::Delete, name), select})
                created.push_back(varnett::sqltext::parseObjectName(procedure));
        }
        engine->executeBatch("CREATE PROCEDURE \"Quoted Proc\" AS\r\n"
                             "  SELECT \"a b\" FROM \"Order Details\"\r\n"
                             "  SELECT 'lone\nLF'\r\n");
        engine->executeBatch("SET QUOTED_IDENTIFIER OFF SET ANSI_NULLS OFF");
        engine->executeBatch("CREATE PROCEDURE Caller AS\r\n  EXEC [SP_INSERT_Order Details] 1\r\n");
        engine->executeBatch("CREATE PROCEDURE [x]]y z].[Cross Caller] AS\r\n"
                             "  EXEC [Human Re.s].[SP_INSERT_a]]b] 1\r\n  EXEC Caller\r\n");
        created.push_back("Quoted Proc"_name);
        created.push_back("Caller"_name);
        created.push_back("[x]]y z].[Cross Caller]"_name);

        data::writeProcedureScript(*engine, created, folder + "/procedures.sql");
        // Tables in T-SQL with every part of a table, referring to each other
        // in a cycle, and views on them and on each other.
        engine->executeBatch(
            "CREATE TABLE [x]]y z].[Pa'rent] ([Id] int IDENTITY(10,-2) NOT NULL,"
            " [Child Id] int NULL, [Name] nvarchar(40) COLLATE Latin1_General_CS_AS NOT NULL"
            " CONSTRAINT [DF_x]]y'] DEFAULT (N'it''s'), [Twice] AS ([Id]*(2)) PERSISTED,"
            " CONSTRAINT [PK_Pa'rent] PRIMARY KEY CLUSTERED ([Id] ASC),"
            " CONSTRAINT [UQ name] UNIQUE NONCLUSTERED ([Name] DESC),"
            " CONSTRAINT [CK]]x] CHECK ([Id]>(0)))\r\n"
            "CREATE TABLE [x]]y z].[Child] ([Id] int NOT NULL PRIMARY KEY, [Parent Id] int"
            " REFERENCES [x]]y z].[Pa'rent] ([Id]) ON DELETE CASCADE)\r\n"
            "CREATE NONCLUSTERED INDEX [IX x]]y] ON [x]]y z].[Child] ([Parent Id] DESC)\r\n"
            "ALTER TABLE [x]]y z].[Pa'rent] ADD CONSTRAINT [FK cycle] FOREIGN KEY ([Child Id])"
            " REFERENCES [x]]y z].[Child] ([Id])\r\n");
        engine->executeBatch("CREATE VIEW [x]]y z].[Parents] AS SELECT [Id], [Name] FROM "
                             "[x]]y z].[Pa'rent]");
        engine->executeBatch("CREATE VIEW [x]]y z].[Parent Names] AS SELECT [Name] FROM "
                             "[x]]y z].[Parents]");
        data::SchemaScriptSettings schema;
        schema.withData = true;
        data::writeSchemaScript(*engine, {}, folder + "/schema.sql", schema);
        schema.options.guarded = true;
        schema.options.dropFirst = true;
        schema.withData = false;
        data::writeSchemaScript(*engine, {}, folder + "/schema-guarded.sql", schema);
        data::writeDataScript(*engine, shown, folder + "/data.sql");
        // The same with several rows to an INSERT and statements to a batch.
        data::DataScriptSettings options;
        options.format = {3, 2};
        options.orderByKeys = true;
        data::writeDataScript(*engine, shown, folder + "/data-options.sql", options);
        std::cout << corpus.written() << " generated procedures (" << corpus.refused()
                  << " refused), " << created.size() << " scripted procedures, "
                  << shown.size() << " tables of data\n";
    } catch (const std::exception& error) {
        std::cerr << "tsql_corpus: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
