// The main window's commands that send procedures to the server or read
// them back.
#include "app/dlgMain.h"

#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "app/SchemaLists.h"
#include "app/ServerProcedures.h"
#include "data/dmMain.h"
#include "dialogs/dlgDeleteProc.h"
#include "dialogs/dlgOpenProc.h"
#include "lists/InsertFromList.h"
#include "lists/dlgCommand.h"
#include "sqltext/AsciiText.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcedureFilter.h"
#include "ui/BusyOperation.h"
#include "ui/Commands.h"
#include "ui/EditorOps.h"
#include "ui/SqlEditor.h"


namespace varnett {

namespace {

// The word of the messages, by page; the Edit page (3) updates instead.
const char* const kPageWords[] = {"insert", "update", "delete", "", "select"};

} // namespace

void TfrmMain::connectServerCommands()
{
    auto on = [this](QAction* action, auto command) { ui::onTriggered(action, this, command); };
    on(mniOpen, [this] { mniOpenClick(); });
    on(mniRelated, [this] { mniRelatedClick(); });
    on(mniDeleteProcedure, [this] { mniDeleteProcedureClick(); });
    on(mniScript, [this] { mniScriptClick(); });
    on(mniDatatransferScript, [this] { mniDatatransferScriptClick(); });
    on(mniSchemaScript, [this] { mniSchemaScriptClick(); });
    on(mniLoadScript, [this] { mniLoadScriptClick(); });
    on(mniExportToFolder, [this] { mniExportToFolderClick(); });
    on(mniCompareWithFolder, [this] { mniCompareWithFolderClick(); });
}

void TfrmMain::mniOperatorClick(InsertionList list, sqltext::ListMode mode)
{
    std::vector<sqltext::InsertionField> fields;
    for (const SchemaLists::Entry& row : m_schema->fieldEntries())
        fields.push_back({row.field.name, row.field.typeText, row.field.declaredType});
    const InsertionContext context{std::move(fields), *m_dataMain};
    insertFromList(currentEditor(), list, mode, context);
}

void TfrmMain::mniDeleteProcedureClick()
{
    // A dropped procedure leaves the recent list: its entry could only fail.
    for (const QString& name : showDeleteProcedures(*m_dataMain, this))
        m_recent->remove(name);
}

bool TfrmMain::procedureExists(const QString& name)
{
    const std::string wanted =
        sqltext::toUpperAscii(sqltext::displayName(sqltext::objectNameOrWhole(name.toStdString())));
    for (const sqltext::ProcedureRef& listed : m_dataMain->listProcedures())
        if (sqltext::toUpperAscii(sqltext::displayName(listed.object)) == wanted)
            return true;
    return false;
}

void TfrmMain::mniOpenClick()
{
    ensureConnectionIdle();
    selectPage(EditPage);
    bool execute = false;
    const QString name = askOpenProcedure(*m_dataMain, this, &execute);
    if (name.isEmpty())
        return;
    if (execute)
        executeProcedure(name);
    else
        openProcedure(name, true);
}

void TfrmMain::mniRelatedClick()
{
    const QString table = m_schema->selectedTable();
    if (table.isEmpty())
        return;
    selectPage(EditPage);
    const InsertionContext context{{}, *m_dataMain};
    const QString name =
        showInsertionList(InsertionList::Procedures, table, sqltext::ListMode::Plain, context);
    if (!name.isEmpty())
        openProcedure(name, true);
}

void TfrmMain::mniCreateClick()
{
    const int page = currentPage();
    if (page == EditPage) {
        if (m_server->updateOnServer(m_documents->state(EditPage).procedureName,
                                     ui::lines(m_editors[EditPage]))) {
            // The server holds the text now: nothing of it is unsent.
            m_editors[EditPage]->markSaved();
            m_documents->markKnown(EditPage);
            updateTitles();
        }
        return;
    }
    createPage(page);
}

void TfrmMain::mniCreateAllClick()
{
    createPage(InsertPage);
    createPage(UpdatePage);
    createPage(DeletePage);
}

void TfrmMain::createPage(int page)
{
    if (m_server->createPage(ui::lines(m_editors[page]), QString::fromLatin1(kPageWords[page])))
        m_recent->add(m_documents->state(page).documentName);
}

void TfrmMain::openRecentProcedure(const QString& name)
{
    selectPage(EditPage);
    openProcedure(name, false);
}

void TfrmMain::openProcedure(const QString& name, bool addToRecent)
{
    ensureConnectionIdle();
    // The text is read first: a procedure that fails to open leaves the
    // page and its document state as they were.
    QStringList lines;
    try {
        ui::BusyOperation busy(busyWidgets(), false);
        lines = m_server->procedureText(name);
    } catch (const std::exception&) {
        // A procedure that is gone leaves the recent list.
        bool exists = true;
        ui::guarded([&] { exists = procedureExists(name); });
        if (!exists)
            m_recent->remove(name);
        throw;
    }
    if (!confirmReplace({EditPage}))
        return;
    PageDocuments::State& state = m_documents->state(EditPage);
    state.procedureName = name;
    state.documentName = name;
    state.askForFileName = true;
    if (addToRecent)
        m_recent->add(name);
    ui::SqlEditor* page = m_editors[EditPage];
    ui::setLines(page, lines);
    // The page holds what the server holds: nothing to save yet.
    page->markSaved();
    m_documents->markKnown(EditPage);
    updateTitles();
}

} // namespace varnett
