#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnett::data {

// An OLE DB style connection string: "Key=Value;Key=Value". Keys compare
// without regard to case; values may be quoted with " or ' (a doubled quote
// inside stands for one).
class ConnectionString {
public:
    using Item = std::pair<std::string, std::string>;

    // Throws varnett::Error naming the problem for malformed text. The
    // entry at fault is named by its key while no Password or Pwd came
    // before it, else by its number: no message quotes a password.
    static ConnectionString parse(std::string_view text);
    // The well-formed entries before the first malformed one (all of them
    // for well-formed text).
    static ConnectionString parseLeading(std::string_view text);

    std::optional<std::string> get(std::string_view key) const;
    std::string value(std::string_view key) const { return get(key).value_or(std::string()); }
    void set(std::string_view key, std::string value);
    void remove(std::string_view key);
    const std::vector<Item>& items() const { return m_items; }

    // True when "Persist Security Info" says True (or Yes).
    bool persistSecurityInfo() const;
    // The whole string, every key kept; parse() gives back the same keys and
    // values (for keys as parse() reads them: not empty, no ";", no blanks
    // at either end).
    std::string render() const;
    // The string as a connection reports it: the password is left out unless
    // Persist Security Info is true.
    std::string renderForDisplay() const;
    // The entries before the first Password or Pwd key: what can be shown of
    // a malformed string, where a password's unquoted ";" may have turned
    // the rest of it into entries of their own.
    std::string renderBeforePassword() const;

private:
    static ConnectionString read(std::string_view text, bool stopAtFault);

    std::vector<Item> m_items;
};

} // namespace varnett::data
