#pragma once

#include <string>
#include <string_view>

namespace varnett::data {

// UTF-8 to UTF-16 for the wide ODBC calls. Throws varnett::Error for bytes
// that are not UTF-8, so no character is silently replaced on its way to
// the server.
std::u16string utf8ToUtf16(std::string_view text);

// UTF-16 from the driver to UTF-8. A lone surrogate, which UTF-8 cannot
// hold, becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
// The same into `out`, whose storage is reused.
void utf16ToUtf8(std::u16string_view text, std::string& out);

// A driver's message without the bracketed names of the driver manager,
// driver and data source in front: "[unixODBC][FreeTDS][SQL Server]Invalid
// object name 'x'." gives "Invalid object name 'x'.".
std::string stripDriverPrefixes(std::string_view message);

} // namespace varnett::data
