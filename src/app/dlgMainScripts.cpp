// The DataBase menu's script commands: the procedure script, the data
// transfer script and loading a script.
#include "app/dlgMain.h"

#include "data/Scripts.h"
#include "data/dmMain.h"
#include "dialogs/dlgOpenProc.h"
#include "dialogs/dlgTableList.h"
#include "ui/Modal.h"

#include <QProgressBar>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace varnett {

namespace {

// Shows a long operation's progress in the toolbar's bar; the bar goes back
// to 0 when the operation ends, whatever way it ends.
class ProgressDisplay {
public:
    explicit ProgressDisplay(QProgressBar* bar) : m_bar(bar) {}
    ~ProgressDisplay() { m_bar->setValue(0); }

    data::Progress progress()
    {
        return {[this](int max) {
                    m_bar->setRange(0, std::max(max, 1));
                    show(0);
                },
                [this](int position) { show(position); }};
    }

    // A load's bytes on a bar of a thousand steps.
    std::function<void(const data::LoadProgress&)> loadProgress()
    {
        m_bar->setRange(0, 1000);
        return [this](const data::LoadProgress& progress) {
            const std::uint64_t total = std::max<std::uint64_t>(progress.bytesTotal, 1);
            show(static_cast<int>(std::min<std::uint64_t>(progress.bytesDone, total) * 1000
                                  / total));
        };
    }

private:
    void show(int position)
    {
        m_bar->setValue(std::min(position, m_bar->maximum()));
        m_bar->repaint();
    }

    QProgressBar* m_bar;
};

} // namespace

std::optional<QString> TfrmMain::askScriptFileName()
{
    ui::FileRequest request;
    request.objectName = QStringLiteral("sdScript");
    request.caption = QStringLiteral("Save script");
    request.defaultSuffix = QStringLiteral("SQL");
    request.nameFilters = {QStringLiteral("Script (*.SQL *.sql)"), QStringLiteral("All (*)")};
    request.proposedName = m_lastScriptName;
    std::optional<QString> path = ui::getSaveFileName(request);
    if (path)
        m_lastScriptName = *path;
    return path;
}

void TfrmMain::mniScriptClick()
{
    const std::optional<QString> path = askScriptFileName();
    if (!path)
        return;
    m_chosenProcedures.clear();
    for (const QString& name : askOpenProcedures(*m_dataMain, this))
        m_chosenProcedures.push_back(name.toStdString());
    if (m_chosenProcedures.empty())
        return;
    ProgressDisplay display(pbMain);
    data::Engine& engine = m_dataMain->db().engine();
    data::writeProcedureScript(engine, engine.databaseName(), m_chosenProcedures,
                               path->toStdString(), display.progress());
    ui::information(QStringLiteral("The script is created successfully"));
}

void TfrmMain::mniDatatransferScriptClick()
{
    const std::optional<QString> path = askScriptFileName();
    if (!path)
        return;
    const DataScriptChoice choice = chooseDataScript(*m_dataMain, this);
    if (choice.tables.empty())
        return;
    ProgressDisplay display(pbMain);
    data::writeDataScript(m_dataMain->db().engine(), choice.tables, path->toStdString(),
                          choice.settings, display.progress());
    ui::information(QStringLiteral("The script is created successfully"));
}

void TfrmMain::mniLoadScriptClick()
{
    ui::FileRequest request;
    request.objectName = QStringLiteral("odScript");
    request.caption = QStringLiteral("Load script");
    request.defaultSuffix = QStringLiteral("SQL");
    request.nameFilters = {QStringLiteral("Script (*.SQL *.sql)"), QStringLiteral("All (*)")};
    request.proposedName = m_lastScriptName;
    const std::optional<QString> path = ui::getOpenFileName(request);
    if (!path)
        return;
    m_lastScriptName = *path;

    ProgressDisplay display(pbMain);
    data::LoadOptions options;
    options.progress = display.loadProgress();
    data::Engine& engine = m_dataMain->db().engine();
    try {
        data::loadScriptFile(engine, path->toStdString(), options);
    } catch (const data::TransactionRefused& refused) {
        if (!ui::confirm(QString::fromStdString(refused.what())
                         + QStringLiteral("\n\nLoad the script batch by batch, without a "
                                          "transaction? A batch that fails then leaves the "
                                          "batches before it done.")))
            return;
        options.transaction = false;
        data::loadScriptFile(engine, path->toStdString(), options);
    }
    ui::information(QStringLiteral("The script is loaded successfully"));
}

} // namespace varnett
