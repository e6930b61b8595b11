// Widgets, menus and toolbar of the main window.
#include "app/dlgMain.h"

#include "app/Images.h"
#include "lists/InsertFromList.h"
#include "ui/Commands.h"
#include "ui/GridLineDelegate.h"
#include "ui/SqlEditor.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnett {

namespace {

QTreeWidget* makeReportList(QWidget* parent, const char* name, const QStringList& columns)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(true);
    return list;
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& caption, QWidget* content)
{
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(content);
    return group;
}

} // namespace

void TfrmMain::buildWidgets()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    setCentralWidget(Splitter1);

    // Left: tables above fields.
    pnlTable = new QWidget(Splitter1);
    pnlTable->setObjectName(QStringLiteral("pnlTable"));
    auto* tableLayout = new QVBoxLayout(pnlTable);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Vertical, pnlTable);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    tableLayout->addWidget(Splitter2);

    lvTables = makeReportList(nullptr, "lvTables", {tr("Table name")});
    lvTables->setSelectionMode(QAbstractItemView::SingleSelection);
    lvTables->setContextMenuPolicy(Qt::CustomContextMenu);
    gbTables = makeGroup(Splitter2, "gbTables", tr("Tables"), lvTables);

    lvFields = makeReportList(nullptr, "lvFields",
                              {tr("Field name"), tr("Data type")});
    lvFields->setSelectionMode(QAbstractItemView::ExtendedSelection);
    gbFields = makeGroup(Splitter2, "gbFields", tr("Fields"), lvFields);
    Splitter2->setSizes({297, 400});

    // Right: the pages above the condition list.
    pnlProc = new QWidget(Splitter1);
    pnlProc->setObjectName(QStringLiteral("pnlProc"));
    auto* procLayout = new QVBoxLayout(pnlProc);
    procLayout->setContentsMargins(0, 0, 0, 0);
    Splitter3 = new QSplitter(Qt::Vertical, pnlProc);
    Splitter3->setObjectName(QStringLiteral("Splitter3"));
    procLayout->addWidget(Splitter3);

    pcMain = new QTabWidget(Splitter3);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    const std::array<std::pair<const char*, const char*>, 5> pages = {{
        {"tsInsert", "redtInsert"}, {"tsUpdate", "redtUpdate"},
        {"tsDelete", "redtDelete"}, {"tsEdit", "redtEdit"}, {"tsSelect", "redtSelect"}}};
    const std::array<QString, 5> captions = {
        tr("Insert"), tr("Update"), tr("Delete"),
        tr("Edit existing procedure"), tr("Select")};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        auto* sheet = new QWidget(pcMain);
        sheet->setObjectName(QString::fromLatin1(pages[i].first));
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* edit = new ui::SqlEditor(sheet);
        edit->setObjectName(QString::fromLatin1(pages[i].second));
        layout->addWidget(edit);
        pcMain->addTab(sheet, captions[i]);
        m_editors[i] = edit;
    }

    pnlWhere = new QWidget(Splitter3);
    pnlWhere->setObjectName(QStringLiteral("pnlWhere"));
    auto* whereLayout = new QVBoxLayout(pnlWhere);
    whereLayout->setContentsMargins(0, 0, 0, 0);
    lvWhere = makeReportList(pnlWhere, "lvWhere",
                             {tr("Field"), tr("Operator"),
                              tr("Parameter")});
    lvWhere->setSelectionMode(QAbstractItemView::SingleSelection);
    lvWhere->setContextMenuPolicy(Qt::CustomContextMenu);
    lvWhere->setItemDelegate(new ui::GridLineDelegate(lvWhere));
    whereLayout->addWidget(lvWhere);
    Splitter3->setSizes({600, 112});
    Splitter3->setStretchFactor(0, 1);
    Splitter3->setStretchFactor(1, 0);

    Splitter1->addWidget(pnlTable);
    Splitter1->addWidget(pnlProc);
    Splitter1->setSizes({257, 700});
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    // In a narrow window the pages keep a usable width and the lists give way.
    pnlTable->setMinimumWidth(100);
    pnlProc->setMinimumWidth(320);
    Splitter1->setCollapsible(1, false);

    // The keyboard goes from the tables to the fields to the page; the lists
    // show a frame while they have the focus.
    QWidget::setTabOrder(lvTables, lvFields);
    for (ui::SqlEditor* edit : m_editors)
        QWidget::setTabOrder(lvFields, edit);
    for (QTreeWidget* list : {lvTables, lvFields, lvWhere})
        list->setStyleSheet(QStringLiteral("QTreeView:focus { border: 2px solid palette(highlight); }"));

    // Status bar: a panel with the database name, then the notes of Build.
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("sbMain"));
    sbMainPanel = new QLabel(status);
    sbMainPanel->setObjectName(QStringLiteral("sbMainPanel"));
    sbMainPanel->setFixedWidth(200);
    status->addWidget(sbMainPanel);
    sbMainNote = new QLabel(status);
    sbMainNote->setObjectName(QStringLiteral("sbMainNote"));
    status->addWidget(sbMainNote, 1);
    setStatusBar(status);
}

