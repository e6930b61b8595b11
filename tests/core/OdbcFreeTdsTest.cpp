// The SQL Server engine with the FreeTDS driver (Debian package tdsodbc),
// where no server listens.
#include "data/Connection.h"
#include "sqltext/Error.h"
#include "data/odbc/OdbcEngine.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

using namespace varnett::data;

namespace {

// A TCP port on 127.0.0.1 that was free a moment ago and has no listener.
int closedPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

} // namespace

TEST(OdbcFreeTds, ClosedPortFailsWithinTheTimeoutWithTheDriversMessage)
{
#ifndef VARNETT_HAVE_ODBC
    GTEST_SKIP() << "built without unixODBC";
#endif
    const std::string driver = defaultSqlServerDriver();
    if (!std::filesystem::exists(driver))
        GTEST_SKIP() << "FreeTDS ODBC driver library not found";

    const std::string port = std::to_string(closedPort());
    const std::string text = "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=127.0.0.1,"
        + port + ";Initial Catalog=Sales;User ID=sa;Password=secret;Connect Timeout=4";
    Connection connection;
    connection.setConnectionString(text);
    const auto start = std::chrono::steady_clock::now();
    std::string message;
    try {
        connection.open();
        ADD_FAILURE() << "connected to a closed port";
    } catch (const varnett::Error& e) {
        message = e.what();
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(4 + 2));
    EXPECT_NE(message.find("Unable to connect"), std::string::npos) << message;
    EXPECT_EQ(message.find('['), std::string::npos) << message;

    // Nothing is left half open: the string is still held, the password hidden.
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(connection.databaseName(), "");
    EXPECT_EQ(connection.connectionString(),
              "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=127.0.0.1," + port
                  + ";Initial Catalog=Sales;User ID=sa;Connect Timeout=4");
    EXPECT_THROW(connection.engine(), varnett::Error);
}

TEST(OdbcFreeTds, SilentServerGivesUpAtTheLoginTimeout)
{
#ifndef VARNETT_HAVE_ODBC
    GTEST_SKIP() << "built without unixODBC";
#endif
    if (!std::filesystem::exists(defaultSqlServerDriver()))
        GTEST_SKIP() << "FreeTDS ODBC driver library not found";
    // A listener that takes the connection and never answers the login:
    // only the login timeout ends the attempt.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));

    const auto start = std::chrono::steady_clock::now();
    std::string message;
    try {
        openEngine("Provider=SQLOLEDB;Data Source=127.0.0.1," + port
                   + ";User ID=sa;Password=x;Connect Timeout=2");
        ADD_FAILURE() << "a silent server accepted the login";
    } catch (const varnett::Error& e) {
        message = e.what();
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::close(fd);
    EXPECT_GE(elapsed, std::chrono::milliseconds(1500));
    EXPECT_LT(elapsed, std::chrono::seconds(2 + 3));
    EXPECT_NE(message.find("Timeout expired"), std::string::npos) << message;
}
