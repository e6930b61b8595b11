#include "app/ServerProcedures.h"

#include "data/ProcedureUpdate.h"
#include "data/dmMain.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureText.h"
#include "ui/Modal.h"

namespace varnett {

namespace {

std::vector<std::string> toStd(const QStringList& lines)
{
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString& line : lines)
        result.push_back(line.toStdString());
    return result;
}

} // namespace

bool ServerProcedures::createPage(const QStringList& lines, const QString& word)
{
    try {
        m_dataMain.executeLines(toStd(lines));
    } catch (const std::exception& failure) {
        ui::error(QStringLiteral("Can not create procedure %1. Error msg: ").arg(word)
                  + ui::messageOf(failure));
        return false;
    }
    ui::information(QStringLiteral("Procedure %1 created successfully.").arg(word));
    return true;
}

QStringList ServerProcedures::procedureText(const QString& name)
{
    data::Engine& engine = m_dataMain.db().engine();
    const std::string objectName =
        sqltext::procedureObjectName(engine.databaseName(),
                                     sqltext::objectNameOrWhole(name.toStdString()));
    QStringList lines;
    for (const std::string& line : sqltext::procedureLines(engine.procedureText(objectName)))
        lines << QString::fromStdString(line);
    return lines;
}

void ServerProcedures::updateOnServer(const QString& procedureName, const QStringList& lines)
{
    try {
        data::updateProcedure(m_dataMain.db().engine(), procedureName.toStdString(), toStd(lines));
    } catch (const std::exception& failure) {
        ui::error(QStringLiteral("Can not update procedure. Error msg: ") + ui::messageOf(failure));
        return;
    }
    ui::information(QStringLiteral("Procedure updated successfully."));
}

} // namespace varnett
