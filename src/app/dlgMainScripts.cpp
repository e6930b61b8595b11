// The DataBase menu's script commands: the procedure script, the data
// transfer script and loading a script.
#include "app/dlgMain.h"

#include "data/Scripts.h"
#include "data/dmMain.h"
#include "dialogs/dlgOpenProc.h"
#include "dialogs/dlgTableList.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace varnett {

namespace {

// Reports the steps of a script operation to the busy display, which may
// cancel it.
data::Progress progressOf(ui::BusyOperation& busy)
{
    return {[&busy](int max) { busy.start(max); }, [&busy](int position) { busy.step(position); }};
}

QString scriptWritten(const QString& path)
{
    return TfrmMain::tr("The script is created successfully: %1")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

QString scriptCancelled(const QString& path)
{
    return TfrmMain::tr("The script was cancelled; %1 was not changed.")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

// A load's bytes on the busy display, in a thousand steps.
std::function<void(const data::LoadProgress&)> loadProgressOf(ui::BusyOperation& busy)
{
    busy.start(1000);
    return [&busy](const data::LoadProgress& progress) {
        const std::uint64_t total = std::max<std::uint64_t>(progress.bytesTotal, 1);
        busy.step(static_cast<int>(std::min<std::uint64_t>(progress.bytesDone, total) * 1000
                                   / total));
    };
}

} // namespace

std::optional<QString> TfrmMain::askScriptFileName(ScriptKind kind)
{
    // Each kind of script proposes its own last file, so a data script does
    // not offer to overwrite the procedure script, and back.
    QString& last = kind == ScriptKind::Procedures ? m_lastProcedureScript : m_lastDataScript;
    ui::FileRequest request;
    request.objectName = QStringLiteral("sdScript");
    request.caption = kind == ScriptKind::Procedures ? TfrmMain::tr("Save procedure script")
                                                     : TfrmMain::tr("Save data transfer script");
    request.defaultSuffix = QStringLiteral("SQL");
    request.nameFilters = {TfrmMain::tr("Script (*.SQL *.sql)"), TfrmMain::tr("All (*)")};
    if (!last.isEmpty()) {
        request.proposedName = last;
    } else {
        const QString database = statusText().isEmpty() ? QString() : statusText() + QLatin1Char('_');
        request.proposedName = database
            + (kind == ScriptKind::Procedures ? QStringLiteral("Procedures.SQL")
                                              : QStringLiteral("Data.SQL"));
    }
    std::optional<QString> path = ui::getSaveFileName(request);
    if (path)
        last = *path;
    return path;
}

void TfrmMain::mniScriptClick()
{
    const std::optional<QString> path = askScriptFileName(ScriptKind::Procedures);
    if (!path)
        return;
    m_chosenProcedures.clear();
    for (const QString& name : askOpenProcedures(*m_dataMain, this))
        m_chosenProcedures.push_back(name.toStdString());
    if (m_chosenProcedures.empty())
        return;
    try {
        ui::BusyOperation busy(busyWidgets(), true);
        data::Engine& engine = m_dataMain->db().engine();
        data::writeProcedureScript(engine, engine.databaseName(), m_chosenProcedures,
                                   path->toStdString(), progressOf(busy));
    } catch (const ui::OperationCancelled&) {
        ui::information(scriptCancelled(*path));
        return;
    }
    ui::information(scriptWritten(*path));
}

void TfrmMain::mniDatatransferScriptClick()
{
    const std::optional<QString> path = askScriptFileName(ScriptKind::Data);
    if (!path)
        return;
    const DataScriptChoice choice = chooseDataScript(*m_dataMain, this);
    if (choice.tables.empty())
        return;
    try {
        ui::BusyOperation busy(busyWidgets(), true);
        data::writeDataScript(m_dataMain->db().engine(), choice.tables, path->toStdString(),
                              choice.settings, progressOf(busy));
    } catch (const ui::OperationCancelled&) {
        ui::information(scriptCancelled(*path));
        return;
    }
    ui::information(scriptWritten(*path));
}

void TfrmMain::mniLoadScriptClick()
{
    ui::FileRequest request;
    request.objectName = QStringLiteral("odScript");
    request.caption = tr("Load script");
    request.defaultSuffix = QStringLiteral("SQL");
    request.nameFilters = {tr("Script (*.SQL *.sql)"), tr("All (*)")};
    // The script loaded last, else the data script written last.
    request.proposedName = m_lastLoadedScript.isEmpty() ? m_lastDataScript : m_lastLoadedScript;
    const std::optional<QString> path = ui::getOpenFileName(request);
    if (!path)
        return;
    m_lastLoadedScript = *path;

    data::LoadOptions options;
    data::Engine& engine = m_dataMain->db().engine();
    auto load = [&] {
        ui::BusyOperation busy(busyWidgets(), true);
        options.progress = loadProgressOf(busy);
        data::loadScriptFile(engine, path->toStdString(), options);
    };
    try {
        try {
            load();
        } catch (const data::TransactionRefused& refused) {
            if (!ui::confirm(QString::fromStdString(refused.what())
                             + tr("\n\nLoad the script batch by batch, without a transaction? "
                                  "A batch that fails then leaves the batches before it done.")))
                return;
            options.transaction = false;
            load();
        }
    } catch (const ui::OperationCancelled&) {
        ui::information(options.transaction
                            ? tr("The load was cancelled; the database was not changed.")
                            : tr("The load was cancelled; the batches run before it stay done."));
        return;
    }
    ui::information(tr("The script is loaded successfully"));
}

} // namespace varnett
