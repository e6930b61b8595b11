#pragma once

#include "data/Engine.h"
#include "sqltext/GeneratorOptions.h"
#include "sqltext/Generators.h"

#include <array>
#include <string>
#include <vector>

namespace varnett::data {

using sqltext::ProcedureKind;

// The facts the generator options need of a table (its key, identity and
// rowversion columns), read from the catalog only when they need them or
// when `always`.
sqltext::TableFacts tableFactsFor(Engine& engine, const ObjectName& table,
                                  const std::vector<sqltext::ColumnDesc>& columns,
                                  const sqltext::GeneratorOptions& options, bool always = false);

// What to generate for many tables at once.
struct GenerationRequest {
    // None: every table of every schema, views left out.
    std::vector<ObjectName> tables;
    // Insert, and Update, Delete and Select by key (the key columns are the
    // conditions); each wanted once, written in that order for each table.
    std::vector<ProcedureKind> kinds;
    sqltext::GeneratorOptions options;
    // The name pattern of each kind, by the kind's position in ProcedureKind
    // (see sqltext::procedureNameFor).
    std::array<std::string, 4> patterns = defaultPatterns();

    static std::array<std::string, 4> defaultPatterns();
};

// One generated procedure: its text, each line ended by CR LF, exactly as
// the single-table generator writes it with every field of the table.
struct GeneratedProcedure {
    ObjectName table;
    ProcedureKind kind = ProcedureKind::Insert;
    ObjectName name;
    std::string text;
};

// The kinds left out for a table, and why ("no key").
struct SkippedKinds {
    ObjectName table;
    std::string reason;
    std::vector<ProcedureKind> kinds;
};

struct Generation {
    std::vector<GeneratedProcedure> procedures;
    std::vector<SkippedKinds> skipped;
    sqltext::GeneratorOptions options;   // as the procedures were written with
};

// "Insert", "Update", "Delete", "Select".
std::string kindTitle(ProcedureKind kind);

// Generates the procedures of the request, table by table, each table once.
// A kind a table cannot have is left out and said in `skipped`: Update,
// Delete and Select without a key; Insert and Update when the server fills
// every column or, for Update, every other column is part of the key. Any
// other failure throws varnett::Error naming the table and the procedure,
// as does a name the pattern gives two procedures (compared as the server
// compares names) or a pattern of the wrong form.
Generation generateProcedures(Engine& engine, const GenerationRequest& request);

// One line per skipped entry: "Sales.Notes: no key; Update, Delete and
// Select left out".
std::vector<std::string> skipSummary(const Generation& generation);

// The procedures in one script file, each in the drop-and-create block the
// procedure script writes (GO-separated, under QUOTED_IDENTIFIER and
// ANSI_NULLS ON, so that `load` gives each text exactly), written to a
// temporary file and renamed over `path` as writeProcedureScript does.
void writeGeneratedScript(Engine& engine, const Generation& generation, const std::string& path);

// One file per procedure in the folder (made when missing), in the form
// exportProcedures writes, with the settings the procedures are created
// under, so that after createGenerated a comparison of the folder says
// "same". Every file name is checked before the first file is written.
// Returns the files' paths in the order written.
std::vector<std::string> writeGeneratedFolder(const Generation& generation,
                                              const std::string& folder);

// Creates the procedures on the server under QUOTED_IDENTIFIER and
// ANSI_NULLS ON, all in one transaction: one failure and none is created;
// the error names the table and the procedure. As the window's Create does,
// an existing procedure is not replaced: unless the options write CREATE OR
// ALTER, procedures of those names that exist already are refused, all
// named, before anything runs.
void createGenerated(Engine& engine, const Generation& generation);

} // namespace varnett::data
