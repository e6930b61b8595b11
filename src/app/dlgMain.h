#pragma once

#include <QMainWindow>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
#include "sqltext/ObjectName.h"
#include "ui/BusyOperation.h"

namespace varnett::ui {
class ProcedureRunner;
class ResultsDock;
class SqlEditor;
class TfrmFind;
}
class QProgressBar;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace varnett::data {
class SettingsStore;
class TDataMain;
struct LoadOptions;
struct Progress;
}
namespace varnett::sqltext {
enum class ListMode;
struct Field;
struct GeneratorOptions;
struct TableFacts;
}

namespace varnett {

class ConditionList;
enum class InsertionList;
class PageDocuments;
class RecentProcedures;
class SchemaLists;
class ServerProcedures;

// The main window: menus, toolbar, status bar, the table and field lists on
// the left, the editor pages and the condition list on the right.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    enum Page { InsertPage = 0, UpdatePage = 1, DeletePage = 2, EditPage = 3, SelectPage = 4 };

    // Creates the data module, opens the stored connection and, when that
    // fails, runs Change connection before the window is shown.
    explicit TfrmMain(data::SettingsStore& settings, QWidget* parent = nullptr);
    ~TfrmMain() override;

    data::TDataMain& dataMain() { return *m_dataMain; }

    int currentPage() const;
    void selectPage(int page);
    ui::SqlEditor* editor(int page) const { return m_editors[page]; }
    ui::SqlEditor* currentEditor() const { return m_editors[currentPage()]; }
    QString statusText() const;

    // Commands of the menus.
    void pcMainChange();
    void mniChangeConnectionClick();
    void mniShowConnectionClick();
    void Loadtablelist1Click();
    void mniAboutClick();
    void mniHelpClick();
    void mnjiExitClick();

    // File and Edit commands on the pages.
    void mniNewClick();
    void mniCloseClick();
    void mniSaveClick();
    void mniSaveAsClick();
    void mniSaveAllClick();
    void mniPrintClick();
    void mniClearClick();
    void mniClearAllClick();
    // Select All: the entries of a list that has the focus, else the page.
    void mniSelectAllClick();
    // Find and replace, on the current page.
    ui::TfrmFind& findBox();
    void mniFindNextClick(bool forward);
    void mniGoToLineClick();
    // Double-click on a table: its name goes in at the caret.
    void lvTablesDblClick();
    // Double-click on a field, or a drop on the condition list.
    void lvFieldsDblClick();

    // Procedure commands.
    void mniBuildClick();
    void mniBuildAllClick();
    void mniCreateClick();
    void mniCreateAllClick();

    void mniDeleteProcedureClick();
    // Generator options: the dialog, kept in the settings store on OK.
    void mniGeneratorOptionsClick();
    // Procedures for many tables at once: into a script, a folder or the server.
    void mniGenerateForTablesClick();

    // Opening stored procedures into the Edit page.
    void mniOpenClick();
    void mniRelatedClick();
    void openRecentProcedure(const QString& name);

    // The editors' pop-up menu: inserts from the list its entry shows.
    void mniOperatorClick(InsertionList list, sqltext::ListMode mode);

    // Execute: the page's procedure on the Edit page, else the one chosen in
    // the open dialog; its results go to the results dock.
    void mniExecuteClick();
    // Asks for the procedure's values and runs it off the window's thread.
    // While it runs, the commands that use the connection are disabled.
    void executeProcedure(const QString& name);
    ui::ProcedureRunner& runner() { return *m_runner; }
    ui::ResultsDock& results() { return *dockResults; }

    // Scripts.
    void mniScriptClick();
    void mniDatatransferScriptClick();
    void mniSchemaScriptClick();
    void mniLoadScriptClick();
    // The scripts folder: every procedure exported one file each, and the
    // folder compared with the database (deploy and write back there).
    void mniExportToFolderClick();
    void mniCompareWithFolderClick();

    // Whether a page holds text that was changed since it was last saved,
    // generated or opened.
    bool pageModified(int page) const;
    // Asks Save / Discard / Cancel when pages are modified; true when the
    // program may end.
    bool confirmClose();
    // Asks Save / Discard / Cancel when a command is about to replace pages
    // whose text was changed by hand since it was built, opened, saved or
    // sent; true when the command may go on.
    bool confirmReplace(const std::vector<int>& pages);

    // Called after each step of a long operation (a batch loaded, a row or a
    // procedure scripted) before the window looks for Cancel: a test holds
    // the operation open there. The clock that the time left is measured by.
    void setOperationProbe(std::function<void(std::size_t done)> probe)
    {
        m_operationProbe = std::move(probe);
    }
    void setClock(ui::Clock clock) { m_clock = std::move(clock); }