QAction* TfrmMain::addAction(QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& shortcut)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    menu->addAction(action);
    return action;
}

void TfrmMain::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("mnuMain"));
    buildFileMenu();
    buildEditMenu();
    buildProcedureMenu();
    buildDataBaseMenu();
    buildViewMenu();
    buildHelpMenu();
    buildPopupMenus();
    buildToolBar();
}

void TfrmMain::buildFileMenu()
{
    mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setSeparatorsCollapsible(false);
    mniNew = addAction(mnuFile, "mniNew", tr("&New"), QKeySequence(QStringLiteral("Ctrl+N")));
    mniOpen = addAction(mnuFile, "mniOpen", tr("&Open"), QKeySequence(QStringLiteral("Ctrl+O")));
    mniClose = addAction(mnuFile, "mniClose", tr("&Close"), QKeySequence(QStringLiteral("Ctrl+L")));
    mnuFile->addSeparator();
    mniSave = addAction(mnuFile, "mniSave", tr("&Save"), QKeySequence(QStringLiteral("Ctrl+S")));
    mniSaveAs = addAction(mnuFile, "mniSaveAs", tr("Save &As..."));
    mniSaveAll = addAction(mnuFile, "mniSaveAll", tr("Save A&ll"));
    mnuFile->addSeparator();
    mniPrint = addAction(mnuFile, "mniPrint", tr("&Print"), QKeySequence(QStringLiteral("Ctrl+P")));
    mnuFile->addSeparator();
    QAction* exit = addAction(mnuFile, "mniExit", tr("E&xit"),
                              QKeySequence(QStringLiteral("Ctrl+Q")));
    ui::onTriggered(exit, this, [this] { mnjiExitClick(); });
    mnuFile->addSeparator();
    mnuFile->addSeparator();
}

void TfrmMain::buildEditMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Edit"));
    menu->setObjectName(QStringLiteral("mnuEdit"));
    mniUndo = addAction(menu, "mniUndo", tr("&Undo"), QKeySequence(QStringLiteral("Ctrl+Z")));
    QAction* redo = addAction(menu, "mniRedo", tr("&Redo"));
    redo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")),
                        QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    menu->addSeparator();
    mniCut = addAction(menu, "mniCut", tr("Cu&t"), QKeySequence(QStringLiteral("Ctrl+X")));
    mniCopy = addAction(menu, "mniCopy", tr("&Copy"), QKeySequence(QStringLiteral("Ctrl+C")));
    mniPaste = addAction(menu, "mniPaste", tr("&Paste"), QKeySequence(QStringLiteral("Ctrl+V")));
    mniSelectAll = addAction(menu, "mniSelectAll", tr("&Select All"),
              QKeySequence(QStringLiteral("Ctrl+A")));
    mniClear = addAction(menu, "mniClear", tr("Cl&ear"));
    mniClearAll = addAction(menu, "mniClearAll", tr("Clear &All"));
    menu->addSeparator();
    addAction(menu, "mniFind", tr("&Find..."), QKeySequence(QStringLiteral("Ctrl+F")));
    addAction(menu, "mniFindNext", tr("Find &Next"), QKeySequence(Qt::Key_F3));
    addAction(menu, "mniFindPrevious", tr("Find Pre&vious"),
              QKeySequence(QStringLiteral("Shift+F3")));
    addAction(menu, "mniReplace", tr("Rep&lace..."),
              QKeySequence(QStringLiteral("Ctrl+H")));
    addAction(menu, "mniGoToLine", tr("&Go to Line..."),
              QKeySequence(QStringLiteral("Ctrl+G")));
    menu->addSeparator();
    // Not built yet: shown, but not offered as a command.
    addAction(menu, "mniTemplate", tr("Te&mplate"))->setEnabled(false);
}

