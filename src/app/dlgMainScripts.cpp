// The DataBase menu's script commands: the procedure script, the data
// transfer script and loading a script.
#include "app/dlgMain.h"

#include "data/Scripts.h"
#include "data/dmMain.h"
#include "dialogs/dlgOpenProc.h"
#include "dialogs/dlgSchemaOptions.h"
#include "dialogs/dlgTableList.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace varnett {

namespace {

// A number as the user's language writes it (thousands separated).
QString number(std::uint64_t value)
{
    return QLocale().toString(static_cast<qulonglong>(value));
}

// Shows the progress when the display is due for it; the text is made only
// then, as it may be asked for every row.
template <typename Text>
void showWhenDue(ui::BusyOperation& busy, std::uint64_t done, std::uint64_t total, Text text)
{
    if (busy.showDue(done, total))
        busy.show(done, total, text());
}

} // namespace

// The procedure script's three phases (reading, ordering, writing the
// procedures) on the busy display, which may cancel it.
data::Progress TfrmMain::procedureScriptProgress(ui::BusyOperation& busy)
{
    auto phase = std::make_shared<int>(-1);
    auto max = std::make_shared<int>(0);
    data::Progress progress;
    progress.start = [&busy, phase, max](int steps) {
        ++*phase;
        *max = steps;
        busy.start(steps);
    };
    progress.step = [&busy, phase, max](int position) {
        static const char* const kWhat[] = {QT_TR_NOOP("Reading procedure %1 of %2"),
                                            QT_TR_NOOP("Ordering procedure %1 of %2"),
                                            QT_TR_NOOP("Writing procedure %1 of %2")};
        const char* what = kWhat[std::clamp(*phase, 0, 2)];
        busy.show(static_cast<std::uint64_t>(position), static_cast<std::uint64_t>(*max),
                  tr(what).arg(number(static_cast<std::uint64_t>(position)),
                               number(static_cast<std::uint64_t>(*max))));
    };
    progress.afterStep = afterStepOf(busy);
    return progress;
}

// The data script's tables and rows on the busy display.
data::Progress TfrmMain::dataScriptProgress(ui::BusyOperation& busy)
{
    auto tables = std::make_shared<int>(0);
    auto table = std::make_shared<int>(0);
    auto rows = std::make_shared<std::uint64_t>(0);
    auto totalRows = std::make_shared<std::optional<std::uint64_t>>();
    auto showRows = [&busy, tables, table, rows, totalRows] {
        const auto tableNumber = static_cast<std::uint64_t>(std::min(*table + 1, *tables));
        const auto tableCount = static_cast<std::uint64_t>(*tables);
        if (*totalRows) {
            // Counted: the rows done of how many, which gives the time left.
            showWhenDue(busy, *rows, **totalRows, [&] {
                return tr("Row %1 of %2 (table %3 of %4)")
                    .arg(number(*rows), number(**totalRows), number(tableNumber), number(tableCount));
            });
            return;
        }
        showWhenDue(busy, static_cast<std::uint64_t>(*table), tableCount, [&] {
            return tr("Table %1 of %2, %3 rows written")
                .arg(number(tableNumber), number(tableCount), number(*rows));
        });
    };
    data::Progress progress;
    progress.rowsTotal = [totalRows](std::uint64_t total) { *totalRows = total; };
    progress.start = [&busy, tables](int steps) {
        *tables = steps;
        busy.start(steps);
    };
    progress.step = [&busy, table, showRows](int position) {
        *table = position;
        showRows();
        busy.poll();
    };
    const data::StepHook after = afterStepOf(busy);
    progress.afterStep = [rows, showRows, after](std::size_t done) {
        *rows = done;
        showRows();
        after(done);
    };
    return progress;
}

// A load's batches on the busy display: the batches done of how many, and the
// time left.
data::LoadOptions TfrmMain::loadOptions(ui::BusyOperation& busy, bool transaction)
{
    auto total = std::make_shared<std::size_t>(0);
    data::LoadOptions options;
    options.transaction = transaction;
    options.progress = [total](const data::LoadProgress& progress) {
        *total = progress.batchesTotal;
    };
    const data::StepHook after = afterStepOf(busy);
    options.afterBatch = [&busy, total, after](std::size_t done) {
        showWhenDue(busy, done, *total,
                    [&] { return tr("Batch %1 of %2").arg(number(done), number(*total)); });
        after(done);
    };
    return options;
}

