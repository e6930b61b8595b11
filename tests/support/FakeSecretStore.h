#pragma once

#include "data/SecretStore.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace varnett::testing {

// A keychain in memory, its entries shared with the test that made it; with
// `available` false every call throws KeychainUnavailable as a machine
// without a Secret Service does.
class FakeSecretStore final : public data::SecretStore {
public:
    explicit FakeSecretStore(std::shared_ptr<std::map<std::string, std::string>> entries,
                             bool available = true)
        : m_entries(std::move(entries)), m_available(available) {}

    std::optional<std::string> read(const std::string& entry) override
    {
        check();
        auto found = m_entries->find(entry);
        return found == m_entries->end() ? std::nullopt : std::optional(found->second);
    }
    void write(const std::string& entry, const std::string& secret) override
    {
        check();
        (*m_entries)[entry] = secret;
    }
    void remove(const std::string& entry) override
    {
        check();
        m_entries->erase(entry);
    }

private:
    void check() const
    {
        if (!m_available)
            throw data::KeychainUnavailable("No system keychain is available: no Secret Service");
    }

    std::shared_ptr<std::map<std::string, std::string>> m_entries;
    bool m_available;
};

} // namespace varnett::testing
