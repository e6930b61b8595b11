#pragma once

#include <string>
#include <string_view>

namespace varnett::sqltext {

// The text of a script file as UTF-8: UTF-16 with a byte order mark (little
// or big endian, as SQL Server's tools write scripts) is converted, a UTF-8
// byte order mark is dropped, anything else is taken as it is. Throws
// varnett::Error for UTF-16 that is cut short or holds a lone surrogate.
std::string scriptTextToUtf8(std::string_view bytes);

// Throws varnett::Error "Line N of the script holds a NUL character." for
// the first NUL in the text: a server reads none, and the embedded engine
// would end the statement at it without a word.
void checkNoNul(std::string_view text);

} // namespace varnett::sqltext
