// The main window's commands that send procedures to the server or read
// them back.
#include "app/dlgMain.h"

#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "app/ServerProcedures.h"
#include "ui/Commands.h"
#include "ui/EditorOps.h"

#include <QPlainTextEdit>

namespace varnett {

namespace {
const char* const kPageWords[] = {"insert", "update", "delete"};
}

void TfrmMain::mniCreateClick()
{
    const int page = currentPage();
    if (page == EditPage) {
        m_server->updateOnServer(m_documents->state(EditPage).procedureName,
                                 ui::lines(m_editors[EditPage]));
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
    PageDocuments::State& state = m_documents->state(EditPage);
    state.procedureName = name;
    state.documentName = name;
    state.askForFileName = true;
    const QStringList lines = m_server->procedureText(name);
    if (addToRecent)
        m_recent->add(name);
    ui::setLines(m_editors[EditPage], lines);
}

} // namespace varnett
