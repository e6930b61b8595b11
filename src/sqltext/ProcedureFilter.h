#pragma once

#include "sqltext/ObjectName.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// A procedure name as the lists show it: the catalog name ("SP_X;1") without
// its group-number suffix (";" and digits). A name without one is unchanged.
std::string procedureDisplayName(std::string_view catalogName);

// The catalog's names of the procedures ("SP_X;1"), in their order: the
// texts the filters below look in.
std::vector<std::string> catalogNames(const std::vector<ProcedureRef>& procedures);

// The names the open dialog lists for its filter text, in catalog order.
// An empty filter lists every procedure. Otherwise the filter, trimmed and
// upper-cased, is looked for in each catalog name (suffix included) with "_"
// read as a blank and upper-cased; a filter of blanks only lists none.
std::vector<std::string> filterOpenDialog(const std::vector<std::string>& catalog,
                                          std::string_view filter);

// The names the pop-up procedure list offers for its initial text, in catalog
// order: as the open dialog's filter, but "_" compares as itself.
std::vector<std::string> filterProcedureList(const std::vector<std::string>& catalog,
                                             std::string_view filter);

} // namespace varnett::sqltext
