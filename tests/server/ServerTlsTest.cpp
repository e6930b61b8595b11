// Encrypted connections to the real server with TLS on (scripts/test-server
// starts two: one with a self-signed certificate, one with a certificate of
// a test CA, and names that CA as the trust store).
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "sqltext/Error.h"

#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

using varnett::data::ConnectionString;
using varnett::data::openEngine;

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string(name)
                                 + " is not set: scripts/test-server starts the TLS servers");
    return value;
}

class ServerTls : public ::testing::Test {
protected:
    void SetUp() override
    {
        selfSigned = environment("VARNETT_TLS_SELF_SIGNED");
        caSigned = environment("VARNETT_TLS_CA_SIGNED");
        setenv("VARNETT_CA_FILE", environment("VARNETT_TLS_CA_FILE").c_str(), 1);
    }
    std::string selfSigned;
    std::string caSigned;
};

std::string with(const std::string& connection, const std::string& keys)
{
    return connection + ";" + keys;
}

// The connection's failure, or "" when it opens and answers.
std::string failureOf(const std::string& connection)
{
    try {
        auto engine = openEngine(connection);
        engine->executeBatch("SELECT 1");
        return {};
    } catch (const std::exception& failure) {
        return failure.what();
    }
}

int portOf(const std::string& connection)
{
    const std::string source = ConnectionString::parse(connection).value("Data Source");
    return std::stoi(source.substr(source.rfind(',') + 1));
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The password as LOGIN7 carries it: UTF-16LE, each byte's halves swapped
// and XORed with 0xA5 (ASCII passwords only).
std::string obfuscated(const std::string& password)
{
    std::string out;
    for (char c : password)
        for (unsigned char byte : {static_cast<unsigned char>(c), static_cast<unsigned char>(0)})
            out += static_cast<char>((((byte << 4) | (byte >> 4)) & 0xFF) ^ 0xA5);
    return out;
}

// Sends bytes the capture can find on a plain connection to the port.
void sendMarker(int port, const std::string& marker)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::send(fd, marker.data(), marker.size(), 0), static_cast<ssize_t>(marker.size()));
    ::close(fd);
}

// The loopback traffic to the connection's port during one login and query.
std::string captureOfLogin(const std::string& connection)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("login.pcap"));
    const int port = portOf(connection);
    QProcess tcpdump;
    tcpdump.setProcessChannelMode(QProcess::SeparateChannels);
    tcpdump.start(QStringLiteral("tcpdump"), {"-i", "lo", "-U", "-s", "0", "-w", file,
                                              "tcp port " + QString::number(port)});
    // tcpdump says when it listens.
    tcpdump.setReadChannel(QProcess::StandardError);
    QByteArray said;
    while (!said.contains("listening on") && tcpdump.waitForReadyRead(60000))
        said += tcpdump.readAllStandardError();
    EXPECT_TRUE(said.contains("listening on")) << said.toStdString();
    EXPECT_EQ(failureOf(connection), "");
    // Packets reach the file in order: once the marker sent after the login
    // is in it, all of the login is.
    const std::string marker = "varnett-capture-end-marker";
    sendMarker(port, marker);
    std::string bytes;
    for (int tries = 0; tries < 600 && bytes.find(marker) == std::string::npos; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        bytes = fileBytes(file.toStdString());
    }
    tcpdump.terminate();
    tcpdump.waitForFinished(60000);
    EXPECT_NE(bytes.find(marker), std::string::npos) << "the capture did not reach the marker";
    return bytes;
}

std::string passwordOf(const std::string& connection)
{
    return ConnectionString::parse(connection).value("Password");
}

} // namespace

TEST_F(ServerTls, AnUntrustedCertificateIsRefusedWithTheCauseAndTheOption)
{
    const std::string failure = failureOf(with(selfSigned, "Use Encryption for Data=True"));
    EXPECT_EQ(failure.rfind("The server's certificate is not trusted", 0), 0u) << failure;
    EXPECT_NE(failure.find("Trust Server Certificate=True skips the check"), std::string::npos);
    EXPECT_EQ(failure.find(passwordOf(selfSigned)), std::string::npos);
}

TEST_F(ServerTls, TrustedOrCheckedCertificatesConnect)
{
    const std::string accepted[] = {
        with(selfSigned, "Use Encryption for Data=True;Trust Server Certificate=True"),
        with(caSigned, "Use Encryption for Data=True"),
        with(caSigned, "Use Encryption for Data=True;Trust Server Certificate=False"),
    };
    for (const std::string& connection : accepted) {
        SCOPED_TRACE(ConnectionString::parse(connection).renderBeforePassword());
        EXPECT_EQ(failureOf(connection), "");
    }
    // By name too: the certificate names localhost as well as 127.0.0.1.
    ConnectionString byName = ConnectionString::parse(with(caSigned, "Use Encryption for Data=True"));
    byName.set("Data Source", "localhost," + std::to_string(portOf(caSigned)));
    EXPECT_EQ(failureOf(byName.render()), "");
}

TEST_F(ServerTls, TheLoginPacketIsEncrypted)
{
    const std::string password = passwordOf(caSigned);
    ASSERT_FALSE(password.empty());
    const std::string encrypted = captureOfLogin(with(caSigned, "Use Encryption for Data=True"));
    EXPECT_EQ(encrypted.find(password), std::string::npos);
    EXPECT_EQ(encrypted.find(obfuscated(password)), std::string::npos);

    // The same search finds the password of a login that is not encrypted
    // (the plain server of the suite): the capture would show one.
    const char* plain = std::getenv("VARNETT_SERVER");
    ASSERT_TRUE(plain && *plain) << "VARNETT_SERVER is not set";
    const std::string open = captureOfLogin(with(plain, "Use Encryption for Data=False"));
    EXPECT_NE(open.find(obfuscated(passwordOf(plain))), std::string::npos);
}