void TfrmMain::buildProcedureMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Procedure"));
    menu->setObjectName(QStringLiteral("mnuProcedure"));
    // F5 builds; Ctrl+Enter sends the page to the server (Create, or Update
    // on server on the Edit page).
    mniBuild = addAction(menu, "mniBuild", tr("&Build"), QKeySequence(Qt::Key_F5));
    mniBuild->setIcon(images::menuImage(0));
    mniCreate = addAction(menu, "mniCreate", tr("&Create"));
    mniCreate->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return),
                             QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    mniCreate->setIcon(images::menuImage(1));
    mniBuildAll = addAction(menu, "mniBuildAll", tr("Build &All"));
    mniCreateAll = addAction(menu, "mniCreateAll", tr("Create A&ll"));
    addAction(menu, "mniGenerateForTables", tr("Generate for &tables..."));
    menu->addSeparator();
    mniDeleteProcedure = addAction(menu, "mniDeleteProcedure", tr("&Delete procedure"));
    // F5 on the Edit page (see pcMainChange).
    mniExecute = addAction(menu, "mniExecute", tr("E&xecute..."));
    menu->addSeparator();
    mniGeneratorOptions = addAction(menu, "mniGeneratorOptions", tr("&Generator options"));
}

void TfrmMain::buildDataBaseMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&DataBase"));
    menu->setObjectName(QStringLiteral("mnuDataBase"));
    ui::onTriggered(addAction(menu, "mniChangeConnection", tr("C&hange connection")),
                    this, [this] { mniChangeConnectionClick(); });
    ui::onTriggered(addAction(menu, "mniShowConnection", tr("&Show connection")),
                    this, [this] { mniShowConnectionClick(); });
    menu->addSeparator();
    ui::onTriggered(addAction(menu, "Loadtablelist1", tr("&Load table list"),
                              QKeySequence(Qt::Key_F4)),
                    this,
                    [this] { Loadtablelist1Click(); });
    mniScript = addAction(menu, "mniScript", tr("&Generate SQL Proc Script"));
    menu->addSeparator();
    mniDatatransferScript = addAction(menu, "mniDatatransferScript", tr("Data &Transfer Script"));
    mniSchemaScript = addAction(menu, "mniSchemaScript", tr("Sche&ma Script..."));
    mniLoadScript = addAction(menu, "mniLoadScript", tr("L&oad script..."));
    menu->addSeparator();
    mniExportToFolder = addAction(menu, "mniExportToFolder", tr("E&xport procedures to folder..."));
    mniCompareWithFolder = addAction(menu, "mniCompareWithFolder", tr("Com&pare with folder..."));
}

void TfrmMain::buildViewMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&View"));
    menu->setObjectName(QStringLiteral("mnuView"));
    const std::array<std::pair<const char*, const char*>, 5> entries = {{
        {"mniInsertW", "&Insert"}, {"mniUpdateW", "&Update"},
        {"mniDeleteW", "&Delete"}, {"mniEdit", "&Edit"}, {"mniSelectW", "&Select"}}};
    for (int page = 0; page < static_cast<int>(entries.size()); ++page) {
        QAction* action = addAction(menu, entries[page].first,
                                    QString::fromLatin1(entries[page].second));
        ui::onTriggered(action, this, [this, page] { selectPage(page); });
    }
}

void TfrmMain::buildHelpMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("&Help"));
    menu->setObjectName(QStringLiteral("mnuHelp"));
    ui::onTriggered(addAction(menu, "mniHelp", tr("&Help"), QKeySequence::HelpContents), this,
                    [this] { mniHelpClick(); });
    menu->addSeparator();
    ui::onTriggered(addAction(menu, "mniAbout", tr("&About")), this,
                    [this] { mniAboutClick(); });
}

