#pragma once

#include "data/Engine.h"

#include <memory>
#include <string>

namespace varnett::data {

// The embedded engine: an SQLite database file standing in for the server,
// with a procedure catalog of its own. The file must exist.
std::unique_ptr<Engine> openSqliteEngine(const std::string& path);

// Creates a new, empty database file for the embedded engine (used to build
// databases from scripts); fails when the file exists.
void createSqliteDatabase(const std::string& path);

} // namespace varnett::data
