#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

class QAbstractButton;
class QAction;
class QProgressBar;

namespace varnett::ui {

// Thrown out of a long operation when the user pressed its Cancel button.
class OperationCancelled : public std::runtime_error {
public:
    OperationCancelled() : std::runtime_error("The operation was cancelled") {}
};

// Milliseconds from a fixed start. The window's is the steady clock; tests
// give one of their own.
using Clock = std::function<std::int64_t()>;
Clock steadyClock();

// The seconds an operation still needs at the rate it went so far: `done` of
// `total` units in `elapsedMs`. Nothing before a unit is done and a second
// went by, or without a total.
std::optional<std::int64_t> secondsLeft(std::uint64_t done, std::uint64_t total,
                                        std::int64_t elapsedMs);
// "0:42 left", "12:05 left", "1:02:03 left".
QString timeLeftText(std::int64_t seconds);

// While an operation that may take a while runs on the window's thread: the
// busy cursor, the progress bar (moving, or showing steps), and for an
// operation that can be cancelled the Cancel button beside the bar. The
// window takes no other input meanwhile; Escape works as Cancel. Everything
// goes back to idle when the object goes, whatever way the operation ends.
// The widgets an operation shows; the actions show and hide the bar and the
// button in their toolbar. A null cancel button: the operation cannot be
// cancelled.
struct BusyWidgets {
    QProgressBar* bar = nullptr;
    QAction* barAction = nullptr;
    QAbstractButton* cancel = nullptr;
    QAction* cancelAction = nullptr;
};

class BusyOperation : public QObject {
public:
    BusyOperation(const BusyWidgets& widgets, bool cancellable, Clock clock = {});
    ~BusyOperation() override;

    // A phase of `max` steps begins.
    void start(int max);
    // `position` steps of the phase are done.
    void step(int position);
    // `done` of `total` units are done (0 when not known): the bar shows the
    // part done and `what` (e.g. "Batch 12 of 4,000") with the time left at
    // the rate since the operation began. Shown a few times a second at
    // most, and always for the last unit; then as poll().
    void show(std::uint64_t done, std::uint64_t total, const QString& what);
    // Whether show() would show anything now: callers that make their text
    // for every row ask first.
    bool showDue(std::uint64_t done, std::uint64_t total) const;
    // Lets the window answer (the Cancel button above all) now and then;
    // throws OperationCancelled once Cancel was pressed.
    void poll();

    bool cancelled() const { return m_cancelled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool reachesCancel(QObject* watched, QEvent* event) const;

    QPointer<QProgressBar> m_bar;
    QPointer<QAction> m_barAction;
    QPointer<QAbstractButton> m_cancel;
    QPointer<QAction> m_cancelAction;
    Clock m_clock;
    std::int64_t m_started = 0;
    std::optional<std::int64_t> m_lastPoll;
    std::optional<std::int64_t> m_lastShown;
    bool m_cancelled = false;
};

} // namespace varnett::ui