// After each step: the test probe, if any, then a look for Cancel.
data::StepHook TfrmMain::afterStepOf(ui::BusyOperation& busy) const
{
    return [&busy, probe = m_operationProbe](std::size_t done) {
        if (probe)
            probe(done);
        busy.poll();
    };
}

namespace {

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

} // namespace

std::optional<QString> TfrmMain::askScriptFileName(ScriptKind kind)
{
    // Each kind of script proposes its own last file, so a data script does
    // not offer to overwrite the procedure script, and back.
    QString& last = kind == ScriptKind::Procedures ? m_lastProcedureScript
        : kind == ScriptKind::Schema                ? m_lastSchemaScript
                                                    : m_lastDataScript;
    ui::FileRequest request;
    request.objectName = QStringLiteral("sdScript");
    request.caption = kind == ScriptKind::Procedures ? TfrmMain::tr("Save procedure script")
        : kind == ScriptKind::Schema                 ? TfrmMain::tr("Save schema script")
                                                     : TfrmMain::tr("Save data transfer script");
    request.defaultSuffix = QStringLiteral("SQL");
    request.nameFilters = {TfrmMain::tr("Script (*.SQL *.sql)"), TfrmMain::tr("All (*)")};
    if (!last.isEmpty()) {
        request.proposedName = last;
    } else {
        const QString database = statusText().isEmpty() ? QString() : statusText() + QLatin1Char('_');
        request.proposedName = database
            + (kind == ScriptKind::Procedures ? QStringLiteral("Procedures.SQL")
               : kind == ScriptKind::Schema   ? QStringLiteral("Schema.SQL")
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
        m_chosenProcedures.push_back(sqltext::objectNameOrWhole(name.toStdString()));
    if (m_chosenProcedures.empty())
        return;
    try {
        ui::BusyOperation busy(busyWidgets(), true, m_clock);
        data::writeProcedureScript(m_dataMain->db().engine(), m_chosenProcedures,
                                   path->toStdString(), procedureScriptProgress(busy));
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
        ui::BusyOperation busy(busyWidgets(), true, m_clock);
        data::writeDataScript(m_dataMain->db().engine(), choice.tables, path->toStdString(),
                              choice.settings, dataScriptProgress(busy));
    } catch (const ui::OperationCancelled&) {
        ui::information(scriptCancelled(*path));
        return;
    }
    ui::information(scriptWritten(*path));
}

void TfrmMain::mniSchemaScriptClick()
{
    const std::optional<QString> path = askScriptFileName(ScriptKind::Schema);
    if (!path)
        return;
    const DataScriptChoice choice = chooseDataScript(*m_dataMain, this);
    if (choice.tables.empty())
        return;
    const SchemaOptionsChoice options = askSchemaOptions(this);
    if (!options.accepted)
        return;
    data::SchemaScriptSettings settings;
    settings.options = options.options;
    settings.withData = options.withData;
    settings.data = choice.settings;
    try {
        ui::BusyOperation busy(busyWidgets(), true, m_clock);
        data::writeSchemaScript(m_dataMain->db().engine(), choice.tables, path->toStdString(),
                                settings, dataScriptProgress(busy));
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

    bool transaction = true;
    data::Engine& engine = m_dataMain->db().engine();
    auto load = [&] {
        ui::BusyOperation busy(busyWidgets(), true, m_clock);
        data::loadScriptFile(engine, path->toStdString(), loadOptions(busy, transaction));
    };
    try {
        try {
            load();
        } catch (const data::TransactionRefused& refused) {
            if (!ui::confirm(QString::fromStdString(refused.what())
                             + tr("\n\nLoad the script batch by batch, without a transaction? "
                                  "A batch that fails then leaves the batches before it done.")))
                return;
            transaction = false;
            load();
        }
    } catch (const ui::OperationCancelled&) {
        ui::information(transaction
                            ? tr("The load was cancelled; the database was not changed.")
                            : tr("The load was cancelled; the batches run before it stay done."));
        return;
    }
    ui::information(tr("The script is loaded successfully"));
}

} // namespace varnett
