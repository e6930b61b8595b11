#include "ui/BusyOperation.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProgressBar>
#include <QWindow>

#include <algorithm>
#include <chrono>

namespace varnett::ui {

namespace {

constexpr std::int64_t kPollMilliseconds = 50;
constexpr std::int64_t kShowMilliseconds = 200;
constexpr int kBarSteps = 1000;

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

bool isMouseButton(QEvent::Type type)
{
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
        || type == QEvent::MouseButtonDblClick;
}

QString translated(const char* text)
{
    return QCoreApplication::translate("BusyOperation", text);
}

} // namespace

Clock steadyClock()
{
    return [] {
        return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count());
    };
}

std::optional<std::int64_t> secondsLeft(std::uint64_t done, std::uint64_t total,
                                        std::int64_t elapsedMs)
{
    if (done == 0 || total == 0 || elapsedMs < 1000)
        return std::nullopt;
    if (done >= total)
        return 0;
    const double perUnit = static_cast<double>(elapsedMs) / static_cast<double>(done);
    const double left = perUnit * static_cast<double>(total - done) / 1000.0;
    return static_cast<std::int64_t>(left + 0.5);
}

QString timeLeftText(std::int64_t seconds)
{
    auto twoDigits = [](std::int64_t value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    const std::int64_t hours = seconds / 3600;
    const QString shown = hours > 0
        ? QStringLiteral("%1:%2:%3").arg(hours).arg(twoDigits(seconds / 60 % 60), twoDigits(seconds % 60))
        : QStringLiteral("%1:%2").arg(seconds / 60).arg(twoDigits(seconds % 60));
    return translated("%1 left").arg(shown);
}

BusyOperation::BusyOperation(const BusyWidgets& widgets, bool cancellable, Clock clock)
    : m_bar(widgets.bar)
    , m_barAction(widgets.barAction)
    , m_cancel(cancellable ? widgets.cancel : nullptr)
    , m_cancelAction(cancellable ? widgets.cancelAction : nullptr)
    , m_clock(clock ? std::move(clock) : steadyClock())
    , m_started(m_clock())
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
        m_bar->setTextVisible(false);
        m_bar->resetFormat();
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

bool BusyOperation::showDue(std::uint64_t done, std::uint64_t total) const
{
    const bool last = total > 0 && done >= total;
    return m_bar && (last || !m_lastShown || m_clock() - *m_lastShown >= kShowMilliseconds);
}

void BusyOperation::show(std::uint64_t done, std::uint64_t total, const QString& what)
{
    const std::int64_t now = m_clock();
    if (showDue(done, total)) {
        m_lastShown = now;
        QString text = what;
        if (const auto left = secondsLeft(done, total, now - m_started))
            text += QStringLiteral(" \u2013 ") + timeLeftText(*left);
        m_bar->setRange(0, kBarSteps);
        m_bar->setValue(total == 0 ? 0
                                   : static_cast<int>(std::min(done, total) * kBarSteps / total));
        m_bar->setFormat(text);
        m_bar->setTextVisible(true);
        m_bar->setToolTip(text);
    }
    poll();
}

void BusyOperation::poll()
{
    if (m_cancel) {
        const std::int64_t now = m_clock();
        if (!m_lastPoll || now - *m_lastPoll >= kPollMilliseconds) {
            m_lastPoll = now;
            QApplication::processEvents();
        }
    } else if (m_bar) {
        m_bar->repaint();
    }
    if (m_cancelled)
        throw OperationCancelled();
}

// Whether an input event goes to the Cancel button. A click of the user's
// reaches the button's window first and is handed to the button from there;
// it is let through when it lands on the button (a release always, so that
// a pressed button does not stay down).
bool BusyOperation::reachesCancel(QObject* watched, QEvent* event) const
{
    if (!m_cancel)
        return false;
    if (watched == m_cancel.data())
        return event->type() != QEvent::Close;
    if (!isMouseButton(event->type()))
        return false;
    const QWidget* top = m_cancel->window();
    if (!top || watched != top->windowHandle())
        return false;
    if (event->type() == QEvent::MouseButtonRelease && m_cancel->isDown())
        return true;
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    return m_cancel->isVisible() && m_cancel->rect().contains(m_cancel->mapFrom(top, at));
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
    if (reachesCancel(watched, event))
        return false;
    event->ignore();
    return true;
}

} // namespace varnett::ui
