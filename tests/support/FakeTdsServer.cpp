#include "support/FakeTdsServer.h"

#include "sqltext/Utf8.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace varnett::testing {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kPreLogin = 0x12;
constexpr std::uint8_t kLogin7 = 0x10;
constexpr std::uint8_t kReply = 0x04;
constexpr std::uint8_t kEndOfMessage = 0x01;
constexpr std::size_t kHeaderSize = 8;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Waits until the socket is readable or the deadline passes.
void waitReadable(int fd, Clock::time_point deadline)
{
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            throw Failure("the time ran out");
        pollfd entry{fd, POLLIN, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return;
        if (ready < 0 && errno != EINTR)
            throw Failure("poll failed");
    }
}

std::string readExactly(int fd, std::size_t size, Clock::time_point deadline)
{
    std::string bytes;
    while (bytes.size() < size) {
        waitReadable(fd, deadline);
        char buffer[4096];
        ssize_t got = ::recv(fd, buffer, std::min(sizeof buffer, size - bytes.size()), 0);
        if (got <= 0)
            throw Failure("the client hung up");
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

// One message: the payloads of its packets up to the one marked last.
std::string readMessage(int fd, std::uint8_t expectedType, Clock::time_point deadline)
{
    std::string payload;
    for (;;) {
        std::string header = readExactly(fd, kHeaderSize, deadline);
        auto type = static_cast<std::uint8_t>(header[0]);
        auto status = static_cast<std::uint8_t>(header[1]);
        std::size_t length = (static_cast<std::uint8_t>(header[2]) << 8)
            | static_cast<std::uint8_t>(header[3]);
        if (type != expectedType)
            throw Failure("packet type " + std::to_string(type) + " where "
                          + std::to_string(expectedType) + " was expected");
        if (length < kHeaderSize)
            throw Failure("a packet length below its header");
        payload += readExactly(fd, length - kHeaderSize, deadline);
        if (status & kEndOfMessage)
            return payload;
    }
}

void sendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            throw Failure("the answer could not be sent");
        sent += static_cast<std::size_t>(n);
    }
}

// The PRELOGIN answer: a server version and "encryption not supported", so
// the login follows in the clear.
std::string preLoginReply()
{
    const std::string payload{
        '\x00', '\x00', '\x0B', '\x00', '\x06',     // VERSION at 11, 6 bytes
        '\x01', '\x00', '\x11', '\x00', '\x01',     // ENCRYPTION at 17, 1 byte
        '\xFF',                                     // end of the options
        '\x0F', '\x00', '\x07', '\xD0', '\x00', '\x00',
        '\x02',                                     // ENCRYPT_NOT_SUP
    };
    std::string packet{static_cast<char>(kReply), static_cast<char>(kEndOfMessage), '\x00',
                       static_cast<char>(kHeaderSize + payload.size()), '\x00', '\x00', '\x01',
                       '\x00'};
    return packet + payload;
}

std::uint16_t word(const std::string& bytes, std::size_t at)
{
    if (at + 2 > bytes.size())
        throw Failure("LOGIN7 is too short");
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at])
                                      | (static_cast<std::uint8_t>(bytes[at + 1]) << 8));
}

using varnett::sqltext::appendUtf8;

std::string utf16ToUtf8(const std::string& bytes)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = word(bytes, i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            std::uint32_t low = word(bytes, i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

// A string field of LOGIN7: its offset and length in characters stand at
// `at` in the fixed part; the offset counts from the start of the payload.
std::string field(const std::string& login, std::size_t at)
{
    std::size_t offset = word(login, at);
    std::size_t bytes = 2 * std::size_t{word(login, at + 2)};
    if (offset + bytes > login.size())
        throw Failure("a LOGIN7 field runs past the packet");
    return login.substr(offset, bytes);
}

Login7 parseLogin7(const std::string& login)
{
    Login7 result;
    result.hostName = utf16ToUtf8(field(login, 36));
    result.userName = utf16ToUtf8(field(login, 40));
    result.password = utf16ToUtf8(decodeLoginPassword(field(login, 44)));
    result.appName = utf16ToUtf8(field(login, 48));
    result.serverName = utf16ToUtf8(field(login, 52));
    result.database = utf16ToUtf8(field(login, 68));
    return result;
}

} // namespace

std::string decodeLoginPassword(const std::string& obfuscated)
{
    std::string out;
    for (char c : obfuscated) {
        auto b = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ 0xA5);
        out += static_cast<char>(static_cast<std::uint8_t>((b << 4) | (b >> 4)));
    }
    return out;
}

FakeTdsServer::FakeTdsServer(std::chrono::milliseconds patience) : m_patience(patience)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        throw std::runtime_error("no socket for the fake server");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
        || ::listen(m_listener, 1) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(m_listener);
        throw std::runtime_error("the fake server cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

FakeTdsServer::~FakeTdsServer()
{
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listener);
}

std::optional<Login7> FakeTdsServer::login()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_login;
}

void FakeTdsServer::serve()
{
    const auto deadline = Clock::now() + m_patience;
    int client = -1;
    try {
        waitReadable(m_listener, deadline);
        client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            throw Failure("accept failed");
        readMessage(client, kPreLogin, deadline);
        sendAll(client, preLoginReply());
        m_login = parseLogin7(readMessage(client, kLogin7, deadline));
    } catch (const Failure& failure) {
        m_problem = failure.what();
    }
    if (client >= 0)
        ::close(client);
}

} // namespace varnett::testing
