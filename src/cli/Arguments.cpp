#include "cli/Arguments.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/NamePattern.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>

namespace varnett::cli {

namespace {

// What a command takes besides its operands.
struct CommandRule {
    std::string_view name;
    std::size_t minOperands;
    std::size_t maxOperands;
    bool fieldsAndName = false;     // --field and --name
    bool where = false;             // --where
    bool out = false;               // --out, then required
    bool dataOptions = false;       // --rows-per-insert, --batch, --order-by-keys
    bool noTransaction = false;     // --no-transaction
    bool run = false;               // --param, --null, --rollback, --format
    bool folder = false;            // --folder, then required
    bool diff = false;              // --diff
    bool schema = false;            // --with-data, --guarded, --drop-first, --no-foreign-keys, --no-indexes
    bool generate = false;          // --kinds (required), --pattern, the generator switches,
                                    // and one of --out, --folder and --create
};

constexpr std::size_t kMany = SIZE_MAX;
constexpr int kMaxBatch = 1000000;

constexpr std::array<CommandRule, 21> kCommands = {{
    {"tables", 0, 0},
    {"fields", 1, 1},
    {"insert", 1, 1, true},
    {"update", 1, 1, true, true},
    {"delete", 1, 1, true},
    {"select", 1, 1, true, true},
    {"procedures", 0, 0},
    {"text", 1, 1},
    {"exec", 1, 1},
    {"drop", 1, kMany},
    {"update-procedure", 1, 1},
    {"proc-script", 1, kMany, false, false, true},
    {"data-script", 1, kMany, false, true, true, true},
    {"load", 1, 1, false, false, false, false, true},
    {"run", 1, 1, false, false, false, false, false, true},
    {"export", 0, kMany, false, false, false, false, false, false, true},
    {"compare", 0, 0, false, false, false, false, false, false, true, true},
    {"deploy", 0, kMany, false, false, false, false, false, false, true},
    {"write-back", 0, kMany, false, false, false, false, false, false, true},
    {"schema-script", 0, kMany, false, true, true, true, false, false, false, false, true},
    {"generate", 0, kMany, false, false, false, false, false, false, false, false, false, true},
}};

constexpr std::array<std::string_view, 4> kKindWords = {"insert", "update", "delete", "select"};

// The schema script's switches.
struct SchemaSwitch {
    std::string_view name;
    bool Invocation::*member;
};
constexpr std::array<SchemaSwitch, 5> kSchemaSwitches = {{
    {"--with-data", &Invocation::withData},
    {"--guarded", &Invocation::guarded},
    {"--drop-first", &Invocation::dropFirst},
    {"--no-foreign-keys", &Invocation::noForeignKeys},
    {"--no-indexes", &Invocation::noIndexes},
}};

// The generator options' switches.
struct OptionSwitch {
    std::string_view name;
    bool sqltext::GeneratorOptions::*member;
};
constexpr std::array<OptionSwitch, 6> kSwitches = {{
    {"--nocount", &sqltext::GeneratorOptions::setNoCount},
    {"--try-catch", &sqltext::GeneratorOptions::tryCatch},
    {"--create-or-alter", &sqltext::GeneratorOptions::createOrAlter},
    {"--identity-output", &sqltext::GeneratorOptions::identityOutput},
    {"--key", &sqltext::GeneratorOptions::keyConditions},
    {"--rowversion", &sqltext::GeneratorOptions::rowversionCheck},
}};

const CommandRule* findCommand(std::string_view name)
{
    for (const CommandRule& rule : kCommands)
        if (rule.name == name)
            return &rule;
    return nullptr;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : m_args(args) {}

    Invocation run()
    {
        // --help, then --version, win over whatever else the line holds.
        for (const std::string& arg : m_args) {
            if (arg == "--")
                break;
            if (arg == "--help" || arg == "-h") {
                m_result.help = true;
                return m_result;
            }
            if (arg == "--version")
                m_result.version = true;
        }
        if (m_result.version)
            return m_result;
        bool optionsEnded = false;
        while (m_pos < m_args.size()) {
            const std::string& arg = m_args[m_pos++];
            if (optionsEnded || arg == "-" || arg.size() < 2 || arg[0] != '-') {
                positional(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else {
                option(arg);
            }
        }
        if (m_result.command.empty())
            throw UsageError("no command given");
        check();
        return m_result;
    }

private:
    void positional(const std::string& arg)
    {
        if (!m_result.command.empty()) {
            m_result.operands.push_back(arg);
            return;
        }
        m_rule = findCommand(arg);
        if (!m_rule)
            throw UsageError("unknown command '" + arg + "'");
        m_result.command = arg;
    }

    void option(const std::string& arg)
    {
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (auto equals = arg.find('='); equals != std::string::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
        }
        if (name == "--connection") {
            once(m_result.connection, name, value(name, inlineValue));
        } else if (name == "--field") {
            m_result.fields.push_back(value(name, inlineValue));
        } else if (name == "--where") {
            m_result.wheres.push_back(value(name, inlineValue));
        } else if (name == "--name") {
            once(m_result.name, name, value(name, inlineValue));
        } else if (name == "--out") {
            once(m_result.out, name, value(name, inlineValue));
        } else if (name == "--folder") {
            once(m_result.folder, name, value(name, inlineValue));
        } else if (name == "--kinds") {
            if (!m_result.kinds.empty())
                throw UsageError("option '--kinds' is given more than once");
            kinds(value(name, inlineValue));
        } else if (name == "--pattern") {
            once(m_result.pattern, name, value(name, inlineValue));
        } else if (name == "--create") {
            if (inlineValue)
                throw UsageError("option '" + name + "' takes no value");
            m_result.create = true;
        } else if (name == "--diff") {
            if (inlineValue)
                throw UsageError("option '" + name + "' takes no value");
            m_result.diff = true;
        } else if (name == "--rows-per-insert") {
            number(m_result.rowsPerInsert, name, value(name, inlineValue), 1000);
        } else if (name == "--batch") {
            number(m_result.batch, name, value(name, inlineValue), kMaxBatch);
        } else if (name == "--param") {
            const std::string text = value(name, inlineValue);
            const auto equals = text.find('=');
            if (equals == std::string::npos || equals == 0)
                throw UsageError("--param needs NAME=VALUE, not '" + text + "'");
            m_result.parameters.emplace_back(text.substr(0, equals), text.substr(equals + 1));
        } else if (name == "--null") {
            const std::string text = value(name, inlineValue);
            if (text.empty())
                throw UsageError("--null needs a parameter name");
            m_result.parameters.emplace_back(text, std::nullopt);
        } else if (name == "--format") {
            once(m_result.format, name, value(name, inlineValue));
            if (*m_result.format != "tsv" && *m_result.format != "csv" && *m_result.format != "json")
                throw UsageError("--format is tsv, csv or json, not '" + *m_result.format + "'");
        } else if (name == "--rollback") {
            if (inlineValue)
                throw UsageError("option '" + name + "' takes no value");
            m_result.rollback = true;
        } else if (name == "--order-by-keys" || name == "--no-transaction") {
            if (inlineValue)
                throw UsageError("option '" + name + "' takes no value");
            (name == "--order-by-keys" ? m_result.orderByKeys : m_result.noTransaction) = true;
        } else if (const SchemaSwitch* schema = findSchemaSwitch(name)) {
            if (inlineValue)
                throw UsageError("option '" + name + "' takes no value");
            m_result.*(schema->member) = true;
            m_schemaSwitches.push_back(name);
        } else if (const OptionSwitch* option = findSwitch(name)) {
            if (inlineValue)
                throw UsageError("option '" + name + "' takes no value");
            m_result.options.*(option->member) = true;
            m_switches.push_back(name);
        } else {
            throw UsageError("unknown option '" + name + "'");
        }
    }

    // "insert,update": each kind once, in any letter case.
    void kinds(const std::string& text)
    {
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = text.find(',', start);
            const std::string word = sqltext::toLowerAscii(sqltext::trim(
                std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos
                                                                                : comma - start),
                sqltext::isSpaceOrTab));
            if (std::find(kKindWords.begin(), kKindWords.end(), word) == kKindWords.end())
                throw UsageError("--kinds takes insert, update, delete and select, separated by"
                                 " commas, not '" + text + "'");
            if (std::find(m_result.kinds.begin(), m_result.kinds.end(), word) != m_result.kinds.end())
                throw UsageError("--kinds names '" + word + "' more than once");
            m_result.kinds.push_back(word);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }

    static const SchemaSwitch* findSchemaSwitch(std::string_view name)
    {
        for (const SchemaSwitch& option : kSchemaSwitches)
            if (option.name == name)
                return &option;
        return nullptr;
    }

    static const OptionSwitch* findSwitch(std::string_view name)
    {
        for (const OptionSwitch& option : kSwitches)
            if (option.name == name)
                return &option;
        return nullptr;
    }

    std::string value(const std::string& name, const std::optional<std::string>& inlineValue)
    {
        if (inlineValue)
            return *inlineValue;
        if (m_pos >= m_args.size())
            throw UsageError("option '" + name + "' needs a value");
        return m_args[m_pos++];
    }

    // A whole number from 1 to max.
    static void number(std::optional<int>& slot, const std::string& name, const std::string& text,
                       int max)
    {
        if (slot)
            throw UsageError("option '" + name + "' is given more than once");
        int result = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
        if (text.empty() || error != std::errc() || end != text.data() + text.size() || result < 1
            || result > max)
            throw UsageError("option '" + name + "' needs a whole number from 1 to "
                             + std::to_string(max) + ", not '" + text + "'");
        slot = result;
    }

    static void once(std::optional<std::string>& slot, const std::string& name, std::string value)
    {
        if (slot)
            throw UsageError("option '" + name + "' is given more than once");
        slot = std::move(value);
    }

    void check() const
    {
        const std::string& command = m_result.command;
        auto refuse = [&](std::string_view option) {
            throw UsageError("command '" + command + "' takes no " + std::string(option));
        };
        if (!m_rule->fieldsAndName && !m_result.fields.empty())
            refuse("--field");
        if (!m_rule->fieldsAndName && m_result.name)
            refuse("--name");
        if (!m_rule->where && !m_result.wheres.empty())
            refuse("--where");
        if (m_rule->generate) {
            checkGenerate();
        } else {
            if (!m_rule->out && m_result.out)
                refuse("--out");
            if (m_rule->out && !m_result.out)
                throw UsageError("command '" + command + "' needs --out FILE");
            if (!m_rule->folder && m_result.folder)
                refuse("--folder");
            if (m_rule->folder && !m_result.folder)
                throw UsageError("command '" + command + "' needs --folder DIR");
            if (!m_result.kinds.empty())
                refuse("--kinds");
            if (m_result.pattern)
                refuse("--pattern");
            if (m_result.create)
                refuse("--create");
        }
        if (!m_rule->diff && m_result.diff)
            refuse("--diff");
        if (!m_rule->dataOptions) {
            if (m_result.rowsPerInsert)
                refuse("--rows-per-insert");
            if (m_result.batch)
                refuse("--batch");
            if (m_result.orderByKeys)
                refuse("--order-by-keys");
        }
        if (!m_rule->noTransaction && m_result.noTransaction)
            refuse("--no-transaction");
        if (!m_rule->run) {
            if (!m_result.parameters.empty())
                refuse(m_result.parameters.front().second ? "--param" : "--null");
            if (m_result.rollback)
                refuse("--rollback");
            if (m_result.format)
                refuse("--format");
        }
        if (!m_rule->fieldsAndName && !m_rule->generate && !m_switches.empty())
            refuse(m_switches.front());
        if (!m_rule->schema && !m_schemaSwitches.empty())
            refuse(m_schemaSwitches.front());
        // The schema script writes rows, and takes their options, with --with-data only.
        if (m_rule->schema && !m_result.withData) {
            if (!m_result.wheres.empty())
                throw UsageError("--where needs --with-data");
            if (m_result.rowsPerInsert || m_result.batch || m_result.orderByKeys)
                throw UsageError(std::string(m_result.rowsPerInsert ? "--rows-per-insert"
                                             : m_result.batch      ? "--batch"
                                                                   : "--order-by-keys")
                                 + " needs --with-data");
        }
        if (m_rule->dataOptions) {
            std::vector<std::string> tables;
            for (const std::string& where : m_result.wheres) {
                std::string table = sqltext::toUpperAscii(parseTableCondition(where).table);
                if (std::find(tables.begin(), tables.end(), table) != tables.end())
                    throw UsageError("--where names the table '"
                                     + parseTableCondition(where).table + "' more than once");
                tables.push_back(std::move(table));
            }
        } else {
            for (const std::string& where : m_result.wheres)
                parseWhere(where);
        }
        // An UPDATE without a condition would set every row of the table.
        if (command == "update" && m_result.wheres.empty() && !m_result.options.keyConditions)
            throw UsageError("command 'update' needs at least one --where FIELD:OPERATOR");

        std::size_t count = m_result.operands.size();
        if (count < m_rule->minOperands)
            throw UsageError("command '" + command + "' needs "
                             + (m_rule->maxOperands == kMany ? "at least one argument"
                                                             : "an argument"));
        if (count > m_rule->maxOperands)
            throw UsageError("command '" + command + "' takes "
                             + (m_rule->maxOperands == 0 ? std::string("no arguments")
                                                         : "one argument only"));
    }

    void checkGenerate() const
    {
        if (m_result.kinds.empty())
            throw UsageError("command 'generate' needs --kinds insert,update,delete,select");
        const int outputs = (m_result.out ? 1 : 0) + (m_result.folder ? 1 : 0) + (m_result.create ? 1 : 0);
        if (outputs != 1)
            throw UsageError("command 'generate' needs exactly one of --out FILE, --folder DIR and"
                             " --create");
        if (m_result.pattern) {
            try {
                sqltext::checkNamePattern(*m_result.pattern);
            } catch (const Error& wrong) {
                throw UsageError(wrong.what());
            }
        }
    }

    const std::vector<std::string>& m_args;
    std::size_t m_pos = 0;
    const CommandRule* m_rule = nullptr;
    Invocation m_result;
    std::vector<std::string> m_switches;   // the generator switches given, in order
    std::vector<std::string> m_schemaSwitches;   // the schema script's switches given
};

} // namespace

Invocation parseArguments(const std::vector<std::string>& args)
{
    return Parser(args).run();
}

WhereCondition parseWhere(std::string_view text)
{
    static constexpr std::array<std::string_view, 7> kOperators = {
        "=", ">", "<", "<>", ">=", "<=", "LIKE",
    };
    auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        throw UsageError("--where needs FIELD:OPERATOR, not '" + std::string(text) + "'");
    std::string op = sqltext::toUpperAscii(sqltext::trim(text.substr(colon + 1), sqltext::isSpaceOrTab));
    auto found = std::find(kOperators.begin(), kOperators.end(), op);
    if (found == kOperators.end())
        throw UsageError("unknown operator '" + std::string(text.substr(colon + 1))
                         + "' in --where (use =, >, <, <>, >=, <= or LIKE)");
    return {std::string(text.substr(0, colon)), static_cast<int>(found - kOperators.begin())};
}

TableCondition parseTableCondition(std::string_view text)
{
    auto colon = text.find(':');
    auto blank = [](std::string_view part) {
        return sqltext::trim(part, sqltext::isSpaceOrTab).empty();
    };
    if (colon == std::string_view::npos || blank(text.substr(0, colon))
        || blank(text.substr(colon + 1)))
        throw UsageError("--where needs TABLE:CONDITION, not '" + std::string(text) + "'");
    return {std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

std::string shortUsageText()
{
    return "Usage: varnett-script [--connection STRING] COMMAND [ARGUMENTS]\n"
           "'varnett-script --help' lists the commands and their options.\n";
}

std::string usageText()
{
    return "Usage: varnett-script [--connection STRING] COMMAND [ARGUMENTS]\n"
           "\n"
           "Commands:\n"
           "  tables                 the tables, then the views, one name a line\n"
           "  fields TABLE           the columns of TABLE: name, TAB, type text\n"
           "  insert TABLE [--field NAME]... [--name PROCEDURE]\n"
           "  update TABLE [--field NAME]... --where FIELD:OPERATOR...|--key [--name PROCEDURE]\n"
           "  delete TABLE [--field NAME]... [--name PROCEDURE]\n"
           "  select TABLE [--field NAME]... [--where FIELD:OPERATOR]... [--name PROCEDURE]\n"
           "                         the text of a generated procedure; without --field\n"
           "                         every column the statement can write (columns the\n"
           "                         server fills are left out, with a note on standard\n"
           "                         error); OPERATOR is =, >, <, <>, >=, <= or LIKE\n"
           "                         Options of the four: --nocount (SET NOCOUNT ON),\n"
           "                         --try-catch (TRY/CATCH with a transaction),\n"
           "                         --create-or-alter, --identity-output (insert: the new\n"
           "                         identity in an OUTPUT parameter), --key (update and\n"
           "                         delete: conditions from the primary key when no\n"
           "                         --where is given), --rowversion (update and delete:\n"
           "                         check the rowversion, error 50001 when no row changed)\n"
           "  procedures             the stored procedures, one name a line\n"
           "  text PROCEDURE         the source of a stored procedure\n"
           "  exec FILE|-            run the file (- for standard input) as one batch\n"
           "  drop PROCEDURE...      drop the procedures in one batch\n"
           "  update-procedure FILE|-\n"
           "                         replace the procedure the file creates with its text:\n"
           "                         drop and create in one transaction\n"
           "  proc-script --out FILE PROCEDURE...\n"
           "                         write the procedure script, callees before callers\n"
           "  data-script --out FILE [--rows-per-insert N] [--batch N]\n"
           "              [--where TABLE:CONDITION]... [--order-by-keys] TABLE...\n"
           "                         write every row of the tables as INSERT statements;\n"
           "                         N rows to an INSERT (1 to 1000), GO after every N\n"
           "                         statements, only the rows of TABLE that meet the\n"
           "                         condition, tables referred to by foreign keys first\n"
           "  schema-script --out FILE [--with-data [data-script options]] [--guarded]\n"
           "                [--drop-first] [--no-foreign-keys] [--no-indexes] [TABLE|VIEW]...\n"
           "                         write the tables (columns, keys, checks, indexes) and\n"
           "                         views (without names: all of every schema), CREATE\n"
           "                         SCHEMA first and foreign keys last; --with-data puts\n"
           "                         the rows between; --guarded creates only what is\n"
           "                         missing; --drop-first drops what exists first\n"
           "  load [--no-transaction] FILE|-\n"
           "                         run a script batch by batch (a line holding only GO\n"
           "                         ends a batch), all in one transaction that a failing\n"
           "                         batch rolls back; with --no-transaction each batch\n"
           "                         stands on its own\n"
           "  run PROCEDURE [--param NAME=VALUE]... [--null NAME]... [--rollback]\n"
           "      [--format tsv|csv|json]\n"
           "                         call the procedure with the values bound as\n"
           "                         parameters (those not given take their defaults);\n"
           "                         each result set on standard output (tsv: a header\n"
           "                         line, \\N for NULL, \\t \\n \\r \\\\ escaped; a blank line\n"
           "                         between sets), the messages, rows affected, output\n"
           "                         parameters and return value on standard error;\n"
           "                         --rollback runs it in a transaction rolled back\n"
           "                         after; status 1 when it raises an error\n"
           "  export --folder DIR [PROCEDURE...]\n"
           "                         write each procedure (all without names) to its own\n"
           "                         file DIR/Schema.Name.sql: its SET lines and its text\n"
           "                         as the server keeps it\n"
           "  compare --folder DIR [--diff]\n"
           "                         compare the database's procedures with the folder's\n"
           "                         files: same, only in the folder, only in the\n"
           "                         database or different; --diff adds a unified diff\n"
           "                         of each difference; status 1 when any differs\n"
           "  generate --kinds insert,update,delete,select [--pattern PATTERN]\n"
           "           [generator options] (--out FILE | --folder DIR | --create) [TABLE]...\n"
           "                         the procedures of the kinds for each table (without\n"
           "                         names: every table of every schema); update, delete\n"
           "                         and select find the row by the key; PATTERN names\n"
           "                         them with {schema}, {table} and {kind} (INSERT,\n"
           "                         UPDATE, DELETE, SELECT), by default SP_{kind}_{table}\n"
           "                         in the table's schema; into one script, one file\n"
           "                         each in DIR, or created on the server in one\n"
           "                         transaction; tables left out are said on standard error\n"
           "  deploy --folder DIR [PROCEDURE...]\n"
           "                         create the folder's version of the procedures (all\n"
           "                         that are different or only in the folder without\n"
           "                         names) in one transaction, refusing any that changed\n"
           "                         on the server meanwhile; prints each one deployed\n"
           "  write-back --folder DIR [PROCEDURE...]\n"
           "                         write the database's version of the procedures (all\n"
           "                         that are different or only in the database without\n"
           "                         names) into the folder; prints each file written\n"
           "\n"
           "Without --connection the connection string stored by Varnett is used.\n"
           "  --help                 show this text\n"
           "  --version              show the version\n";
}

} // namespace varnett::cli
