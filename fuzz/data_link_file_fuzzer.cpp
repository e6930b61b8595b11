// Data link files (.udl) as Windows or a user writes them.
#include "FuzzCheck.h"

#include "data/DataLinkFile.h"
#include "sqltext/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

const QString& scratchPath()
{
    static const QString path = QDir::tempPath() + QStringLiteral("/varnett-udl-fuzz-")
        + QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".udl");
    return path;
}

std::optional<QString> readBack(const QByteArray& bytes)
{
    QFile file(scratchPath());
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    file.close();
    try {
        return varnett::data::readDataLinkFile(scratchPath());
    } catch (const varnett::Error&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto connection = readBack(QByteArray(reinterpret_cast<const char*>(data),
                                          static_cast<qsizetype>(size)));
    if (!connection)
        return 0;
    FUZZ_CHECK(!connection->isEmpty());
    // Writing what was read and reading it again gives the same string.
    auto again = readBack(varnett::data::dataLinkFileBytes(*connection));
    FUZZ_CHECK(again.has_value() && *again == *connection);
    return 0;
}
