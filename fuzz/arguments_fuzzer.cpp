// The command line of varnett-script: the input holds the arguments parted
// by NUL bytes.
#include "FuzzCheck.h"

#include "cli/Arguments.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace varnett::cli;

namespace {

// The invocation written out in one plain form: options with "=", then the
// command, the generator switches, then "--" and the operands.
std::vector<std::string> canonical(const Invocation& invocation)
{
    std::vector<std::string> args;
    if (invocation.connection)
        args.push_back("--connection=" + *invocation.connection);
    args.push_back(invocation.command);
    for (const std::string& field : invocation.fields)
        args.push_back("--field=" + field);
    for (const std::string& where : invocation.wheres)
        args.push_back("--where=" + where);
    if (invocation.name)
        args.push_back("--name=" + *invocation.name);
    if (invocation.out)
        args.push_back("--out=" + *invocation.out);
    if (invocation.rowsPerInsert)
        args.push_back("--rows-per-insert=" + std::to_string(*invocation.rowsPerInsert));
    if (invocation.batch)
        args.push_back("--batch=" + std::to_string(*invocation.batch));
    if (invocation.orderByKeys)
        args.push_back("--order-by-keys");
    if (invocation.noTransaction)
        args.push_back("--no-transaction");
    for (const auto& [parameter, value] : invocation.parameters)
        args.push_back(value ? "--param=" + parameter + "=" + *value : "--null=" + parameter);
    if (invocation.rollback)
        args.push_back("--rollback");
    if (invocation.format)
        args.push_back("--format=" + *invocation.format);
    if (invocation.folder)
        args.push_back("--folder=" + *invocation.folder);
    if (invocation.diff)
        args.push_back("--diff");
    for (const auto& [set, name] : {std::pair{invocation.withData, "--with-data"},
                                    std::pair{invocation.guarded, "--guarded"},
                                    std::pair{invocation.dropFirst, "--drop-first"},
                                    std::pair{invocation.noForeignKeys, "--no-foreign-keys"},
                                    std::pair{invocation.noIndexes, "--no-indexes"}})
        if (set)
            args.push_back(name);
    if (!invocation.kinds.empty()) {
        std::string kinds;
        for (const std::string& kind : invocation.kinds)
            kinds += (kinds.empty() ? "" : ",") + kind;
        args.push_back("--kinds=" + kinds);
    }
    if (invocation.pattern)
        args.push_back("--pattern=" + *invocation.pattern);
    if (invocation.create)
        args.push_back("--create");
    const varnett::sqltext::GeneratorOptions& options = invocation.options;
    if (options.setNoCount)
        args.push_back("--nocount");
    if (options.tryCatch)
        args.push_back("--try-catch");
    if (options.createOrAlter)
        args.push_back("--create-or-alter");
    if (options.identityOutput)
        args.push_back("--identity-output");
    if (options.keyConditions)
        args.push_back("--key");
    if (options.rowversionCheck)
        args.push_back("--rowversion");
    args.push_back("--");
    args.insert(args.end(), invocation.operands.begin(), invocation.operands.end());
    return args;
}

bool same(const Invocation& a, const Invocation& b)
{
    return a.help == b.help && a.version == b.version && a.connection == b.connection && a.command == b.command
        && a.operands == b.operands && a.fields == b.fields && a.wheres == b.wheres
        && a.name == b.name && a.out == b.out && a.options == b.options
        && a.rowsPerInsert == b.rowsPerInsert && a.batch == b.batch
        && a.orderByKeys == b.orderByKeys && a.noTransaction == b.noTransaction
        && a.parameters == b.parameters && a.rollback == b.rollback && a.format == b.format
        && a.folder == b.folder && a.diff == b.diff && a.withData == b.withData
        && a.guarded == b.guarded && a.dropFirst == b.dropFirst
        && a.noForeignKeys == b.noForeignKeys && a.noIndexes == b.noIndexes
        && a.kinds == b.kinds && a.pattern == b.pattern && a.create == b.create;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos)
            end = text.size();
        args.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }

    Invocation invocation;
    try {
        invocation = parseArguments(args);
    } catch (const UsageError&) {
        return 0;
    }
    if (invocation.help || invocation.version)
        return 0;
    FUZZ_CHECK(!invocation.command.empty());
    for (const std::string& where : invocation.wheres) {
        // data-script takes TABLE:CONDITION, the generators FIELD:OPERATOR.
        if (invocation.command == "data-script") {
            TableCondition condition = parseTableCondition(where);
            FUZZ_CHECK(!condition.table.empty() && !condition.condition.empty());
            continue;
        }
        WhereCondition condition = parseWhere(where);
        FUZZ_CHECK(condition.op >= 0 && condition.op < 7 && !condition.field.empty());
    }

    // Written out plainly, the invocation reads back the same.
    Invocation again;
    try {
        again = parseArguments(canonical(invocation));
    } catch (const UsageError&) {
        FUZZ_CHECK(!"the plain form of an accepted command line is accepted");
    }
    FUZZ_CHECK(same(again, invocation));
    return 0;
}
