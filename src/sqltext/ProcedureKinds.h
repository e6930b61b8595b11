#pragma once

#include "sqltext/Generators.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// True when the statement of the procedure can write the column: INSERT
// and UPDATE leave out what the server fills, DELETE what it cannot compare;
// SELECT reads every column.
bool writable(ProcedureKind kind, const Field& field);

// The fields a procedure of the kind takes when none is chosen: every column
// it can write, in table order.
std::vector<Field> writableFields(ProcedureKind kind, const std::vector<ColumnDesc>& columns);

// The condition rows that find a row by the key: one " = " row per key column.
std::vector<ConditionRow> keyConditionRows(const TableFacts& facts);

// The text of the kind's procedure, as insertProcedure, updateProcedure,
// deleteProcedure or selectProcedure writes it (SELECT takes no facts).
std::vector<std::string> kindProcedure(ProcedureKind kind, std::string_view table,
                                       const std::vector<Field>& fields,
                                       const std::vector<ConditionRow>& conditions,
                                       std::string_view procedureName,
                                       const GeneratorOptions& options, const TableFacts& facts);

} // namespace varnett::sqltext
