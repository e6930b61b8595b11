#include "lists/dlgCommand.h"

#include "sqltext/Error.h"
#include "ui/Modal.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>


namespace varnett {

namespace {

constexpr int kItemHeight = 13;

// Rows of the list box are 13 pixels high, or as high as the font needs.
class ItemHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(kItemHeight, option.fontMetrics.height()));
        return size;
    }
};

} // namespace

TfrmCommand::TfrmCommand(const InsertionContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_context(context)
{
    setObjectName(QStringLiteral("frmCommand"));
    setFixedSize(234, 161);

    lboxCommand = new QListWidget(this);
    lboxCommand->setObjectName(QStringLiteral("lboxCommand"));
    lboxCommand->setFocusPolicy(Qt::ClickFocus);
    lboxCommand->setItemDelegate(new ItemHeightDelegate(lboxCommand));
    lboxCommand->setUniformItemSizes(true);
    lboxCommand->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lboxCommand->installEventFilter(this);
    lboxCommand->viewport()->installEventFilter(this);
    setMultipleSelection(false);

    m_filterLabel = new QLabel(this);
    m_filterLabel->setObjectName(QStringLiteral("lblFilter"));
    m_filterLabel->setContentsMargins(3, 1, 3, 1);
    m_filterLabel->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(lboxCommand);
    layout->addWidget(m_filterLabel);
}

void TfrmCommand::Init()
{
    lboxCommand->setFrameStyle(QFrame::Box | QFrame::Plain);
    lboxCommand->setLineWidth(1);
}

void TfrmCommand::setItems(const std::vector<std::string>& items)
{
    lboxCommand->clear();
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items)
        texts << QString::fromStdString(item);
    lboxCommand->addItems(texts);
}

void TfrmCommand::setMultipleSelection(bool multiple)
{
    lboxCommand->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection
                                           : QAbstractItemView::SingleSelection);
}

void TfrmCommand::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* current = screen()) {
        const QRect area = current->availableGeometry();
        if (m_hasAnchor) {
            // At the caret, moved back onto the screen where it would leave it.
            QPoint at = m_anchor;
            if (at.y() + height() > area.bottom())
                at.setY(m_anchor.y() - height() - fontMetrics().height());
            at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
            at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
            move(at);
        } else {
            move(area.center() - rect().center());
        }
    }
    FormShow();
}

void TfrmCommand::FormShow()
{
    // A list that fails to fill reports it and works with what it got.
    ui::guarded([this] { Init(); });
    // The first item is current and selected: Enter inserts it.
    if (lboxCommand->count() > 0)
        lboxCommand->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    else
        lboxCommand->setCurrentIndex(QModelIndex());
    m_filter.clear();
    m_filterLabel->hide();
    lboxCommand->setFocus();
}

void TfrmCommand::keyPressEvent(QKeyEvent* event)
{
    if (FormKeyPress(event))
        return;
    QDialog::keyPressEvent(event);
}

bool TfrmCommand::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lboxCommand && event->type() == QEvent::KeyPress)
        return FormKeyPress(static_cast<QKeyEvent*>(event));
    if (watched == lboxCommand->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        lboxCommandDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TfrmCommand::FormKeyPress(QKeyEvent* event)
{
    const int key = event->key();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && key == Qt::Key_Backspace && !m_filter.isEmpty()) {
        m_filter.chop(1);
        applyFilter();
        return true;
    }
    const QString typed = event->text();
    if (plain && !typed.isEmpty() && typed.at(0).isPrint()
        && !(typed == QStringLiteral(" ") && m_filter.isEmpty())) {
        m_filter += typed;
        applyFilter();
        return true;
    }
    switch (key) {
    case Qt::Key_Escape:
        m_resultText.clear();
        reject();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        chooseAndClose();
        return true;
    default:
        return false;
    }
}

void TfrmCommand::applyFilter()
{
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < lboxCommand->count(); ++i) {
        QListWidgetItem* item = lboxCommand->item(i);
        const bool shown = item->text().contains(m_filter, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (!shown)
            item->setSelected(false);
        else if (!first)
            first = item;
    }
    m_filterLabel->setText(tr("Typed: %1").arg(m_filter));
    m_filterLabel->setVisible(!m_filter.isEmpty());
    if (!first) {
        lboxCommand->setCurrentItem(nullptr);
        return;
    }
    // The first match becomes the one Enter takes; in a list of several
    // choices it is selected only when no shown item is.
    bool shownSelected = false;
    for (QListWidgetItem* item : lboxCommand->selectedItems())
        shownSelected = shownSelected || !item->isHidden();
    if (lboxCommand->selectionMode() == QAbstractItemView::SingleSelection || !shownSelected)
        lboxCommand->setCurrentItem(first, QItemSelectionModel::ClearAndSelect);
    else
        lboxCommand->setCurrentItem(first, QItemSelectionModel::NoUpdate);
    lboxCommand->scrollToItem(first);
}

void TfrmCommand::lboxCommandDblClick()
{
    chooseAndClose();
}

bool TfrmCommand::hasCurrentItem() const
{
    // A single-selection list's current item is its selected one; in a
    // multiple-selection list it is the item with the focus rectangle.
    if (lboxCommand->selectionMode() == QAbstractItemView::SingleSelection)
        return !lboxCommand->selectedItems().isEmpty();
    return lboxCommand->currentRow() >= 0;
}

void TfrmCommand::chooseAndClose()
{
    if (hasCurrentItem()) {
        ui::guarded([this] {
            std::vector<std::string> items;
            std::vector<std::size_t> selected;
            items.reserve(static_cast<std::size_t>(lboxCommand->count()));
            for (int i = 0; i < lboxCommand->count(); ++i) {
                const QListWidgetItem* item = lboxCommand->item(i);
                items.push_back(item->text().toStdString());
                if (item->isSelected())
                    selected.push_back(static_cast<std::size_t>(i));
            }
            m_resultText =
                QString::fromStdString(sqltext::composeResult(items, selected, m_listMode));
        });
    }
    accept();
}

} // namespace varnett
