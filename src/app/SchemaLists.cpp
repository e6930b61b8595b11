#include "app/SchemaLists.h"

#include "app/Images.h"
#include "data/dmMain.h"
#include "sqltext/Compare.h"
#include "sqltext/TypeText.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QApplication>
#include <QGroupBox>
#include <QMouseEvent>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

namespace varnett {

namespace {

constexpr int kDeclaredTypeRole = Qt::UserRole + 1;
constexpr int kTypeRole = Qt::UserRole + 2;
constexpr int kServerFilledRole = Qt::UserRole + 3;
constexpr int kKeyRole = Qt::UserRole + 4;
// A table entry's schema and name, as the catalog gave them.
constexpr int kObjectRole = Qt::UserRole + 5;

sqltext::ObjectName objectOf(const QTreeWidgetItem& item)
{
    const QStringList parts = item.data(0, kObjectRole).toStringList();
    return {parts.value(0).toStdString(), parts.value(1).toStdString()};
}

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
    // The field list follows the current table however it becomes current:
    // a click, the arrow keys, Home and End, or typing the start of a name.
    // A click on the current table tries again a table that failed to open;
    // the click that made it current has tried it already.
    connect(m_tables, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (std::exchange(m_justTried, nullptr) == item)
            return;
        ui::guarded([this] { lvTablesClick(); });
    });
    connect(m_tables, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current && !current->isSelected())
            current->setSelected(true);
        m_justTried = current;
        ui::guarded([this] { lvTablesClick(); });
    });
    connect(m_fields, &QTreeWidget::itemSelectionChanged, this, [this] { lvFieldsSelectItem(); });
    m_fieldsViewport = m_fields->viewport();
    m_fieldsViewport->installEventFilter(this);
}

SchemaLists::~SchemaLists()
{
    if (m_fieldsViewport)
        m_fieldsViewport->removeEventFilter(this);
}

void SchemaLists::loadTables()
{
    const std::vector<sqltext::ObjectName> names = m_dataMain.listTables();
    std::set<std::string> views;
    for (const sqltext::ObjectName& view : m_dataMain.listViews())
        views.insert(sqltext::displayName(view));
    m_justTried = nullptr;
    m_tables->clear();
    // Filled in the catalog's order: no sort arrow.
    m_tables->header()->setSortIndicatorShown(false);
    for (const sqltext::ObjectName& name : names) {
        const std::string shown = sqltext::displayName(name);
        auto* item = new QTreeWidgetItem(m_tables, {QString::fromStdString(shown)});
        item->setData(0, kObjectRole,
                      QStringList{QString::fromStdString(name.schema), QString::fromStdString(name.name)});
        // Views have their own icon.
        item->setIcon(0, images::listImage(views.count(shown) ? 2 : 0));
    }
    m_tables->resizeColumnToContents(0);
}

void SchemaLists::emptyTables()
{
    m_justTried = nullptr;
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
    const sqltext::ObjectName object = objectOf(*m_tables->selectedItems().first());
    auto cursor = m_dataMain.openTable(object);
    std::vector<sqltext::ColumnDesc> columns = cursor->columns();
    cursor.reset();
    sqltext::TableKeys keys = m_dataMain.tableKeys(object);
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
    m_selectionBeforePress.clear();
    m_pressed = nullptr;
    m_fields->clear();
    m_fields->header()->setSortIndicatorShown(false);
    m_shownTable.clear();
    m_hasShownTable = false;
    m_shownColumns.clear();
    m_shownKeys = {};
}

namespace {

// A type text's sort key: its type name, then the numbers of its size.
struct TypeKey {
    std::string name;
    std::vector<long long> sizes;
};

TypeKey typeKey(const QString& text)
{
    TypeKey key;
    const qsizetype open = text.indexOf(QLatin1Char('('));
    key.name = (open < 0 ? text : text.left(open)).toStdString();
    if (open >= 0) {
        const QString inside = text.mid(open + 1).section(QLatin1Char(')'), 0, 0);
        for (const QString& part : inside.split(QLatin1Char(','))) {
            bool number = false;
            const long long size = part.trimmed().toLongLong(&number);
            // "max" is larger than any number.
            key.sizes.push_back(number ? size : std::numeric_limits<long long>::max());
        }
    }
    return key;
}

int compareTypes(const QString& a, const QString& b)
{
    const TypeKey left = typeKey(a);
    const TypeKey right = typeKey(b);
    if (const int names = sqltext::compareTexts(left.name, right.name); names != 0)
        return names;
    if (left.sizes != right.sizes)
        return left.sizes < right.sizes ? -1 : 1;
    return 0;
}

} // namespace

void SchemaLists::lvFieldsColumnClick(QTreeWidget* list, int column)
{
    // A second click on the same column reverses the order; the header's
    // arrow shows it.
    const bool sameColumn = list->header()->isSortIndicatorShown()
        && list->header()->sortIndicatorSection() == column;
    const Qt::SortOrder order = sameColumn && list->header()->sortIndicatorOrder() == Qt::AscendingOrder
        ? Qt::DescendingOrder
        : Qt::AscendingOrder;
    m_sortColumn = column;
    // Names by the lists' own rule, the type column by type and then size; a
    // missing sub-item counts as the empty text.
    // Taking the entries out clears their selection and moves the current
    // entry: both are put back after, so that what the user chose stays
    // chosen (Build reads it) and the field list keeps its table.
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    QTreeWidgetItem* current = list->currentItem();
    const bool byType = list == m_fields && column == 1;
    {
        const QSignalBlocker quiet(list);
        QList<QTreeWidgetItem*> items;
        while (list->topLevelItemCount() > 0)
            items << list->takeTopLevelItem(0);
        std::stable_sort(items.begin(), items.end(),
                         [column, byType, order](QTreeWidgetItem* a, QTreeWidgetItem* b) {
                             const int compared = byType
                                 ? compareTypes(a->text(column), b->text(column))
                                 : sqltext::compareTexts(a->text(column).toStdString(),
                                                         b->text(column).toStdString());
                             return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
                         });
        list->addTopLevelItems(items);
        if (current)
            list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
        for (QTreeWidgetItem* item : selected)
            item->setSelected(true);
    }
    list->header()->setSortIndicatorShown(true);
    list->header()->setSortIndicator(column, order);
    if (list == m_fields)
        lvFieldsSelectItem();
}

void SchemaLists::lvFieldsSelectItem()
{
    m_fieldsGroup->setTitle(tr("Selected fields: %1").arg(m_fields->selectedItems().size()));
}

bool SchemaLists::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_fieldsViewport.data() && event->type() == QEvent::MouseButtonPress) {
        const QTreeWidgetItem* item =
            m_fields->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        // The second press of a double-click keeps what the first one saw.
        const bool second = item && item == m_pressed && m_sincePress.isValid()
            && m_sincePress.elapsed() <= QApplication::doubleClickInterval();
        if (!second) {
            m_selectionBeforePress = m_fields->selectedItems();
            m_pressed = item;
        }
        m_sincePress.start();
    }
    return QObject::eventFilter(watched, event);
}

void SchemaLists::restoreSelectionBeforeDoubleClick()
{
    m_fields->clearSelection();
    for (QTreeWidgetItem* item : std::as_const(m_selectionBeforePress))
        if (m_fields->indexOfTopLevelItem(item) >= 0)
            item->setSelected(true);
    m_pressed = nullptr;
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
