#include "app/dlgMain.h"

#include "data/GeneratedProcedures.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "dialogs/dlgGenerateTables.h"
#include "dialogs/dlgTableList.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QPushButton>

#include <algorithm>

namespace varnett {

namespace {

QString shown(const sqltext::ObjectName& name)
{
    return QString::fromStdString(sqltext::displayName(name));
}

// The procedures table by table, one line each: "Orders: SP_INSERT_Orders,
// SP_UPDATE_Orders".
QStringList proceduresByTable(const data::Generation& generation)
{
    QStringList lines;
    QString table;
    for (const data::GeneratedProcedure& procedure : generation.procedures) {
        if (lines.isEmpty() || shown(procedure.table) != table) {
            table = shown(procedure.table);
            lines << table + QStringLiteral(": ") + shown(procedure.name);
        } else {
            lines.back() += QStringLiteral(", ") + shown(procedure.name);
        }
    }
    return lines;
}

} // namespace

// The tables of the database without its views, in the chooser; then the
// kinds, names, options and output; then the procedures, and what was done.
void TfrmMain::mniGenerateForTablesClick()
{
    std::vector<sqltext::ObjectName> tables;
    {
        ui::BusyOperation busy({}, false);
        tables = m_dataMain->listTables();
        const std::vector<sqltext::ObjectName> views = m_dataMain->listViews();
        std::erase_if(tables, [&](const sqltext::ObjectName& table) {
            return std::find(views.begin(), views.end(), table) != views.end();
        });
    }
    Tfrm_TableList chooser(this);
    chooser.setTables(tables);
    chooser.setDatabase(QString::fromStdString(m_dataMain->currentDatabaseName()));
    chooser.OptionsBtn->hide();
    if (ui::exec(chooser) != QDialog::Accepted || chooser.chosenTables().empty())
        return;
    const std::vector<sqltext::ObjectName> chosen = chooser.chosenTables();

    GenerateTablesChoice choice = askGenerateTables(static_cast<int>(chosen.size()),
                                                    m_dataMain->settings().generatorOptions(), this);
    if (!choice.accepted)
        return;
    choice.request.tables = chosen;
    data::Engine& engine = m_dataMain->db().engine();
    data::Generation generation;
    QString done;
    {
        ui::BusyOperation busy(busyWidgets(), false, m_clock);
        generation = data::generateProcedures(engine, choice.request);
        const std::string path = choice.path.toStdString();
        switch (choice.output) {
        case GenerateOutput::ScriptFile:
            data::writeGeneratedScript(engine, generation, path);
            done = tr("Written to the script %1:").arg(choice.path);
            break;
        case GenerateOutput::Folder:
            data::writeGeneratedFolder(generation, path);
            done = tr("Written to the folder %1, one file each:").arg(choice.path);
            break;
        case GenerateOutput::Server:
            data::createGenerated(engine, generation);
            done = tr("Created on the server:");
            break;
        }
    }
    QStringList text{done};
    text << proceduresByTable(generation);
    const std::vector<std::string> skipped = data::skipSummary(generation);
    if (!skipped.empty()) {
        text << QString() << tr("Left out:");
        for (const std::string& line : skipped)
            text << QString::fromStdString(line);
    }
    ui::information(text.join(QLatin1Char('\n')));
}

} // namespace varnett
