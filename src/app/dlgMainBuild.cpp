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
#include "ui/Commands.h"
#include "ui/EditorOps.h"
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
    ui::onTriggered(Delete1, this, [this] { m_conditions->Delete1Click(); });
    connect(lvFields, &QTreeWidget::itemDoubleClicked, this,
            [this] { ui::guarded([this] { lvFieldsDblClick(); }); });
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
    switch (currentPage()) {
    case InsertPage:
        buildProcedure(InsertPage);
        break;
    case UpdatePage:
        buildProcedure(UpdatePage);
        break;
    case DeletePage:
        buildProcedure(DeletePage);
        break;
    case SelectPage:
        buildProcedure(SelectPage);
        break;
    default:
        break;
    }
}

void TfrmMain::mniBuildAllClick()
{
    buildProcedure(InsertPage);
    buildProcedure(UpdatePage);
    buildProcedure(DeletePage);
}

void TfrmMain::buildProcedure(int page)
{
    const std::string table = m_schema->selectedTable().toStdString();
    const std::vector<sqltext::Field> fields = m_schema->selectedFields();
    if (table.empty() || fields.empty())
        return;
    const sqltext::ProcedureKind kind = page == SelectPage ? sqltext::ProcedureKind::Select
        : page == UpdatePage                               ? sqltext::ProcedureKind::Update
        : page == DeletePage                               ? sqltext::ProcedureKind::Delete
                                                           : sqltext::ProcedureKind::Insert;

    ui::SqlEditor* target = m_editors[page];
    // A cancelled name dialog leaves the page and its document as they were.
    const QString name = askProcedureName(
        QString::fromStdString(sqltext::proposedProcedureName(kind, table)), this);
    if (name.isEmpty())
        return;
    sbMainNote->clear();

    const std::string procedure = name.toStdString();
    const sqltext::GeneratorOptions options = m_dataMain->settings().generatorOptions();
    // The facts belong to the shown table, which the selected fields are of.
    const sqltext::TableFacts facts = m_schema->shownTable() == m_schema->selectedTable()
        ? m_schema->shownTableFacts()
        : sqltext::TableFacts{};
    std::vector<std::string> lines;
    switch (kind) {
    case sqltext::ProcedureKind::Insert:
        lines = sqltext::insertProcedure(table, fields, procedure, options, facts);
        break;
    case sqltext::ProcedureKind::Update:
        lines = sqltext::updateProcedure(table, fields, m_conditions->rows(), procedure, options,
                                         facts);
        break;
    case sqltext::ProcedureKind::Delete:
        lines = sqltext::deleteProcedure(table, fields, procedure, options, facts);
        break;
    case sqltext::ProcedureKind::Select:
        lines = sqltext::selectProcedure(table, fields, m_conditions->rows(), procedure, options);
        break;
    }
    // The new text replaces the old as one step that Undo takes back.
    ui::setLines(target, toLines(lines));
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
