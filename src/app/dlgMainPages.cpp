// The File and Edit commands of the main window: they act on the pages.
#include "app/dlgMain.h"

#include "app/PageDocuments.h"
#include "app/SchemaLists.h"
#include "ui/Commands.h"
#include "ui/EditorOps.h"
#include "ui/FindReplace.h"
#include "ui/GoToLine.h"
#include "ui/Modal.h"
#include "ui/SqlEditor.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QLabel>
#include <QTreeWidget>

#include <vector>

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
    on(mniSelectAll, [this] { mniSelectAllClick(); });
    on(mniClear, [this] { mniClearClick(); });
    on(mniClearAll, [this] { mniClearAllClick(); });
    auto onNamed = [this](const char* name, auto command) {
        ui::onTriggered(findChild<QAction*>(QString::fromLatin1(name)), this, command);
    };
    onNamed("mniRedo", [this] { currentEditor()->redo(); });
    onNamed("mniFind", [this] { findBox().open(false); });
    onNamed("mniReplace", [this] { findBox().open(true); });
    onNamed("mniFindNext", [this] { mniFindNextClick(true); });
    onNamed("mniFindPrevious", [this] { mniFindNextClick(false); });
    onNamed("mniGoToLine", [this] { mniGoToLineClick(); });
    connect(lvTables, &QTreeWidget::itemDoubleClicked, this,
            [this] { ui::guarded([this] { lvTablesDblClick(); }); });
}

namespace {

std::vector<int> allPages()
{
    std::vector<int> pages(PageDocuments::kPages);
    for (int page = 0; page < PageDocuments::kPages; ++page)
        pages[static_cast<std::size_t>(page)] = page;
    return pages;
}

} // namespace

void TfrmMain::mniNewClick()
{
    mniClearAllClick();
}

void TfrmMain::mniCloseClick()
{
    if (!confirmReplace(allPages()))
        return;
    clearPages(allPages());
    m_schema->emptyFields();
    m_schema->emptyTables();
    sbMainNote->setText(tr("The pages and the lists are empty; DataBase > Load table list (F4) "
                           "fills the lists again."));
}
void TfrmMain::mniSaveClick()
{
    m_documents->savePage(currentPage());
    updateTitles();
}

void TfrmMain::mniSaveAsClick()
{
    m_documents->saveAs(currentPage());
    updateTitles();
}

void TfrmMain::mniSaveAllClick()
{
    m_documents->saveAll();
    updateTitles();
}

void TfrmMain::mniPrintClick()
{
    m_documents->print(currentPage());
}

void TfrmMain::mniClearClick()
{
    if (confirmReplace({currentPage()}))
        clearPages({currentPage()});
}

void TfrmMain::mniClearAllClick()
{
    if (confirmReplace(allPages()))
        clearPages(allPages());
}

void TfrmMain::clearPages(const std::vector<int>& pages)
{
    // Undo brings the text back; the page is then as it was before.
    for (int page : pages) {
        m_editors[page]->clear();
        m_documents->markKnown(page);
    }
    updateTitles();
}

void TfrmMain::mniSelectAllClick()
{
    // Ctrl+A in a list selects its entries, where it allows several.
    auto* list = qobject_cast<QAbstractItemView*>(QApplication::focusWidget());
    if (list && isAncestorOf(list)) {
        if (list->selectionMode() == QAbstractItemView::ExtendedSelection
            || list->selectionMode() == QAbstractItemView::MultiSelection)
            list->selectAll();
        return;
    }
    currentEditor()->selectAll();
}

ui::TfrmFind& TfrmMain::findBox()
{
    if (!m_find)
        m_find = new ui::TfrmFind([this] { return currentEditor(); }, this);
    return *m_find;
}

void TfrmMain::mniFindNextClick(bool forward)
{
    ui::TfrmFind& box = findBox();
    if (box.edtFind->text().isEmpty()) {
        box.open(false);
        return;
    }
    const bool found = box.findNext(forward);
    if (!found && !box.isVisible())
        ui::information(tr("\"%1\" was not found.").arg(box.edtFind->text()));
    // F3 without the box: the status bar says that the search went round.
    sbMainNote->setText(found && box.wrapped()
                            ? (forward ? tr("Passed the end of the page; found from the start.")
                                       : tr("Passed the start of the page; found from the end."))
                            : QString());
}

void TfrmMain::mniGoToLineClick()
{
    ui::SqlEditor* edit = currentEditor();
    int line = 0;
    int column = 0;
    edit->getCursorPosition(&line, &column);
    ui::TfrmGoToLine dialog(line + 1, edit->lines(), this);
    if (ui::exec(dialog) == QDialog::Accepted)
        edit->goToLine(dialog.line());
}

void TfrmMain::lvTablesDblClick()
{
    const QString table = m_schema->selectedTable();
    if (table.isEmpty())
        return;
    ui::SqlEditor* edit = currentEditor();
    ui::insertIntoLine(edit, ui::selectionStart(edit), table + QLatin1Char(' '));
}

} // namespace varnett
