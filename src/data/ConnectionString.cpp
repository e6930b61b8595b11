#include "data/ConnectionString.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"

#include <algorithm>
#include <cctype>

namespace varnett::data {

namespace {

using sqltext::equalsNoCase;

constexpr bool isBlank(char c) { return sqltext::isBlankOrLineBreak(c); }

std::string_view trim(std::string_view text) { return sqltext::trim(text, isBlank); }

// A value needs quotes when it holds ";", starts with a quote or "=" (after
// the key's "=" a second one reads as "==", an "=" inside the key) or has
// blanks at either end.
bool needsQuotes(const std::string& value)
{
    if (value.empty())
        return false;
    return value.find(';') != std::string::npos || value.front() == '"' || value.front() == '\''
        || value.front() == '=' || isBlank(value.front()) || isBlank(value.back());
}

std::string quoted(const std::string& value)
{
    char quote = value.find('"') == std::string::npos ? '"' : '\'';
    std::string out(1, quote);
    for (char c : value) {
        out += c;
        if (c == quote)
            out += quote;
    }
    out += quote;
    return out;
}

bool isPasswordKey(std::string_view key)
{
    return equalsNoCase(key, "Password") || equalsNoCase(key, "Pwd");
}

bool isTrue(std::string_view value)
{
    value = trim(value);
    return equalsNoCase(value, "true") || equalsNoCase(value, "yes");
}

} // namespace

// Reads the entries of a connection string in order. A malformed entry
// throws, or, with `stopAtFault`, ends the reading with the entries before
// it. A message names the key of the entry at fault only while no password
// came before it: after a password with an unquoted ";", what looks like a
// key is the rest of the password, so the entry is named by its number.
ConnectionString ConnectionString::read(std::string_view text, bool stopAtFault)
{
    ConnectionString result;
    std::size_t i = 0;
    int entries = 0;
    bool afterPassword = false;
    // Throws unless the reading is to stop at the fault.
    auto fault = [&](const std::string& problem) {
        if (!stopAtFault)
            throw Error("Invalid connection string: " + problem);
    };
    while (i < text.size()) {
        // Key: up to "=", with "==" standing for one "=" inside a key.
        std::string key;
        bool sawEquals = false;
        while (i < text.size()) {
            char c = text[i];
            if (c == '=') {
                if (i + 1 < text.size() && text[i + 1] == '=') {
                    key += '=';
                    i += 2;
                    continue;
                }
                ++i;
                sawEquals = true;
                break;
            }
            if (c == ';')
                break;
            key += c;
            ++i;
        }
        const std::string trimmedKey(trim(key));
        const std::string entry = "entry " + std::to_string(entries + 1);
        const std::string named = afterPassword ? entry : "'" + trimmedKey + "'";
        if (!sawEquals) {
            if (!trimmedKey.empty()) {
                fault((afterPassword ? entry : "the key " + named) + " has no '=' and no value");
                return result;
            }
            ++i; // an empty entry between two ";"
            continue;
        }
        if (trimmedKey.empty()) {
            fault("the value of " + entry + " has no key");
            return result;
        }

        while (i < text.size() && isBlank(text[i]))
            ++i;
        std::string value;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            char quote = text[i++];
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == quote) {
                    if (i + 1 < text.size() && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed) {
                fault("the value of " + named + " has no closing quote");
                return result;
            }
            while (i < text.size() && isBlank(text[i]))
                ++i;
            if (i < text.size() && text[i] != ';') {
                fault("text follows the quoted value of " + named);
                return result;
            }
        } else {
            std::size_t end = text.find(';', i);
            if (end == std::string_view::npos)
                end = text.size();
            value = std::string(trim(text.substr(i, end - i)));
            i = end;
        }
        if (i < text.size() && text[i] == ';')
            ++i;
        afterPassword = afterPassword || isPasswordKey(trimmedKey);
        result.set(trimmedKey, std::move(value));
        ++entries;
    }
    return result;
}

ConnectionString ConnectionString::parse(std::string_view text)
{
    return read(text, false);
}

ConnectionString ConnectionString::parseLeading(std::string_view text)
{
    return read(text, true);
}

std::optional<std::string> ConnectionString::get(std::string_view key) const
{
    for (const auto& [name, value] : m_items)
        if (equalsNoCase(name, key))
            return value;
    return std::nullopt;
}

void ConnectionString::set(std::string_view key, std::string value)
{
    for (auto& item : m_items) {
        if (equalsNoCase(item.first, key)) {
            item.second = std::move(value);
            return;
        }
    }
    m_items.emplace_back(std::string(key), std::move(value));
}

void ConnectionString::remove(std::string_view key)
{
    std::erase_if(m_items, [&](const Item& item) { return equalsNoCase(item.first, key); });
}

bool ConnectionString::persistSecurityInfo() const
{
    return isTrue(value("Persist Security Info"));
}

std::string ConnectionString::render() const
{
    std::string out;
    for (const auto& [key, value] : m_items) {
        if (!out.empty())
            out += ';';
        for (char c : key) {
            out += c;
            if (c == '=')
                out += '=';
        }
        out += '=';
        out += needsQuotes(value) ? quoted(value) : value;
    }
    return out;
}

std::string ConnectionString::renderForDisplay() const
{
    if (persistSecurityInfo())
        return render();
    ConnectionString copy = *this;
    copy.remove("Password");
    copy.remove("Pwd");
    return copy.render();
}

std::string ConnectionString::renderBeforePassword() const
{
    ConnectionString copy;
    for (const auto& [key, value] : m_items) {
        if (isPasswordKey(key))
            break;
        copy.m_items.emplace_back(key, value);
    }
    return copy.render();
}

} // namespace varnett::data
