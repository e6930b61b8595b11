// The Build commands of the main window: the four generators and their
// options.
#include "app/dlgMain.h"

#include "app/ConditionList.h"
#include "app/PageDocuments.h"
#include "app/SchemaLists.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "dialogs/dlgGenOptions.h"
#include "dialogs/dlgProcName.h"
#include "sqltext/Generators.h"
#include "sqltext/ProcedureKinds.h"
#include "ui/Commands.h"
#include "ui/EditorOps.h"
#include "ui/Modal.h"
#include "ui/SqlEditor.h"

#include <QLabel>
#include <QTreeWidget>

namespace varnett {

void TfrmMain::connectProcedureCommands()
{
    ui::onTriggered(mniBuild, this, [this] { mniBuildClick(); });
    ui::onTriggered(mniBuildAll, this, [this] { mniBuildAllClick(); });
    ui::onTriggered(mniCreate, this, [this] { mniCreateClick(); });
    ui::onTriggered(mniCreateAll, this, [this] { mniCreateAllClick(); });
    ui::onTriggered(mniGeneratorOptions, this, [this] { mniGeneratorOptionsClick(); });
    ui::onTriggered(findChild<QAction*>(QStringLiteral("mniGenerateForTables")), this,
                    [this] { mniGenerateForTablesClick(); });
    ui::onTriggered(Delete1, this, [this] { m_conditions->Delete1Click(); });
    // The double-clicked field becomes a condition; the fields selected for
    // SET stay as they were before the click.
    connect(lvFields, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (!m_conditions->accepting())
            return;
        ui::guarded([this] { lvFieldsDblClick(); });
        m_schema->restoreSelectionBeforeDoubleClick();
    });
    connect(m_conditions, &ConditionList::fieldDropped, this, [this] { lvFieldsDblClick(); });
}

void TfrmMain::lvFieldsDblClick()
{
    if (const QTreeWidgetItem* field = m_schema->firstSelectedField())
        m_conditions->addCondition(SchemaLists::fieldOf(field));
}

namespace {

QStringList toLines(const std::vector<std::string>& lines)
{
    QStringList result;
    result.reserve(static_cast<int>(lines.size()));
    for (const std::string& line : lines)
        result << QString::fromStdString(line);
    return result;
}

} // namespace

void TfrmMain::mniBuildClick()
{
    const int page = currentPage();
    if (page != EditPage)
        buildPages({page});
}

void TfrmMain::mniBuildAllClick()
{
    buildPages({InsertPage, UpdatePage, DeletePage});
}

namespace {

sqltext::ProcedureKind kindOf(int page)
{
    return page == TfrmMain::SelectPage ? sqltext::ProcedureKind::Select
        : page == TfrmMain::UpdatePage  ? sqltext::ProcedureKind::Update
        : page == TfrmMain::DeletePage  ? sqltext::ProcedureKind::Delete
                                        : sqltext::ProcedureKind::Insert;
}

QString joinedNames(const std::vector<sqltext::Field>& fields)
{
    QStringList names;
    for (const sqltext::Field& field : fields)
        names << QString::fromStdString(field.name);
    return names.join(QStringLiteral(", "));
}

} // namespace

void TfrmMain::buildPages(const std::vector<int>& pages)
{
    sbMainNote->clear();
    // Everything the procedures need is checked before any page is touched.
    const QString table = m_schema->selectedTable();
    if (table.isEmpty()) {
        sbMainNote->setText(tr("Choose a table in the table list first."));
        return;
    }
    // The fields and the table always agree: Build writes the table whose
    // fields the list shows, or nothing.
    if (m_schema->shownTable() != table) {
        sbMainNote->setText(
            tr("The field list does not show the fields of %1; choose the table again.").arg(table));
        return;
    }
    const std::vector<sqltext::Field> fields = m_schema->selectedFields();
    if (fields.empty()) {
        sbMainNote->setText(
            tr("Select the fields of the procedure in the field list first (Ctrl+A selects all)."));
        return;
    }
    const sqltext::GeneratorOptions options = m_dataMain->settings().generatorOptions();
    const sqltext::TableFacts facts = m_schema->shownTableFacts();
    sqltext::GeneratorOptions updateOptions = options;
    for (int page : pages) {
        if (page == UpdatePage && m_conditions->rows().empty() && !options.keyConditions) {
            // Without a condition the UPDATE would have a WHERE with nothing
            // after it.
            const QString how = tr("To choose the conditions yourself, drag fields onto the "
                                   "condition list below the Update page, or double-click a "
                                   "field while that page is shown.");
            if (facts.key.empty()) {
                ui::error(tr("The Update procedure needs at least one condition to find the rows "
                             "it changes.\n\n")
                          + how);
                return;
            }
            if (!ui::confirm(tr("The Update procedure needs at least one condition to find the "
                                "rows it changes. Find the row by the key of %1 (%2)?\n\n")
                                 .arg(table, joinedNames(facts.key))
                             + how))
                return;
            updateOptions.keyConditions = true;
        }
        if (page == DeletePage) {
            const std::vector<sqltext::Field>& compared = options.keyConditions ? facts.key : fields;
            for (const sqltext::Field& field : compared) {
                if (sqltext::isComparable(field.type))
                    continue;
                ui::error(tr("The Delete procedure finds its rows by every selected field, and "
                             "the field %1 cannot be compared (the server does not compare "
                             "text, ntext, image or xml values).\n\nLeave it out: Ctrl+click "
                             "%1 in the field list, then build again.")
                              .arg(QString::fromStdString(field.name)));
                return;
            }
        }
    }
    for (int page : pages)
        buildProcedure(page, table, fields, page == UpdatePage ? updateOptions : options, facts);
}

void TfrmMain::buildProcedure(int page, const QString& tableName,
                              const std::vector<sqltext::Field>& fields,
                              const sqltext::GeneratorOptions& options,
                              const sqltext::TableFacts& facts)
{
    const std::string table = tableName.toStdString();
    const sqltext::ProcedureKind kind = kindOf(page);
    // Text changed by hand is not replaced without a word.
    if (!confirmReplace({page}))
        return;
    // A cancelled name dialog leaves the page and its document as they were.
    const QString name = askProcedureName(
        QString::fromStdString(sqltext::proposedProcedureName(kind, table)), this);
    if (name.isEmpty())
        return;

    const std::string procedure = name.toStdString();
    // The condition list serves Update and Select; the others take none.
    const std::vector<std::string> lines =
        sqltext::kindProcedure(kind, table, fields, m_conditions->rows(), procedure, options, facts);
    ui::SqlEditor* target = m_editors[page];
    // The new text replaces the old as one step that Undo takes back.
    ui::setLines(target, toLines(lines));
    m_documents->markKnown(page);
    sbMainNote->setText(QString::fromStdString(sqltext::leftOutNote(kind, fields)));
    PageDocuments::State& state = m_documents->state(page);
    state.documentName = name;
    state.askForFileName = true;
    updateTitles();
}

void TfrmMain::mniGeneratorOptionsClick()
{
    data::SettingsStore& settings = m_dataMain->settings();
    sqltext::GeneratorOptions options = settings.generatorOptions();
    if (askGeneratorOptions(options, this))
        settings.setGeneratorOptions(options);
}

} // namespace varnett
