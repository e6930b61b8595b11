#pragma once

#include "sqltext/Generators.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <string>
#include <vector>

class QGroupBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnett::data { class TDataMain; }

namespace varnett {

// The table list and the field list of the main window: filling them from
// the catalog, header-click sorting, the shown table and the selection
// caption.
class SchemaLists : public QObject {
    Q_OBJECT
public:
    SchemaLists(data::TDataMain& dataMain, QTreeWidget* lvTables, QTreeWidget* lvFields,
                QGroupBox* gbFields, QObject* parent = nullptr);
    ~SchemaLists() override;

    // Load table list: reads the names first, so a failure keeps the list.
    void loadTables();
    void emptyTables();
    // Fill: the columns of the selected table, unless it is the shown table.
    void lvTablesClick();
    void emptyFields();
    // Header click: sorts the clicked list by that column.
    void lvFieldsColumnClick(QTreeWidget* list, int column);

    // The selected table's name; empty when none.
    QString selectedTable() const;
    QString shownTable() const { return m_shownTable; }
    int sortColumn() const { return m_sortColumn; }
    // Every field entry in display order, with its selection.
    struct Entry {
        sqltext::Field field;
        bool selected = false;
    };
    std::vector<Entry> fieldEntries() const;
    std::vector<sqltext::Field> selectedFields() const;
    // The first selected field in display order, if any.
    const QTreeWidgetItem* firstSelectedField() const;
    static sqltext::Field fieldOf(const QTreeWidgetItem* item);
    // A double-click on a field adds a condition: the selection of the
    // fields to set goes back to what it was before the click.
    void restoreSelectionBeforeDoubleClick();
    // True for a field entry of the shown table's key (it has the key icon).
    static bool isKeyField(const QTreeWidgetItem* item);
    // The key, identity and rowversion columns of the shown table, for the
    // generator options; none when no table is shown.
    sqltext::TableFacts shownTableFacts() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lvFieldsSelectItem();

    data::TDataMain& m_dataMain;
    QTreeWidget* m_tables;
    QTreeWidget* m_fields;
    QGroupBox* m_fieldsGroup;
    QString m_shownTable;
    std::vector<sqltext::ColumnDesc> m_shownColumns;
    sqltext::TableKeys m_shownKeys;
    bool m_hasShownTable = false;
    // The table that became current last, tried then; its click is not a
    // second try.
    const QTreeWidgetItem* m_justTried = nullptr;
    // The field selection before the last press that did not continue a
    // double-click.
    QList<QTreeWidgetItem*> m_selectionBeforePress;
    const QTreeWidgetItem* m_pressed = nullptr;
    QElapsedTimer m_sincePress;
    // The filtered viewport, known without asking the list (which may be
    // going away when an event comes).
    QPointer<QWidget> m_fieldsViewport;
    int m_sortColumn = 0;
};

} // namespace varnett
