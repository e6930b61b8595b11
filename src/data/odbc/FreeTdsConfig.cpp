#include "data/odbc/FreeTdsConfig.h"

#include "sqltext/Error.h"

#include <QDir>
#include <QTemporaryFile>

#include <cstdlib>

namespace varnett::data {

namespace {

constexpr const char* kVariable = "FREETDSCONF";

} // namespace

FreeTdsConfigFile::FreeTdsConfigFile(const std::string& text)
{
    if (text.empty())
        return;
    // QTemporaryFile creates the file readable by its owner only.
    m_file = std::make_unique<QTemporaryFile>(QDir::tempPath()
                                              + QStringLiteral("/varnett-freetds-XXXXXX.conf"));
    const QByteArray bytes = QByteArray::fromStdString(text);
    if (!m_file->open() || m_file->write(bytes) != bytes.size() || !m_file->flush())
        throw Error("The configuration for the FreeTDS driver cannot be written to "
                    + m_file->fileName().toStdString() + ": "
                    + m_file->errorString().toStdString());
    if (const char* previous = std::getenv(kVariable))
        m_previous = previous;
    qputenv(kVariable, QFile::encodeName(m_file->fileName()));
}

FreeTdsConfigFile::~FreeTdsConfigFile()
{
    if (!m_file)
        return;
    if (m_previous)
        qputenv(kVariable, QByteArray::fromStdString(*m_previous));
    else
        qunsetenv(kVariable);
}

} // namespace varnett::data
