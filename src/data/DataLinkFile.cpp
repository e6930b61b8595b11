#include "data/DataLinkFile.h"

#include "sqltext/Error.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace varnett::data {

QString dataLinksFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Varnett/DataLinks");
}

QStringList listDataLinkFiles(const QString& folder)
{
    QDir dir(folder);
    QStringList names = dir.entryList({QStringLiteral("*.udl"), QStringLiteral("*.UDL")},
                                      QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    names.removeDuplicates();
    return names;
}

QString readDataLinkFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error("Cannot read the data link file '" + path.toStdString()
                    + "': " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();

    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        text = QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        text = QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
        if (utf8.hasError())
            throw Error("The data link file '" + path.toStdString() + "' is not UTF-8 or UTF-16 text");
    }

    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))
            || line.compare(QStringLiteral("[oledb]"), Qt::CaseInsensitive) == 0)
            continue;
        return line;
    }
    throw Error("The data link file '" + path.toStdString() + "' holds no connection string");
}

QByteArray dataLinkFileBytes(const QString& connectionString)
{
    const QString text = QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n")
        + connectionString + QStringLiteral("\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace varnett::data
