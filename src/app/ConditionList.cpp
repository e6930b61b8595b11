#include "app/ConditionList.h"

#include "app/Images.h"
#include "ui/GridLineDelegate.h"
#include "ui/Modal.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QStyledItemDelegate>

#include <algorithm>
#include <QTreeWidget>

namespace varnett {

namespace {

constexpr int kTypeTextRole = Qt::UserRole + 1;
constexpr int kDeclaredTypeRole = Qt::UserRole + 2;
constexpr int kTypeRole = Qt::UserRole + 3;

// Keeps a column from being edited in place.
class ReadOnlyColumn : public ui::GridLineDelegate {
public:
    using ui::GridLineDelegate::GridLineDelegate;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return nullptr;
    }
};

bool fromListView(const QDropEvent* event)
{
    return qobject_cast<QAbstractItemView*>(event->source()) != nullptr;
}

} // namespace

ConditionList::ConditionList(QTreeWidget* lvWhere, QObject* parent)
    : QObject(parent)
    , m_list(lvWhere)
{
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_list->setItemDelegateForColumn(1, new ReadOnlyColumn(m_list));
    m_list->setItemDelegateForColumn(2, new ReadOnlyColumn(m_list));
    m_viewport = m_list->viewport();
    m_viewport->setAcceptDrops(true);
    m_viewport->installEventFilter(this);
    m_hint = new QLabel(tr("Drag fields here, or double-click a field"), m_viewport);
    m_hint->setObjectName(QStringLiteral("lblWhereHint"));
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->setEnabled(false);
    // Drops and clicks go to the list beneath.
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hint->resize(m_viewport->size());
    // An edited field name carries its parameter text along.
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0)
            return;
        const int row = m_list->indexOfTopLevelItem(item);
        const QComboBox* selector = row >= 0 ? operatorSelector(row) : nullptr;
        const QString parameter = QString::fromStdString(sqltext::conditionParameter(
            item->text(0).toStdString(), selector ? selector->currentIndex() : 0));
        if (item->text(2) != parameter)
            item->setText(2, parameter);
    });
}

ConditionList::~ConditionList()
{
    if (m_viewport)
        m_viewport->removeEventFilter(this);
}

bool ConditionList::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the pointer kept: while the list is destroyed, asking it
    // for its viewport would call into a part of it that is already gone.
    if (watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        m_hint->resize(m_viewport->size());
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (fromListView(drag) && drag->source() != m_list) {
            drag->acceptProposedAction();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (fromListView(drop) && drop->source() != m_list) {
            drop->acceptProposedAction();
            ui::guarded([this] { emit fieldDropped(); });
        }
        return true;
    }
    default:
        return false;
    }
}

void ConditionList::addCondition(const sqltext::Field& field)
{
    if (!m_accepting)
        return;
    sqltext::checkCondition(field.name, field.type, 0);
    const QString name = QString::fromStdString(field.name);
    auto* item = new QTreeWidgetItem(m_list, {name, QString(),
                                              QString::fromStdString(sqltext::conditionParameter(field.name, 0))});
    item->setIcon(0, images::listImage(1));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, kTypeTextRole, QString::fromStdString(field.typeText));
    item->setData(0, kDeclaredTypeRole, QString::fromStdString(field.declaredType));
    item->setData(0, kTypeRole, static_cast<int>(field.type));

    auto* selector = new QComboBox;
    selector->setObjectName(QStringLiteral("cbOperator"));
    selector->setFrame(false);
    selector->setEditable(false);
    // LIKE only for the fields that hold characters.
    for (int i = 0; i < sqltext::operatorCount(field.type); ++i) {
        const std::string_view op = sqltext::kOperatorItems[static_cast<std::size_t>(i)];
        selector->addItem(QString::fromUtf8(op.data(), static_cast<int>(op.size())));
    }
    selector->setCurrentIndex(0);
    m_list->setItemWidget(item, 1, selector);
    connect(selector, &QComboBox::activated, this, [this, item](int op) {
        ui::guarded([&] { operatorChanged(item, op); });
    });
    fitColumns();
    updateHint();
}

void ConditionList::updateHint()
{
    m_hint->setVisible(rowCount() == 0);
}

void ConditionList::fitColumns()
{
    // The field names and parameters are shown whole; the operator column
    // is as wide as its selector needs.
    m_list->resizeColumnToContents(0);
    m_list->setColumnWidth(0, m_list->columnWidth(0) + 8);
    m_list->setColumnWidth(1, std::max(m_list->columnWidth(1), 80));
    m_list->resizeColumnToContents(2);
}

void ConditionList::operatorChanged(QTreeWidgetItem* item, int op)
{
    m_list->setCurrentItem(item);
    item->setText(2, QString::fromStdString(
                         sqltext::conditionParameter(item->text(0).toStdString(), op)));
    fitColumns();
    m_list->setFocus();
}

void ConditionList::Delete1Click()
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    m_list->removeItemWidget(item, 1);
    delete item;
    updateHint();
}

void ConditionList::clear()
{
    m_list->clear();
    updateHint();
}

int ConditionList::rowCount() const
{
    return m_list->topLevelItemCount();
}

QComboBox* ConditionList::operatorSelector(int row) const
{
    return qobject_cast<QComboBox*>(m_list->itemWidget(m_list->topLevelItem(row), 1));
}

std::vector<sqltext::ConditionRow> ConditionList::rows() const
{
    std::vector<sqltext::ConditionRow> result;
    for (int i = 0; i < rowCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        const QComboBox* selector = operatorSelector(i);
        result.push_back({item->text(0).toStdString(), selector ? selector->currentIndex() : 0,
                          item->data(0, kTypeTextRole).toString().toStdString(),
                          item->data(0, kDeclaredTypeRole).toString().toStdString(),
                          static_cast<sqltext::SqlType>(item->data(0, kTypeRole).toInt())});
    }
    return result;
}

} // namespace varnett
