#include "app/ServerProcedures.h"

#include "data/ProcedureUpdate.h"
#include "data/dmMain.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureText.h"
#include "sqltext/Error.h"
#include "ui/Modal.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace varnett {

namespace {

// The user-visible text in the current translation.
QString translated(const char* text)
{
    return QCoreApplication::translate("ServerProcedures", text);
}

std::vector<std::string> toStd(const QStringList& lines)
{
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString& line : lines)
        result.push_back(line.toStdString());
    return result;
}

// An empty page is refused before the server is asked: its message is
// plainer than a driver's.
void requireText(const QStringList& lines)
{
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty())
            return;
    throw Error("The page is empty.");
}

// The name a text creates or alters a procedure under, as written; empty
// when it holds no such statement.
QString createdProcedure(const QStringList& lines)
{
    static const QRegularExpression statement(
        QStringLiteral(R"(\b(?:CREATE|ALTER)\s+PROC(?:EDURE)?\s+((?:\[(?:[^\]]|\]\])*\]|"[^"]*"|[^\s(;.]+)(?:\.(?:\[(?:[^\]]|\]\])*\]|"[^"]*"|[^\s(;.]+))*))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = statement.match(lines.join(QLatin1Char('\n')));
    return match.hasMatch() ? match.captured(1) : QString();
}

// The success sentence, naming the procedure when the text shows it.
QString naming(const QString& sentence, const QStringList& lines)
{
    const QString name = createdProcedure(lines);
    if (name.isEmpty())
        return sentence;
    QString text = sentence;
    text.chop(1); // the final "."
    return text + QStringLiteral(": ") + name;
}

} // namespace

bool ServerProcedures::createPage(const QStringList& lines, const QString& word)
{
    try {
        requireText(lines);
        m_dataMain.executeLines(toStd(lines));
    } catch (const std::exception& failure) {
        ui::error(translated("Can not create procedure %1. Error msg: ").arg(word)
                  + ui::messageOf(failure));
        return false;
    }
    ui::information(naming(translated("Procedure %1 created successfully.").arg(word), lines));
    return true;
}

QStringList ServerProcedures::procedureText(const QString& name)
{
    data::Engine& engine = m_dataMain.db().engine();
    const sqltext::ObjectName procedure = sqltext::objectNameOrWhole(name.toStdString());
    QStringList lines;
    for (const std::string& line : sqltext::procedureLines(engine.procedureText(procedure)))
        lines << QString::fromStdString(line);
    return lines;
}

bool ServerProcedures::updateOnServer(const QString& procedureName, const QStringList& lines)
{
    try {
        requireText(lines);
        std::optional<sqltext::ObjectName> procedure;
        if (!procedureName.isEmpty())
            procedure = sqltext::objectNameOrWhole(procedureName.toStdString());
        data::updateProcedure(m_dataMain.db().engine(), procedure, toStd(lines));
    } catch (const std::exception& failure) {
        ui::error(translated("Can not update procedure. Error msg: ") + ui::messageOf(failure));
        return false;
    }
    ui::information(naming(translated("Procedure updated successfully."), lines));
    return true;
}

} // namespace varnett
