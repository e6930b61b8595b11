#pragma once

#include <stdexcept>
#include <string>

namespace varnett {

// Every failure of the program travels as this exception; its message is the
// text the user sees.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace varnett
