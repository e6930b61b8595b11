#pragma once

#include "sqltext/Generators.h"

#include <QObject>
#include <QPointer>

#include <vector>

class QComboBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnett {

// The WHERE condition list of the Update procedure: one row per condition,
// each with its field, an operator selector and its parameter text.
class ConditionList : public QObject {
    Q_OBJECT
public:
    explicit ConditionList(QTreeWidget* lvWhere, QObject* parent = nullptr);
    ~ConditionList() override;

    // Whether fields may be added (dragging from the field list is on).
    void setAccepting(bool accepting) { m_accepting = accepting; }
    bool accepting() const { return m_accepting; }

    // Add condition: a row for the given field entry (name, type text and
    // declared type), operator " = ". Does nothing while not accepting.
    void addCondition(const sqltext::Field& field);
    // Remove condition: the selected row and its selector.
    void Delete1Click();
    // Every row and selector gone.
    void clear();

    // The rows in order, as the Update generator reads them.
    std::vector<sqltext::ConditionRow> rows() const;
    int rowCount() const;
    QComboBox* operatorSelector(int row) const;

    // Takes the drag and drop events of the list's viewport. Events that
    // reach it while the list is being destroyed (the viewport is hidden
    // then) are left alone without touching the list.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A drop from a list view asks for the field list's first selected field.
    void fieldDropped();

private:
    void fitColumns();
    void operatorChanged(QTreeWidgetItem* item, int op);
    // The hint of the empty list: what it is for.
    void updateHint();

    QTreeWidget* m_list;
    QPointer<QWidget> m_viewport;   // the filtered viewport, known without asking the list
    bool m_accepting = false;
    QLabel* m_hint = nullptr;
};

} // namespace varnett