void TfrmMain::buildPopupMenus()
{
    popTables = new QMenu(this);
    popTables->setObjectName(QStringLiteral("popTables"));
    addAction(popTables, "mniCancelTables", tr("Cancel"));
    popTables->addSeparator();
    mniRelated = addAction(popTables, "mniRelated", tr("Show related procedures"));
    connect(lvTables, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        popTables->popup(lvTables->viewport()->mapToGlobal(at));
    });

    popCommand = new QMenu(this);
    popCommand->setObjectName(QStringLiteral("popCommand"));
    addAction(popCommand, "mniCancelCommand", tr("Cancel"));
    popCommand->addSeparator();
    // Each working entry shows an insertion list in a list mode.
    auto insertion = [this](QMenu* menu, const char* name, const QString& caption,
                            InsertionList list, sqltext::ListMode mode) {
        ui::onTriggered(addAction(menu, name, caption), this,
                        [this, list, mode] { mniOperatorClick(list, mode); });
    };
    using Mode = sqltext::ListMode;
    insertion(popCommand, "mniOperator", tr("O&perator"), InsertionList::Operator,
              Mode::Plain);
    QMenu* fieldMenu = popCommand->addMenu(tr("&Field"));
    fieldMenu->setObjectName(QStringLiteral("mniField"));
    insertion(fieldMenu, "mniFieldOnly", QStringLiteral("[FIELD] "), InsertionList::Field,
              Mode::Plain);
    insertion(fieldMenu, "mniFieldVar", QStringLiteral("[FIELD] = @Var"), InsertionList::Field,
              Mode::Compare);
    QMenu* variableMenu = popCommand->addMenu(tr("Va&riable"));
    variableMenu->setObjectName(QStringLiteral("mniVariable"));
    insertion(variableMenu, "mniVar", QStringLiteral("@pVar"), InsertionList::Variable,
              Mode::Plain);
    insertion(variableMenu, "mniVartype", QStringLiteral("@pVar [type]"), InsertionList::Variable,
              Mode::Typed);
    insertion(variableMenu, "mniVarEq", QStringLiteral("@pVar ="), InsertionList::Variable,
              Mode::Compare);
    // The editing commands of the Edit menu, for the mouse.
    popCommand->addSeparator();
    for (const char* name : {"mniUndo", "mniRedo", "", "mniCut", "mniCopy", "mniPaste", "",
                             "mniSelectAll"}) {
        if (*name == '\0')
            popCommand->addSeparator();
        else
            popCommand->addAction(findChild<QAction*>(QString::fromLatin1(name)));
    }
    for (ui::SqlEditor* edit : m_editors) {
        connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint& at) {
            popCommand->popup(edit->viewport()->mapToGlobal(at));
        });
        // Ctrl+Space opens the snippet list at the caret.
        auto* snippets = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Space")), edit);
        snippets->setObjectName(QStringLiteral("scSnippets"));
        snippets->setContext(Qt::WidgetShortcut);
        connect(snippets, &QShortcut::activated, this,
                [this] { ui::guarded([this] { mniOperatorClick(InsertionList::Operator, sqltext::ListMode::Plain); }); });
    }

    // The condition list's menu: Remove, for the mouse; its Del shortcut
    // works while the list has the focus.
    popWhere = new QMenu(this);
    popWhere->setObjectName(QStringLiteral("popWhere"));
    Delete1 = addAction(popWhere, "Delete1", tr("&Remove"), QKeySequence(Qt::Key_Delete));
    Delete1->setShortcutContext(Qt::WidgetShortcut);
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Delete), lvWhere);
    shortcut->setObjectName(QStringLiteral("Delete1Shortcut"));
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, Delete1, &QAction::trigger);
    connect(lvWhere, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* row = lvWhere->itemAt(at))
            lvWhere->setCurrentItem(row);
        Delete1->setEnabled(lvWhere->currentItem() && lvWhere->currentItem()->isSelected());
        popWhere->popup(lvWhere->viewport()->mapToGlobal(at));
    });
}

void TfrmMain::buildToolBar()
{
    tbMain = addToolBar(tr("Main"));
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setMovable(false);
    tbMain->setFixedHeight(29);
    tbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbMain->addAction(mniBuild);
    tbMain->widgetForAction(mniBuild)->setObjectName(QStringLiteral("ToolButton1"));
    tbMain->addAction(mniCreate);
    tbMain->widgetForAction(mniCreate)->setObjectName(QStringLiteral("ToolButton2"));
    tbMain->addSeparator();
    pbMain = new QProgressBar(tbMain);
    pbMain->setObjectName(QStringLiteral("pbMain"));
    pbMain->setMaximumWidth(707);
    pbMain->setMinimumWidth(120);
    pbMain->setRange(0, 100);
    pbMain->setValue(0);
    pbMain->setTextVisible(false);
    m_pbMainAction = tbMain->addWidget(pbMain);
    // Idle, the bar is hidden: an empty bar looks like a text box.
    m_pbMainAction->setVisible(false);
    m_cancelButton = new QToolButton(tbMain);
    m_cancelButton->setObjectName(QStringLiteral("btnCancelOperation"));
    m_cancelButton->setText(tr("Cancel"));
    m_cancelButton->setToolTip(tr("Stop the operation (Esc)"));
    m_cancelButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_cancelAction = tbMain->addWidget(m_cancelButton);
    m_cancelAction->setVisible(false);
}

ui::BusyWidgets TfrmMain::busyWidgets() const
{
    return {pbMain, m_pbMainAction, m_cancelButton, m_cancelAction};
}

} // namespace varnett