    SchemaLists& schema() { return *m_schema; }
    PageDocuments& documents() { return *m_documents; }
    ConditionList& conditions() { return *m_conditions; }
    RecentProcedures& recent() { return *m_recent; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    bool saveOrDiscard(const std::vector<int>& pages, const QString& question);
    void clearPages(const std::vector<int>& pages);
    // Tab captions and the window title: document names, the modified
    // marker and the database.
    void updateTitles();
    void buildWidgets();
    void buildMenus();
    void buildFileMenu();
    void buildEditMenu();
    void buildProcedureMenu();
    void buildDataBaseMenu();
    void buildViewMenu();
    void buildHelpMenu();
    void buildPopupMenus();
    void buildToolBar();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut = {});
    void connectPageCommands();
    void connectProcedureCommands();
    void buildPages(const std::vector<int>& pages);
    void buildProcedure(int page, const QString& table, const std::vector<sqltext::Field>& fields,
                        const sqltext::GeneratorOptions& options,
                        const sqltext::TableFacts& facts);
    void createPage(int page);
    void openProcedure(const QString& name, bool addToRecent);
    bool procedureExists(const QString& name);
    void connectServerCommands();
    enum class ScriptKind { Procedures, Data, Schema };
    std::optional<QString> askScriptFileName(ScriptKind kind);
    std::optional<QString> askScriptsFolder(const QString& caption);
    // The toolbar's progress bar and Cancel button, for long operations.
    ui::BusyWidgets busyWidgets() const;
    data::Progress procedureScriptProgress(ui::BusyOperation& busy);
    data::Progress dataScriptProgress(ui::BusyOperation& busy);
    data::LoadOptions loadOptions(ui::BusyOperation& busy, bool transaction);
    std::function<void(std::size_t)> afterStepOf(ui::BusyOperation& busy) const;
    void setStatusText(const QString& text);
    void buildResults();
    // Enables the commands that use the connection unless a call runs.
    void updateRunningCommands();
    // Throws while a procedure call holds the connection.
    void ensureConnectionIdle() const;

    std::unique_ptr<data::TDataMain> m_dataMain;
    std::unique_ptr<PageDocuments> m_documents;
    SchemaLists* m_schema = nullptr;
    ConditionList* m_conditions = nullptr;
    RecentProcedures* m_recent = nullptr;
    std::unique_ptr<ServerProcedures> m_server;
    ui::TfrmFind* m_find = nullptr;
    // The procedures chosen for the last procedure script.
    std::vector<sqltext::ObjectName> m_chosenProcedures;
    // The file names the script save dialog proposes: the last one chosen
    // for each kind of script.
    QString m_lastProcedureScript;
    QString m_lastDataScript;
    QString m_lastSchemaScript;
    // The file the load dialog proposes: the script loaded last.
    QString m_lastLoadedScript;
    // The scripts folder chosen last, where the folder dialog starts.
    QString m_lastScriptsFolder;
    std::function<void(std::size_t)> m_operationProbe;
    ui::Clock m_clock;

    // Widgets, named as their objectName.
    QToolBar* tbMain = nullptr;
    QProgressBar* pbMain = nullptr;
    QAction* m_pbMainAction = nullptr;
    QToolButton* m_cancelButton = nullptr;
    QAction* m_cancelAction = nullptr;
    QLabel* sbMainPanel = nullptr;
    QLabel* sbMainNote = nullptr;      // what the last Build left out
    QWidget* pnlTable = nullptr;
    QGroupBox* gbTables = nullptr;
    QGroupBox* gbFields = nullptr;
    QTreeWidget* lvTables = nullptr;
    QTreeWidget* lvFields = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    QSplitter* Splitter3 = nullptr;
    QWidget* pnlProc = nullptr;
    QWidget* pnlWhere = nullptr;
    QTreeWidget* lvWhere = nullptr;
    QTabWidget* pcMain = nullptr;
    std::array<ui::SqlEditor*, 5> m_editors{};

    QMenu* mnuFile = nullptr;
    QMenu* popTables = nullptr;
    QMenu* popCommand = nullptr;
    QMenu* popWhere = nullptr;
    QAction* mniNew = nullptr;
    QAction* mniOpen = nullptr;
    QAction* mniClose = nullptr;
    QAction* mniSave = nullptr;
    QAction* mniSaveAs = nullptr;
    QAction* mniSaveAll = nullptr;
    QAction* mniPrint = nullptr;
    QAction* mniUndo = nullptr;
    QAction* mniCut = nullptr;
    QAction* mniCopy = nullptr;
    QAction* mniPaste = nullptr;
    QAction* mniSelectAll = nullptr;
    QAction* mniClear = nullptr;
    QAction* mniClearAll = nullptr;
    QAction* mniBuild = nullptr;
    QAction* mniCreate = nullptr;
    QAction* mniBuildAll = nullptr;
    QAction* mniCreateAll = nullptr;
    QAction* mniDeleteProcedure = nullptr;
    QAction* mniGeneratorOptions = nullptr;
    QAction* mniScript = nullptr;
    QAction* mniDatatransferScript = nullptr;
    QAction* mniSchemaScript = nullptr;
    QAction* mniLoadScript = nullptr;
    QAction* mniExportToFolder = nullptr;
    QAction* mniCompareWithFolder = nullptr;
    QAction* mniRelated = nullptr;
    QAction* Delete1 = nullptr;
    QAction* mniExecute = nullptr;
    ui::ResultsDock* dockResults = nullptr;
    // Declared last: it goes first, ending its call before the connection goes.
    std::unique_ptr<ui::ProcedureRunner> m_runner;
};

} // namespace varnett
