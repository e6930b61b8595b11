#include "app/dlgMain.h"

#include "app/ConditionList.h"
#include "app/Images.h"
#include "app/PageDocuments.h"
#include "app/RecentProcedures.h"
#include "app/ServerProcedures.h"
#include "app/SchemaLists.h"
#include "app/dlgAbout.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "dialogs/dlgConnEdit.h"
#include "ui/Modal.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
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
    connect(pcMain, &QTabWidget::currentChanged, this, [this] { ui::guarded([this] { pcMainChange(); }); });
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate()
{
    ui::guarded([this] { m_dataMain->DataModuleCreate(); });
    selectPage(InsertPage);
    try {
        m_dataMain->db().open();
        setStatusText(QString::fromStdString(m_dataMain->currentDatabaseName()));
    } catch (const std::exception&) {
        // The failure was shown by the data module already; the connection
        // dialog gives the user the chance to mend it.
        mniChangeConnectionClick();
    }
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
    mniBuild->setEnabled(generated);
    mniBuildAll->setEnabled(generated);
    mniCreateAll->setEnabled(generated);

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

    for (QPlainTextEdit* edit : m_editors)
        edit->viewport()->update();
}

QString TfrmMain::statusText() const
{
    return sbMainPanel->text();
}

void TfrmMain::setStatusText(const QString& text)
{
    sbMainPanel->setText(text);
}

void TfrmMain::mniShowConnectionClick()
{
    ui::information(QStringLiteral("Current connection: ")
                    + QString::fromStdString(m_dataMain->db().connectionString()));
}

void TfrmMain::mniChangeConnectionClick()
{
    data::Connection& db = m_dataMain->db();
    db.close();
    TConnEditForm dialog(this);
    try {
        if (ui::exec(dialog) == QDialog::Accepted) {
            const std::string chosen = dialog.connectionString().toStdString();
            if (!chosen.empty()) {
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
    m_schema->loadTables();
}

void TfrmMain::mniAboutClick()
{
    TAboutBox box(this);
    box.complete(QApplication::applicationName());
    ui::exec(box);
}

void TfrmMain::mnjiExitClick()
{
    close();
}

} // namespace varnett
