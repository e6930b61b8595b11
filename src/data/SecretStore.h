#pragma once

#include "sqltext/Error.h"

#include <memory>
#include <optional>
#include <string>

namespace varnett::data {

// Thrown when no keychain can be reached (on Linux: no Secret Service is
// running on the session's D-Bus).
class KeychainUnavailable : public Error {
public:
    using Error::Error;
};

// Where passwords are kept apart from the settings: the system keychain, or
// a test's own. Entries are named texts holding one secret each.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // The secret of the entry; none when there is no such entry. Throws
    // KeychainUnavailable, or varnett::Error for any other failure.
    virtual std::optional<std::string> read(const std::string& entry) = 0;
    // Writes (or replaces) the entry. Throws as read() does.
    virtual void write(const std::string& entry, const std::string& secret) = 0;
    // Removes the entry; one that is not there is no error. Throws as read().
    virtual void remove(const std::string& entry) = 0;
};

// A store with no keychain behind it: every call throws KeychainUnavailable.
std::unique_ptr<SecretStore> noSecretStore();

// The system keychain through QtKeychain (Secret Service on Linux, the
// Credential Manager on Windows, the Keychain on macOS), every entry under the
// service "Varnett". Each call waits for the keychain's answer.
std::unique_ptr<SecretStore> systemKeychain();

} // namespace varnett::data
