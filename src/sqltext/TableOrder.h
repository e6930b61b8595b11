#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace varnett::sqltext {

// The order of tables in a data script where every table comes after the
// tables it refers to by foreign keys, as positions in `tables`.
// `referenced[i]` names the tables that tables[i] refers to. Otherwise the
// given order is kept: each table in turn is preceded by those of its parents
// (and theirs) not placed yet, in the order they are named. Names compare
// without regard to the case of a to z; self-references and tables not in
// the list change nothing; a cycle is broken where the walk comes back to a
// table it has not placed yet, so every table appears once.
std::vector<std::size_t> foreignKeyOrder(const std::vector<std::string>& tables,
                                         const std::vector<std::vector<std::string>>& referenced);

} // namespace varnett::sqltext
