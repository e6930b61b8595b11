#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <thread>

namespace varnett::testing {

// What a client sent in its LOGIN7 packet, decoded to UTF-8.
struct Login7 {
    std::string hostName, userName, password, appName, serverName, database;
};

// A listener on 127.0.0.1 that plays the server's part of a TDS login just
// far enough to read the client's LOGIN7 packet: it answers the PRELOGIN
// packet (no encryption), reads the login, then hangs up. It serves one
// connection and gives up after `patience`; nothing is reachable from
// outside the machine.
class FakeTdsServer {
public:
    explicit FakeTdsServer(std::chrono::milliseconds patience = std::chrono::seconds(10));
    ~FakeTdsServer();
    FakeTdsServer(const FakeTdsServer&) = delete;
    FakeTdsServer& operator=(const FakeTdsServer&) = delete;

    int port() const { return m_port; }
    // Waits for the connection to end; the login read, or none (no client,
    // a malformed packet, the time run out). `problem` then says why.
    std::optional<Login7> login();
    const std::string& problem() const { return m_problem; }

private:
    void serve();

    int m_listener = -1;
    int m_port = 0;
    std::chrono::milliseconds m_patience;
    std::thread m_thread;
    std::optional<Login7> m_login;
    std::string m_problem;
};

// The password field of LOGIN7 as the client sends it: each byte has its
// nibbles swapped and is then XORed with 0xA5. Gives the bytes back.
std::string decodeLoginPassword(const std::string& obfuscated);

} // namespace varnett::testing
