// The DataBase menu's scripts folder commands: exporting every procedure to
// a folder, one file each, and comparing a folder with the database.
#include "app/dlgMain.h"

#include "data/ProcedureFolder.h"
#include "data/dmMain.h"
#include "dialogs/dlgCompareFolder.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace varnett {

std::optional<QString> TfrmMain::askScriptsFolder(const QString& caption)
{
    ui::FileRequest request;
    request.objectName = QStringLiteral("sdFolder");
    request.caption = caption;
    request.directory = m_lastScriptsFolder.isEmpty() ? ui::lastSaveFolder() : m_lastScriptsFolder;
    const std::optional<QString> folder = ui::getExistingFolder(request);
    if (folder)
        m_lastScriptsFolder = *folder;
    return folder;
}

void TfrmMain::mniExportToFolderClick()
{
    ensureConnectionIdle();
    const std::optional<QString> folder = askScriptsFolder(tr("Export procedures to folder"));
    if (!folder)
        return;
    const QString where = QDir::toNativeSeparators(QFileInfo(*folder).absoluteFilePath());
    data::Engine& engine = m_dataMain->db().engine();
    std::vector<data::FolderEntry> entries;
    {
        ui::BusyOperation busy(busyWidgets(), false);
        entries = data::compareWithFolder(engine, folder->toStdString());
    }
    // Files edited in the folder since they were written are not replaced
    // unasked.
    const auto edited = std::count_if(entries.begin(), entries.end(), [](const data::FolderEntry& entry) {
        return entry.state == data::FolderState::Different;
    });
    if (edited > 0
        && !ui::confirm(tr("%1 procedure files in %2 differ from the database. Replace them with "
                           "the database's version?")
                            .arg(edited)
                            .arg(where),
                        ui::DefaultAnswer::No))
        return;
    std::size_t written = 0;
    {
        ui::BusyOperation busy(busyWidgets(), false);
        written = data::exportProcedures(engine, folder->toStdString()).size();
    }
    ui::information(written == 1 ? tr("1 procedure file was written to %1.").arg(where)
                                 : tr("%1 procedure files were written to %2.").arg(written).arg(where));
}

void TfrmMain::mniCompareWithFolderClick()
{
    ensureConnectionIdle();
    const std::optional<QString> folder = askScriptsFolder(tr("Compare with folder"));
    if (!folder)
        return;
    // The lists read the catalog each time they show, so the deployed
    // procedures appear in them from now on.
    showCompareFolder(m_dataMain->db().engine(), *folder, this);
}

} // namespace varnett
