#pragma once

#include "sqltext/Utf8.h"

#include <cstddef>
#include <string_view>

namespace varnett::sqltext {

// True for a letter by the server's rules for regular identifiers: a letter
// of Unicode 3.2 in the Basic Multilingual Plane (ASCII a-z and A-Z included).
bool isUnicodeLetter(char32_t c);

// True for a decimal digit of Unicode 3.2 in the Basic Multilingual Plane.
bool isUnicodeDigit(char32_t c);

} // namespace varnett::sqltext
