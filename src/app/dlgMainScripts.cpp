// The DataBase menu's script commands: the procedure script and the data
// transfer script.
#include "app/dlgMain.h"

#include "data/Scripts.h"
#include "data/dmMain.h"
#include "dialogs/dlgOpenProc.h"
#include "dialogs/dlgTableList.h"
#include "ui/Modal.h"

#include <QProgressBar>

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
    const std::vector<std::string> tables = chooseTables(*m_dataMain, this);
    if (tables.empty())
        return;
    ProgressDisplay display(pbMain);
    data::writeDataScript(m_dataMain->db().engine(), tables, path->toStdString(),
                          display.progress());
    ui::information(QStringLiteral("The script is created successfully"));
}

} // namespace varnett
