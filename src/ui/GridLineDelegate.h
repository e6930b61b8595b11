#pragma once

#include <QStyledItemDelegate>

namespace varnett::ui {

// Draws each cell of a report list with grid lines at its right and bottom.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace varnett::ui
