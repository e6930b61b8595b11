// Procedure > Execute: the values dialog, the call off the window's thread
// and the results dock below the pages.
#include "app/dlgMain.h"

#include "app/PageDocuments.h"
#include "data/dmMain.h"
#include "dialogs/dlgExecProc.h"
#include "dialogs/dlgOpenProc.h"
#include "sqltext/Error.h"
#include "ui/BusyOperation.h"
#include "ui/Commands.h"
#include "ui/ProcedureRunner.h"
#include "ui/ResultsDock.h"

#include <QMenu>
#include <QPushButton>
#include <QWidget>

namespace varnett {

void TfrmMain::buildResults()
{
    dockResults = new ui::ResultsDock(this);
    dockResults->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    addDockWidget(Qt::BottomDockWidgetArea, dockResults);
    dockResults->hide();
    if (auto* view = findChild<QMenu*>(QStringLiteral("mnuView"))) {
        view->addSeparator();
        QAction* toggle = dockResults->toggleViewAction();
        toggle->setObjectName(QStringLiteral("mniResults"));
        toggle->setText(tr("&Results"));
        view->addAction(toggle);
    }
    m_runner = std::make_unique<ui::ProcedureRunner>(dockResults);
    connect(m_runner.get(), &ui::ProcedureRunner::runningChanged, this,
            [this] { ui::guarded([this] { updateRunningCommands(); }); });
    connect(dockResults->btnCancelRun, &QPushButton::clicked, this, [this] { m_runner->cancel(); });
    ui::onTriggered(mniExecute, this, [this] { mniExecuteClick(); });
}

void TfrmMain::updateRunningCommands()
{
    const bool idle = !m_runner->running();
    for (QAction* action : {mniOpen, mniCreate, mniDeleteProcedure, mniScript,
                            mniDatatransferScript, mniLoadScript, mniRelated, mniExecute,
                            mniExportToFolder, mniCompareWithFolder})
        action->setEnabled(idle);
    for (const char* name : {"mniChangeConnection", "Loadtablelist1", "mniGenerateForTables"})
        if (auto* action = findChild<QAction*>(QString::fromLatin1(name)))
            action->setEnabled(idle);
    // The lists read the catalog when a table is chosen; the editors' pop-up
    // lists read it too.
    pnlTable->setEnabled(idle);
    popCommand->setEnabled(idle);
    popTables->setEnabled(idle);
    pcMainChange();
}

void TfrmMain::ensureConnectionIdle() const
{
    if (m_runner && m_runner->running())
        throw Error(tr("A procedure is running: wait for it or cancel it first.").toStdString());
}

void TfrmMain::mniExecuteClick()
{
    ensureConnectionIdle();
    QString name;
    if (currentPage() == EditPage)
        name = m_documents->state(EditPage).procedureName;
    if (name.isEmpty())
        name = askOpenProcedure(*m_dataMain, this);
    if (!name.isEmpty())
        executeProcedure(name);
}

void TfrmMain::executeProcedure(const QString& name)
{
    ensureConnectionIdle();
    data::Engine& engine = m_dataMain->db().engine();
    std::vector<data::ProcedureParameter> parameters;
    {
        ui::BusyOperation busy(busyWidgets(), false);
        parameters = engine.procedureParameters({sqltext::objectNameOrWhole(name.toStdString()), 1});
    }
    TdlgExecProc dialog(name, std::move(parameters), this);
    if (ui::exec(dialog) != QDialog::Accepted)
        return;
    data::RunRequest request = dialog.request();
    m_runner->start(
        name,
        [&engine, request](data::RunControl& control) mutable {
            request.control = &control;
            return engine.runProcedure(request);
        },
        m_clock);
}

} // namespace varnett
