#pragma once

#include "data/Engine.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// Writes an edited procedure back: drops the procedure when it exists, then
// runs the lines (each followed by CR LF) as one batch, both in one
// transaction that is committed at the end. Without a procedure only the
// lines run. On failure the transaction is rolled back, so the old procedure
// stays, and the failure is thrown as varnett::Error.
void updateProcedure(Engine& engine, const std::optional<ObjectName>& procedure,
                     const std::vector<std::string>& lines);

// The procedure a text creates: the name after CREATE PROC or CREATE
// PROCEDURE at its start (comments and blanks before it pass), in its schema
// (dbo when the text names none). Throws varnett::Error when the text creates
// no procedure.
ObjectName createdProcedure(std::string_view text);

} // namespace varnett::data
