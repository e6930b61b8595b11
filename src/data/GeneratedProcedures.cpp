#include "data/GeneratedProcedures.h"

#include "data/ReplacingFile.h"
#include "data/Transaction.h"
#include "data/dmMain.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/NamePattern.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureFolder.h"
#include "sqltext/ProcedureKinds.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <unordered_set>

namespace fs = std::filesystem;

namespace varnett::data {

namespace {

constexpr std::array<ProcedureKind, 4> kKinds = {ProcedureKind::Insert, ProcedureKind::Update,
                                                 ProcedureKind::Delete, ProcedureKind::Select};

// The settings every generated procedure is created under.
constexpr sqltext::ProcedureSettings kSettings{true, true};
constexpr const char* kSettingsBatch = "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\n";

std::string keyOf(const ObjectName& name)
{
    return sqltext::toUpperAscii(sqltext::displayName(name));
}

std::size_t indexOf(ProcedureKind kind)
{
    return static_cast<std::size_t>(kind);
}

bool wanted(const GenerationRequest& request, ProcedureKind kind)
{
    return std::find(request.kinds.begin(), request.kinds.end(), kind) != request.kinds.end();
}

bool byKey(ProcedureKind kind)
{
    return kind != ProcedureKind::Insert;
}

// The tables of the request each once, in the given order; none given: every
// table of the database, without the views.
std::vector<ObjectName> tablesOf(Engine& engine, const GenerationRequest& request)
{
    std::vector<ObjectName> given = request.tables;
    if (given.empty()) {
        const std::vector<ObjectName> views = engine.listViews();
        std::unordered_set<std::string> viewKeys;
        for (const ObjectName& view : views)
            viewKeys.insert(keyOf(view));
        for (ObjectName& table : engine.listTables())
            if (!viewKeys.count(keyOf(table)))
                given.push_back(std::move(table));
    }
    std::vector<ObjectName> tables;
    std::unordered_set<std::string> seen;
    for (const ObjectName& table : given)
        if (seen.insert(keyOf(table)).second)
            tables.push_back(table);
    return tables;
}

std::string describe(const GeneratedProcedure& procedure)
{
    return "the procedure '" + sqltext::displayName(procedure.name) + "' of the table '"
           + sqltext::displayName(procedure.table) + "'";
}

// "Update", "Update and Delete", "Update, Delete and Select".
std::string kindList(const std::vector<ProcedureKind>& kinds)
{
    std::string text;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (i > 0)
            text += i + 1 == kinds.size() ? " and " : ", ";
        text += kindTitle(kinds[i]);
    }
    return text;
}

class Generator {
public:
    Generator(Engine& engine, const GenerationRequest& request)
        : m_engine(engine), m_request(request)
    {
        m_result.options = request.options;
    }

    Generation run()
    {
        if (m_request.kinds.empty())
            throw Error("No kind of procedure is chosen.");
        for (ProcedureKind kind : kKinds)
            if (wanted(m_request, kind))
                sqltext::checkNamePattern(m_request.patterns[indexOf(kind)]);
        const std::vector<ObjectName> tables = tablesOf(m_engine, m_request);
        if (tables.empty())
            throw Error("The database holds no table to generate procedures for.");
        for (const ObjectName& table : tables)
            generateFor(table);
        return std::move(m_result);
    }

private:
    void generateFor(const ObjectName& table)
    {
        const std::string shown = sqltext::displayName(table);
        const std::vector<sqltext::ColumnDesc> columns = m_engine.openTable(table)->columns();
        const bool needKey = std::any_of(m_request.kinds.begin(), m_request.kinds.end(), byKey);
        const sqltext::TableFacts facts =
            tableFactsFor(m_engine, table, columns, m_request.options, needKey);
        std::map<std::string, std::vector<ProcedureKind>> skipped;
        for (ProcedureKind kind : kKinds) {
            if (!wanted(m_request, kind))
                continue;
            std::vector<sqltext::Field> fields = sqltext::writableFields(kind, columns);
            if (const std::string reason = skipReason(kind, fields, facts); !reason.empty()) {
                skipped[reason].push_back(kind);
                continue;
            }
            GeneratedProcedure procedure{table, kind,
                                         sqltext::procedureNameFor(
                                             m_request.patterns[indexOf(kind)], table, kind),
                                         {}};
            requireNewName(procedure);
            sqltext::GeneratorOptions options = m_request.options;
            options.keyConditions = options.keyConditions || byKey(kind);
            const std::vector<sqltext::ConditionRow> conditions =
                kind == ProcedureKind::Select ? sqltext::keyConditionRows(facts)
                                              : std::vector<sqltext::ConditionRow>{};
            try {
                procedure.text = joinLinesCrLf(sqltext::kindProcedure(
                    kind, shown, fields, conditions, sqltext::displayName(procedure.name), options,
                    facts));
            } catch (const Error& failure) {
                throw Error("Cannot generate " + describe(procedure) + ": " + failure.what());
            }
            m_result.procedures.push_back(std::move(procedure));
        }
        for (auto& [reason, kinds] : skipped)
            m_result.skipped.push_back({table, reason, std::move(kinds)});
    }

