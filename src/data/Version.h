#pragma once

namespace varnett::data {

// The program's version, as the build names it ("1.0.0.1"): the About box,
// `varnett --version` and `varnett-script --version` show it.
const char* versionText();

} // namespace varnett::data
