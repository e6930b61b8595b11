#pragma once

#include "data/Engine.h"
#include "sqltext/Error.h"
#include "data/sqlite/SqliteEngine.h"
#include "support/TempDir.h"

#include <memory>
#include <string>

namespace varnett::testing {

// A new, empty embedded database in the folder, opened.
inline std::unique_ptr<data::Engine> freshEngine(const TempDir& dir,
                                                 const std::string& file = "Sales.db")
{
    data::createSqliteDatabase(dir.file(file));
    return data::openSqliteEngine(dir.file(file));
}

// The message an action fails with, or "(no error)".
template <typename Action>
std::string errorOf(Action&& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace varnett::testing