    // Why the table cannot have the kind's procedure, or empty text.
    static std::string skipReason(ProcedureKind kind, const std::vector<sqltext::Field>& fields,
                                  const sqltext::TableFacts& facts)
    {
        if (byKey(kind) && facts.key.empty())
            return "no key";
        if (fields.empty())
            return kind == ProcedureKind::Delete ? "no column that can be compared"
                                                 : "every column filled by the server";
        if (kind == ProcedureKind::Update
            && std::all_of(fields.begin(), fields.end(), [&](const sqltext::Field& field) {
                   return field.serverFilled
                          || std::any_of(facts.key.begin(), facts.key.end(),
                                         [&](const sqltext::Field& key) {
                                             return key.name == field.name;
                                         });
               }))
            return "no column to set beside the key";
        return {};
    }

    void requireNewName(const GeneratedProcedure& procedure)
    {
        const auto [place, added] = m_names.emplace(keyOf(procedure.name), m_result.procedures.size());
        if (added)
            return;
        const GeneratedProcedure& earlier = m_result.procedures[place->second];
        throw Error("The name patterns give " + describe(procedure) + " the name of "
                    + describe(earlier) + ".");
    }

    Engine& m_engine;
    const GenerationRequest& m_request;
    Generation m_result;
    std::map<std::string, std::size_t> m_names;
};

void requireProcedures(const Generation& generation)
{
    if (generation.procedures.empty())
        throw Error("No procedure was generated.");
}

} // namespace

std::array<std::string, 4> GenerationRequest::defaultPatterns()
{
    std::array<std::string, 4> patterns;
    for (ProcedureKind kind : kKinds)
        patterns[indexOf(kind)] = sqltext::defaultNamePattern(kind);
    return patterns;
}

sqltext::TableFacts tableFactsFor(Engine& engine, const ObjectName& table,
                                  const std::vector<sqltext::ColumnDesc>& columns,
                                  const sqltext::GeneratorOptions& options, bool always)
{
    if (!always && !options.identityOutput && !options.keyConditions && !options.rowversionCheck)
        return {};
    return sqltext::tableFacts(columns, engine.tableKeys(table));
}

std::string kindTitle(ProcedureKind kind)
{
    switch (kind) {
    case ProcedureKind::Insert: return "Insert";
    case ProcedureKind::Update: return "Update";
    case ProcedureKind::Delete: return "Delete";
    case ProcedureKind::Select: return "Select";
    }
    return {};
}

Generation generateProcedures(Engine& engine, const GenerationRequest& request)
{
    return Generator(engine, request).run();
}

std::vector<std::string> skipSummary(const Generation& generation)
{
    std::vector<std::string> lines;
    for (const SkippedKinds& entry : generation.skipped)
        lines.push_back(sqltext::displayName(entry.table) + ": " + entry.reason + "; "
                        + kindList(entry.kinds) + " left out");
    return lines;
}

void writeGeneratedScript(Engine& engine, const Generation& generation, const std::string& path)
{
    requireProcedures(generation);
    std::string script;
    for (const GeneratedProcedure& procedure : generation.procedures)
        script += sqltext::procedureBlock(procedure.name, kSettings, procedure.text);
    ReplacingFile file(path, engine.databaseFile());
    file.write(script);
    file.commit();
}

std::vector<std::string> writeGeneratedFolder(const Generation& generation,
                                              const std::string& folder)
{
    requireProcedures(generation);
    std::vector<std::string> paths;
    std::vector<std::string> texts;
    for (const GeneratedProcedure& procedure : generation.procedures) {
        paths.push_back((fs::path(folder) / sqltext::procedureFileName(procedure.name)).string());
        texts.push_back(sqltext::procedureFileText(procedure.name, {kSettings, procedure.text}));
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error))
        throw Error("The folder '" + folder + "' does not exist or is no folder.");
    for (std::size_t i = 0; i < paths.size(); ++i)
        replaceFile(paths[i], texts[i]);
    return paths;
}

void createGenerated(Engine& engine, const Generation& generation)
{
    requireProcedures(generation);
    Transaction transaction(engine);
    if (!generation.options.createOrAlter) {
        std::unordered_set<std::string> existing;
        for (const ProcedureRef& procedure : engine.listProcedures())
            existing.insert(keyOf(procedure.object));
        std::string names;
        for (const GeneratedProcedure& procedure : generation.procedures)
            if (existing.count(keyOf(procedure.name)))
                names += (names.empty() ? "'" : ", '") + sqltext::displayName(procedure.name) + "'";
        if (!names.empty())
            throw Error("These procedures exist already, and none was created: " + names
                        + ". Drop them first, or write a script, which drops and creates them.");
    }
    engine.executeBatch(kSettingsBatch);
    for (const GeneratedProcedure& procedure : generation.procedures) {
        try {
            engine.executeBatch(procedure.text);
        } catch (const Error& failure) {
            throw Error("Cannot create " + describe(procedure) + ", and none was created: "
                        + failure.what());
        }
    }
    transaction.commit();
}

} // namespace varnett::data
