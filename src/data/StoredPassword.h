#pragma once

#include "data/ConnectionString.h"

#include <functional>
#include <string>

namespace varnett::data {

class SecretStore;
class SettingsStore;

// How a saved password (Persist Security Info=True) is kept. The settings
// hold the connection string without it and, under "PasswordEntry", the name
// of its keychain entry (service "Varnett"); the password is read from the
// keychain when the connection opens. Where no keychain can be reached, the
// user's answer, asked once and kept under "PasswordFallback", decides: the
// settings file as before, or nowhere.

// The keychain entry of a connection's password: its Data Source, Initial
// Catalog and User ID as a connection string ("Data Source=db01;Initial
// Catalog=Sales;User ID=sa"), so connections differing in any of the three
// keep their passwords apart.
std::string passwordEntryOf(const ConnectionString& connection);

// Asks, when no keychain can be reached (the reason given), whether the
// password goes to the settings file (true) or is not stored at all (false).
using StoreInSettingsQuestion = std::function<bool(const std::string& reason)>;

// The stored connection string with its password: the one of the settings,
// the password read from the keychain entry the settings name. Never asks.
// Throws varnett::Error saying so when the keychain cannot be reached.
std::string storedConnectionText(SettingsStore& settings, SecretStore& secrets);

// Moves a plain-text password of the stored connection (from an older
// settings file) into the keychain and out of the file. Returns the message
// that says so, or an empty text when nothing was moved. Without a keychain
// the question decides, unless it was answered before; no question keeps
// the file as it is.
std::string movePlainPassword(SettingsStore& settings, SecretStore& secrets,
                              const StoreInSettingsQuestion& question);

// Stores a connection string as the connection reports it (the password in
// it only with Persist Security Info=True): the password into the keychain,
// the rest into the settings. A string without a password drops the entry
// the settings named for the same server, database and user. Without a
// keychain the question decides, as for movePlainPassword.
void storeConnectionText(SettingsStore& settings, SecretStore& secrets, const std::string& text,
                         const StoreInSettingsQuestion& question);

} // namespace varnett::data
