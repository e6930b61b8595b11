// The File and Edit commands of the main window: they act on the pages.
#include "app/dlgMain.h"

#include "app/PageDocuments.h"
#include "app/SchemaLists.h"
#include "ui/Commands.h"
#include "ui/EditorOps.h"

#include <QPlainTextEdit>
#include <QTreeWidget>

namespace varnett {

void TfrmMain::connectPageCommands()
{
    auto on = [this](QAction* action, auto command) { ui::onTriggered(action, this, command); };
    on(mniNew, [this] { mniNewClick(); });
    on(mniClose, [this] { mniCloseClick(); });
    on(mniSave, [this] { mniSaveClick(); });
    on(mniSaveAs, [this] { mniSaveAsClick(); });
    on(mniSaveAll, [this] { mniSaveAllClick(); });
    on(mniPrint, [this] { mniPrintClick(); });
    on(mniUndo, [this] { currentEditor()->undo(); });
    on(mniCut, [this] { currentEditor()->cut(); });
    on(mniCopy, [this] { currentEditor()->copy(); });
    on(mniPaste, [this] { currentEditor()->paste(); });
    on(mniSelectAll, [this] { currentEditor()->selectAll(); });
    on(mniClear, [this] { mniClearClick(); });
    on(mniClearAll, [this] { mniClearAllClick(); });
    connect(lvTables, &QTreeWidget::itemDoubleClicked, this,
            [this] { ui::guarded([this] { lvTablesDblClick(); }); });
}

void TfrmMain::mniNewClick()
{
    mniClearAllClick();
}

void TfrmMain::mniCloseClick()
{
    mniClearAllClick();
    m_schema->emptyFields();
    m_schema->emptyTables();
}

void TfrmMain::mniSaveClick()
{
    m_documents->savePage(currentPage());
}

void TfrmMain::mniSaveAsClick()
{
    m_documents->saveAs(currentPage());
}

void TfrmMain::mniSaveAllClick()
{
    m_documents->saveAll();
}

void TfrmMain::mniPrintClick()
{
    m_documents->print(currentPage());
}

void TfrmMain::mniClearClick()
{
    currentEditor()->clear();
}

void TfrmMain::mniClearAllClick()
{
    for (QPlainTextEdit* edit : m_editors)
        edit->clear();
}

void TfrmMain::lvTablesDblClick()
{
    const QString table = m_schema->selectedTable();
    if (table.isEmpty())
        return;
    QPlainTextEdit* edit = currentEditor();
    ui::insertIntoLine(edit, ui::selectionStart(edit), table + QLatin1Char(' '));
}

} // namespace varnett
