#pragma once

#include "data/Engine.h"

#include <memory>
#include <string>

namespace varnett::data {

// The one database connection of the program. It holds a connection string;
// opening picks the engine that the string's Provider names. Every operation
// opens a closed connection by itself.
class Connection {
public:
    Connection();
    ~Connection();

    // Sets the string; an open connection is closed first.
    void setConnectionString(const std::string& text);
    // The string as the connection reports it: while open, the engine's
    // rendering (password left out unless Persist Security Info is true);
    // while closed, that rendering of the string held.
    std::string connectionString() const;
    // The string as Show connection gives it: connectionString() without
    // the password, whatever Persist Security Info says.
    std::string shownText() const;
    // The string exactly as it was set, password included.
    const std::string& heldText() const { return m_text; }

    void open();
    void close();
    bool isOpen() const { return m_engine != nullptr; }

    // The database in use; empty while closed.
    std::string databaseName() const;
    // The open engine, opening the connection first when it is closed.
    Engine& engine();

private:
    std::string m_text;
    std::unique_ptr<Engine> m_engine;
};

// Opens the engine that the connection string's Provider names.
std::unique_ptr<Engine> openEngine(const std::string& connectionString);

} // namespace varnett::data
