#include "app/dlgMain.h"

#include "app/ConditionList.h"
#include "app/Images.h"
#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "app/SchemaLists.h"
#include "app/ServerProcedures.h"
#include "app/dlgAbout.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "dialogs/dlgConnEdit.h"
#include "ui/Modal.h"
#include "ui/ProcedureRunner.h"
#include "ui/SqlEditor.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>

namespace varnett {

TfrmMain::TfrmMain(data::SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent)
    , m_dataMain(std::make_unique<data::TDataMain>(settings))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Varnett"));
    setWindowIcon(images::programIcon());
    resize(965, 747);
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    buildWidgets();
    buildMenus();
    m_documents = std::make_unique<PageDocuments>(m_editors);
    m_schema = new SchemaLists(*m_dataMain, lvTables, lvFields, gbFields, this);
    m_conditions = new ConditionList(lvWhere, this);
    m_server = std::make_unique<ServerProcedures>(*m_dataMain);
    m_recent = new RecentProcedures(mnuFile, [this](const QString& name) { openRecentProcedure(name); }, this);
    connectPageCommands();
    connectProcedureCommands();
    connectServerCommands();
    buildResults();
    connect(pcMain, &QTabWidget::currentChanged, this, [this] { ui::guarded([this] { pcMainChange(); }); });
    for (ui::SqlEditor* edit : m_editors) {
        connect(edit, &ui::SqlEditor::modificationChanged, this, [this] { updateTitles(); });
        connect(edit, &ui::SqlEditor::textChanged, this, [this] { updateTitles(); });
    }
    FormCreate();
    updateTitles();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate()
{
    bool opened = false;
    m_dataMain->setPasswordQuestion([](const std::string& reason) {
        return ui::confirm(tr("No system keychain can be reached (%1), so the password cannot be "
                              "kept there.\n\nStore it in the settings file as before, where "
                              "anyone who can read the file can read it? No stores it nowhere: "
                              "you enter it when you connect.")
                               .arg(QString::fromStdString(reason)),
                           ui::DefaultAnswer::No);
    });
    ui::guarded([this, &opened] {
        ui::BusyOperation busy(busyWidgets(), false);
        m_dataMain->DataModuleCreate();
        opened = true;
    });
    if (const std::string notice = m_dataMain->takeNotice(); !notice.empty())
        ui::information(QString::fromStdString(notice));
    selectPage(InsertPage);
    try {
        // A stored connection that failed is not tried a second time: the
        // user would wait for its time-out twice.
        if (!opened)
            throw std::runtime_error("not connected");
        setStatusText(QString::fromStdString(m_dataMain->currentDatabaseName()));
        // The table list fills when the connection opens, at start-up as
        // after Change connection.
        ui::guarded([this] { Loadtablelist1Click(); });
    } catch (const std::exception&) {
        // The failure was shown by the data module already; the connection
        // dialog gives the user the chance to mend it.
        mniChangeConnectionClick();
    }
}

bool TfrmMain::pageModified(int page) const
{
    const ui::SqlEditor* edit = m_editors[page];
    return edit->isModified() && edit->length() > 0;
}

void TfrmMain::updateTitles()
{
    if (!m_documents)
        return;
    static const std::array<QString, PageDocuments::kPages> captions = {
        tr("Insert"), tr("Update"), tr("Delete"), tr("Edit existing procedure"), tr("Select")};
    auto shownName = [this](int page) {
        const QString name = m_documents->state(page).documentName;
        return name.isEmpty() ? QString() : QFileInfo(name).fileName();
    };
    for (int page = 0; page < PageDocuments::kPages; ++page) {
        QString caption = captions[page];
        const QString name = shownName(page);
        if (!name.isEmpty())
            caption += QStringLiteral(": ") + name;
        if (pageModified(page))
            caption += QStringLiteral(" *");
        pcMain->setTabText(page, caption);
        pcMain->setTabToolTip(page, m_documents->state(page).documentName);
    }
    QStringList title;
    const int page = currentPage();
    QString document = shownName(page);
    if (pageModified(page))
        document += QLatin1Char('*');
    if (!document.isEmpty())
        title << document;
    if (!statusText().isEmpty())
        title << statusText();
    title << QStringLiteral("Varnett");
    setWindowTitle(title.join(QStringLiteral(" - ")));
}

bool TfrmMain::confirmClose()
{
    std::vector<int> pages;
    for (int page = 0; page < PageDocuments::kPages; ++page)
        if (pageModified(page))
            pages.push_back(page);
    return saveOrDiscard(pages, tr("These pages have changes that are not saved:\n%1\n\n"
                                   "Save them before closing?"));
}

bool TfrmMain::confirmReplace(const std::vector<int>& pages)
{
    std::vector<int> edited;
    for (int page : pages)
        if (m_documents->edited(page))
            edited.push_back(page);
    return saveOrDiscard(edited, tr("These pages have changes that the command replaces:\n%1\n\n"
                                    "Save them first?"));
}

bool TfrmMain::saveOrDiscard(const std::vector<int>& pages, const QString& question)
{
    if (pages.empty())
        return true;
    QStringList changed;
    for (int page : pages)
        changed << QStringLiteral("    ") + pcMain->tabText(page);
    const ui::SaveChoice choice = ui::askSaveChanges(question.arg(changed.join(QLatin1Char('\n'))));
    if (choice == ui::SaveChoice::Cancel)
        return false;
    if (choice == ui::SaveChoice::Discard)
        return true;
    for (int page : pages) {
        bool saved = false;
        ui::guarded([&] { saved = m_documents->savePage(page); });
        updateTitles();
        if (!saved)
            return false;
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (confirmClose())
        event->accept();
    else
        event->ignore();
}

int TfrmMain::currentPage() const
{
    return pcMain->currentIndex();
}

void TfrmMain::selectPage(int page)
{
    {
        QSignalBlocker quiet(pcMain);
        pcMain->setCurrentIndex(page);
    }
    pcMainChange();
}

void TfrmMain::pcMainChange()
{
    const int page = currentPage();

    const bool generated = page != EditPage;
    const bool idle = !m_runner || !m_runner->running();
    mniBuild->setEnabled(generated && idle);
    mniBuildAll->setEnabled(generated && idle);
    mniCreateAll->setEnabled(generated && idle);
    // F5 builds a generated page and executes the Edit page's procedure.
    mniBuild->setShortcut(generated ? QKeySequence(Qt::Key_F5) : QKeySequence());
    mniExecute->setShortcut(generated ? QKeySequence() : QKeySequence(Qt::Key_F5));
    mniCreate->setText(generated ? tr("&Create") : tr("&Update on server"));

    // The condition list serves the Update and the Select procedure.
    const bool update = page == UpdatePage || page == SelectPage;
    lvFields->setDragEnabled(update);
    lvFields->setDragDropMode(update ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    m_conditions->setAccepting(update);
    if (!update)
        m_conditions->clear();
    pnlWhere->setVisible(update);
    if (Splitter3->count() > 1)
        Splitter3->handle(1)->setVisible(update);

    for (ui::SqlEditor* edit : m_editors)
        edit->viewport()->update();
    updateTitles();
}

QString TfrmMain::statusText() const
{
    return sbMainPanel->text();
}

void TfrmMain::setStatusText(const QString& text)
{
    sbMainPanel->setText(text);
    updateTitles();
}

void TfrmMain::mniShowConnectionClick()
{
    ui::information(tr("Current connection: ")
                    + QString::fromStdString(m_dataMain->db().shownText()));
}

void TfrmMain::mniChangeConnectionClick()
{
    data::Connection& db = m_dataMain->db();
    db.close();
    TConnEditForm dialog(this);
    dialog.showCurrent(QString::fromStdString(db.heldText()));
    try {
        if (ui::exec(dialog) == QDialog::Accepted) {
            const std::string chosen = dialog.connectionString().toStdString();
            if (!chosen.empty()) {
                ui::BusyOperation busy(busyWidgets(), false);
                db.setConnectionString(chosen);
                db.open();
                setStatusText(QString::fromStdString(m_dataMain->currentDatabaseName()));
                Loadtablelist1Click();
                m_schema->emptyFields();
            }
        }
        m_dataMain->storeConnectionString();
    } catch (const std::exception& failure) {
        ui::error(ui::messageOf(failure));
    }
}

void TfrmMain::Loadtablelist1Click()
{
    ui::BusyOperation busy(busyWidgets(), false);
    m_schema->loadTables();
}

void TfrmMain::mniAboutClick()
{
    TAboutBox box(this);
    box.complete(QApplication::applicationName());
    ui::exec(box);
}

void TfrmMain::mniHelpClick()
{
    // The help is the program's own: it needs no browser.
    ui::information(
        tr("Choose a table in the table list (F4 loads it), select its fields, then Build (F5) "
           "on the Insert, Update, Delete or Select page; Procedure > Build All writes the "
           "first three. The Update and Select pages take their conditions from the list "
           "below the page: drag fields onto it, or double-click a field. Create (Ctrl+Enter) "
           "sends the page to the server.\n\n"
           "File > Open reads a stored procedure into the Edit page, where Update on server "
           "(Ctrl+Enter) writes it back and Procedure > Execute (F5 there) runs it, its results below the "
           "pages. The DataBase menu writes procedure and data scripts "
           "and loads scripts; Cancel or Esc stops a long operation.\n\n"
           "The manual pages varnett(1) and varnett-script(1) tell more."));
}

void TfrmMain::mnjiExitClick()
{
    close();
}

} // namespace varnett
