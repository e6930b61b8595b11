#include "data/StoredPassword.h"

#include "data/SecretStore.h"
#include "data/SettingsStore.h"
#include "sqltext/AsciiText.h"

#include <optional>

namespace varnett::data {

namespace {

std::string trimmed(const std::string& text)
{
    return std::string(sqltext::trim(text, sqltext::isBlankOrLineBreak));
}

std::string firstOf(const ConnectionString& cs, const char* key, const char* other)
{
    return trimmed(cs.get(key).value_or(cs.value(other)));
}

std::optional<std::string> passwordOf(const ConnectionString& cs)
{
    if (auto password = cs.get("Password"))
        return password;
    return cs.get("Pwd");
}

ConnectionString withoutPassword(ConnectionString cs)
{
    cs.remove("Password");
    cs.remove("Pwd");
    return cs;
}

std::optional<ConnectionString> parsed(const std::string& text)
{
    try {
        return ConnectionString::parse(text);
    } catch (const Error&) {
        return std::nullopt; // a malformed string is stored as the connection shows it
    }
}

// Whether a password goes to the settings file where no keychain can be
// reached: the answer given before, else the question's (kept), else yes.
bool storeInSettingsFile(SettingsStore& settings, const StoreInSettingsQuestion& question,
                         const KeychainUnavailable& reason)
{
    const std::string kept = settings.passwordFallback();
    if (kept == kPasswordInSettingsFile)
        return true;
    if (kept == kPasswordNowhere)
        return false;
    if (!question)
        return true;
    const bool inFile = question(reason.what());
    settings.setPasswordFallback(inFile ? kPasswordInSettingsFile : kPasswordNowhere);
    return inFile;
}

} // namespace

std::string passwordEntryOf(const ConnectionString& connection)
{
    ConnectionString entry;
    entry.set("Data Source", firstOf(connection, "Data Source", "Server"));
    entry.set("Initial Catalog", firstOf(connection, "Initial Catalog", "Database"));
    entry.set("User ID", firstOf(connection, "User ID", "UID"));
    return entry.render();
}

std::string storedConnectionText(SettingsStore& settings, SecretStore& secrets)
{
    const std::string text = settings.connectionString();
    const std::string entry = settings.passwordEntry();
    std::optional<ConnectionString> cs = parsed(text);
    if (entry.empty() || !cs || passwordOf(*cs))
        return text;
    std::optional<std::string> password;
    try {
        password = secrets.read(entry);
    } catch (const Error& failure) {
        throw Error("The password of the stored connection is kept in the system keychain (entry '"
                    + entry + "' of Varnett), which cannot be read: " + failure.what());
    }
    if (!password)
        return text; // the entry is gone: the server asks for the password it lacks
    cs->set("Password", *password);
    return cs->render();
}

std::string movePlainPassword(SettingsStore& settings, SecretStore& secrets,
                              const StoreInSettingsQuestion& question)
{
    std::optional<ConnectionString> cs = parsed(settings.connectionString());
    if (!cs || !passwordOf(*cs))
        return {};
    const std::string entry = passwordEntryOf(*cs);
    try {
        secrets.write(entry, *passwordOf(*cs));
    } catch (const KeychainUnavailable& reason) {
        if (!storeInSettingsFile(settings, question, reason))
            settings.setConnectionString(withoutPassword(*cs).render());
        return {};
    }
    settings.setConnectionString(withoutPassword(*cs).render());
    settings.setPasswordEntry(entry);
    return "The saved password was moved from " + settings.location().toStdString()
        + " into the system keychain (entry '" + entry + "' of Varnett).";
}

void storeConnectionText(SettingsStore& settings, SecretStore& secrets, const std::string& text,
                         const StoreInSettingsQuestion& question)
{
    std::optional<ConnectionString> cs = parsed(text);
    const std::string oldEntry = settings.passwordEntry();
    if (!cs || !passwordOf(*cs)) {
        if (cs && !oldEntry.empty() && oldEntry == passwordEntryOf(*cs)) {
            try {
                secrets.remove(oldEntry);
            } catch (const Error&) {
                // A keychain out of reach keeps the entry; the string is
                // stored all the same, and names it no more.
            }
        }
        settings.setConnectionString(text);
        settings.setPasswordEntry({});
        return;
    }
    const std::string entry = passwordEntryOf(*cs);
    try {
        secrets.write(entry, *passwordOf(*cs));
    } catch (const KeychainUnavailable& reason) {
        const bool inFile = storeInSettingsFile(settings, question, reason);
        settings.setConnectionString(inFile ? text : withoutPassword(*cs).render());
        settings.setPasswordEntry({});
        return;
    }
    settings.setConnectionString(withoutPassword(*cs).render());
    settings.setPasswordEntry(entry);
}

} // namespace varnett::data
