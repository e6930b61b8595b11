#pragma once

#include "sqltext/GeneratorOptions.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnett::cli {

// Wrong use of the command line: the program prints the reason and the usage
// to standard error and ends with status 2.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// The command line, read but not yet acted on.
struct Invocation {
    bool help = false;
    bool version = false;
    std::optional<std::string> connection;
    std::string command;
    std::vector<std::string> operands;      // the command's arguments in order
    std::vector<std::string> fields;        // --field, in order
    std::vector<std::string> wheres;        // --where, as given
    std::optional<std::string> name;        // --name
    std::optional<std::string> out;         // --out
    sqltext::GeneratorOptions options;      // --nocount, --try-catch, ... (generators)
    bool noTransaction = false;             // --no-transaction (load)
    std::optional<int> rowsPerInsert;       // --rows-per-insert (data-script)
    std::optional<int> batch;               // --batch (data-script)
    bool orderByKeys = false;               // --order-by-keys (data-script)
    // run: --param NAME=VALUE and --null NAME, in order (none for NULL)
    std::vector<std::pair<std::string, std::optional<std::string>>> parameters;
    bool rollback = false;                  // --rollback (run)
    std::optional<std::string> format;      // --format tsv|csv|json (run)
    std::optional<std::string> folder;      // --folder (export, compare, deploy, write-back)
    bool diff = false;                      // --diff (compare)
    bool withData = false;                  // --with-data (schema-script)
    bool guarded = false;                   // --guarded (schema-script)
    bool dropFirst = false;                 // --drop-first (schema-script)
    bool noForeignKeys = false;             // --no-foreign-keys (schema-script)
    bool noIndexes = false;                 // --no-indexes (schema-script)
    std::vector<std::string> kinds;         // --kinds, each of insert, update, delete, select (generate)
    std::optional<std::string> pattern;     // --pattern (generate)
    bool create = false;                    // --create (generate)
};

// Reads the arguments (without the program name). Options take their value
// as the next argument or after "=" ("--name=X"); "--" ends the options.
// Throws UsageError for an unknown command or option, an option the command
// does not take, a missing value, or the wrong number of arguments. The
// generator options (--nocount, --try-catch, --create-or-alter,
// --identity-output, --key, --rowversion) are switches without a value.
Invocation parseArguments(const std::vector<std::string>& args);

// A --where value FIELD:OPERATOR, split at its last colon. OPERATOR is one
// of = > < <> >= <= LIKE (LIKE in any letter case; blanks around it do not
// count). Gives the field and the operator's index in the operator items.
struct WhereCondition {
    std::string field;
    int op = 0;
};
WhereCondition parseWhere(std::string_view text);

// A data-script --where value TABLE:CONDITION, split at its first colon;
// neither part may be blank.
struct TableCondition {
    std::string table;
    std::string condition;
};
TableCondition parseTableCondition(std::string_view text);

// The usage text, ending with a line break.
std::string usageText();
// What a usage error shows after its one line: the usage line and where the
// commands are listed.
std::string shortUsageText();

} // namespace varnett::cli
