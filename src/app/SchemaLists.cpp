#include "app/SchemaLists.h"

#include "app/Images.h"
#include "data/dmMain.h"
#include "sqltext/Compare.h"
#include "sqltext/TypeText.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>
#include <set>

namespace varnett {

namespace {

constexpr int kDeclaredTypeRole = Qt::UserRole + 1;
constexpr int kTypeRole = Qt::UserRole + 2;
constexpr int kServerFilledRole = Qt::UserRole + 3;
constexpr int kKeyRole = Qt::UserRole + 4;

} // namespace

SchemaLists::SchemaLists(data::TDataMain& dataMain, QTreeWidget* lvTables, QTreeWidget* lvFields,
                         QGroupBox* gbFields, QObject* parent)
    : QObject(parent)
    , m_dataMain(dataMain)
    , m_tables(lvTables)
    , m_fields(lvFields)
    , m_fieldsGroup(gbFields)
{
    for (QTreeWidget* list : {m_tables, m_fields}) {
        list->header()->setSectionsClickable(true);
        list->header()->setSortIndicatorShown(false);
        connect(list->header(), &QHeaderView::sectionClicked, this, [this, list](int column) {
            ui::guarded([&] { lvFieldsColumnClick(list, column); });
        });
    }
    connect(m_tables, &QTreeWidget::itemClicked, this,
            [this] { ui::guarded([this] { lvTablesClick(); }); });
    connect(m_fields, &QTreeWidget::itemSelectionChanged, this, [this] { lvFieldsSelectItem(); });
}

void SchemaLists::loadTables()
{
    const std::vector<std::string> names = m_dataMain.listTables();
    const std::vector<std::string> viewList = m_dataMain.listViews();
    const std::set<std::string> views(viewList.begin(), viewList.end());
    m_tables->clear();
    for (const std::string& name : names) {
        auto* item = new QTreeWidgetItem(m_tables, {QString::fromStdString(name)});
        // Views have their own icon.
        item->setIcon(0, images::listImage(views.count(name) ? 2 : 0));
    }
    m_tables->resizeColumnToContents(0);
}

void SchemaLists::emptyTables()
{
    m_tables->clear();
}

QString SchemaLists::selectedTable() const
{
    const QList<QTreeWidgetItem*> selected = m_tables->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text(0);
}

void SchemaLists::lvTablesClick()
{
    const QString table = selectedTable();
    if (table.isEmpty())
        return;
    if (m_hasShownTable && table == m_shownTable)
        return;
    ui::BusyOperation busy({}, false);
    emptyFields();
    auto cursor = m_dataMain.openTable(table.toStdString());
    std::vector<sqltext::ColumnDesc> columns = cursor->columns();
    cursor.reset();
    sqltext::TableKeys keys = m_dataMain.tableKeys(table.toStdString());
    for (const sqltext::ColumnDesc& column : columns) {
        QStringList texts{QString::fromStdString(column.name)};
        if (auto type = sqltext::typeText(column))
            texts << QString::fromStdString(*type);
        auto* item = new QTreeWidgetItem(m_fields, texts);
        const bool key = std::find(keys.key.begin(), keys.key.end(), column.name) != keys.key.end();
        item->setIcon(0, images::listImage(key ? 3 : 1));
        item->setData(0, kKeyRole, key);
        const sqltext::Field field = sqltext::fieldOf(column);
        item->setData(0, kDeclaredTypeRole, QString::fromStdString(field.declaredType));
        item->setData(0, kTypeRole, static_cast<int>(field.type));
        item->setData(0, kServerFilledRole, field.serverFilled);
    }
    m_fields->resizeColumnToContents(0);
    m_shownTable = table;
    m_hasShownTable = true;
    m_shownColumns = std::move(columns);
    m_shownKeys = std::move(keys);
}

void SchemaLists::emptyFields()
{
    m_fields->clear();
    m_shownTable.clear();
    m_hasShownTable = false;
    m_shownColumns.clear();
    m_shownKeys = {};
}

void SchemaLists::lvFieldsColumnClick(QTreeWidget* list, int column)
{
    m_sortColumn = column;
    // Always ascending, by the lists' own rule; a missing sub-item counts
    // as the empty text.
    // Taking the entries out clears their selection: it is put back after,
    // so that what the user chose stays chosen (Build reads it).
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    QTreeWidgetItem* current = list->currentItem();
    QList<QTreeWidgetItem*> items;
    while (list->topLevelItemCount() > 0)
        items << list->takeTopLevelItem(0);
    std::stable_sort(items.begin(), items.end(), [column](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return sqltext::compareTexts(a->text(column).toStdString(), b->text(column).toStdString())
            < 0;
    });
    list->addTopLevelItems(items);
    if (current)
        list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
}

void SchemaLists::lvFieldsSelectItem()
{
    m_fieldsGroup->setTitle(tr("Selected fields: %1").arg(m_fields->selectedItems().size()));
}

sqltext::Field SchemaLists::fieldOf(const QTreeWidgetItem* item)
{
    return {item->text(0).toStdString(), item->text(1).toStdString(),
            item->data(0, kDeclaredTypeRole).toString().toStdString(),
            static_cast<sqltext::SqlType>(item->data(0, kTypeRole).toInt()),
            item->data(0, kServerFilledRole).toBool()};
}

bool SchemaLists::isKeyField(const QTreeWidgetItem* item)
{
    return item->data(0, kKeyRole).toBool();
}

sqltext::TableFacts SchemaLists::shownTableFacts() const
{
    if (!m_hasShownTable)
        return {};
    return sqltext::tableFacts(m_shownColumns, m_shownKeys);
}

std::vector<SchemaLists::Entry> SchemaLists::fieldEntries() const
{
    std::vector<Entry> entries;
    for (int i = 0; i < m_fields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_fields->topLevelItem(i);
        entries.push_back({fieldOf(item), item->isSelected()});
    }
    return entries;
}

std::vector<sqltext::Field> SchemaLists::selectedFields() const
{
    std::vector<sqltext::Field> fields;
    for (const Entry& entry : fieldEntries())
        if (entry.selected)
            fields.push_back(entry.field);
    return fields;
}

const QTreeWidgetItem* SchemaLists::firstSelectedField() const
{
    for (int i = 0; i < m_fields->topLevelItemCount(); ++i)
        if (m_fields->topLevelItem(i)->isSelected())
            return m_fields->topLevelItem(i);
    return nullptr;
}

} // namespace varnett
