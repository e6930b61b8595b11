#include "ui/BusyOperation.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>

namespace varnett::ui {

namespace {

constexpr int kPollMilliseconds = 50;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

BusyOperation::BusyOperation(const BusyWidgets& widgets, bool cancellable)
    : m_bar(widgets.bar)
    , m_barAction(widgets.barAction)
    , m_cancel(cancellable ? widgets.cancel : nullptr)
    , m_cancelAction(cancellable ? widgets.cancelAction : nullptr)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_barAction)
        m_barAction->setVisible(true);
    if (m_bar) {
        // Until the operation tells its steps, the bar shows that it works.
        m_bar->setRange(0, 0);
        m_bar->setValue(0);
        m_bar->repaint();
    }
    if (m_cancel) {
        QObject::connect(m_cancel, &QAbstractButton::clicked, this,
                         [this] { m_cancelled = true; });
        m_cancel->setEnabled(true);
        if (m_cancelAction)
            m_cancelAction->setVisible(true);
        qApp->installEventFilter(this);
    }
}

BusyOperation::~BusyOperation()
{
    if (m_cancel) {
        qApp->removeEventFilter(this);
        if (m_cancelAction)
            m_cancelAction->setVisible(false);
    }
    if (m_bar) {
        m_bar->setRange(0, 100);
        m_bar->setValue(0);
    }
    // Idle, the bar is out of sight rather than an empty box.
    if (m_barAction)
        m_barAction->setVisible(false);
    QApplication::restoreOverrideCursor();
}

void BusyOperation::start(int max)
{
    if (m_bar) {
        m_bar->setRange(0, std::max(max, 1));
        m_bar->setValue(0);
    }
    poll();
}

void BusyOperation::step(int position)
{
    if (m_bar)
        m_bar->setValue(std::min(position, m_bar->maximum()));
    poll();
}

void BusyOperation::poll()
{
    if (m_cancel && (!m_sincePoll.isValid() || m_sincePoll.elapsed() >= kPollMilliseconds)) {
        m_sincePoll.start();
        QApplication::processEvents();
    } else if (m_bar && !m_cancel) {
        m_bar->repaint();
    }
    if (m_cancelled)
        throw OperationCancelled();
}

bool BusyOperation::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event->type()))
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_cancelled = true;
        return true;
    }
    // Only the Cancel button answers while the operation runs.
    if (watched == m_cancel.data() && event->type() != QEvent::Close)
        return false;
    event->ignore();
    return true;
}

} // namespace varnett::ui
