#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

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
    BusyOperation(const BusyWidgets& widgets, bool cancellable);
    ~BusyOperation() override;

    // A phase of `max` steps begins.
    void start(int max);
    // `position` steps of the phase are done.
    void step(int position);
    // Lets the window answer (the Cancel button above all) now and then;
    // throws OperationCancelled once Cancel was pressed.
    void poll();

    bool cancelled() const { return m_cancelled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QProgressBar> m_bar;
    QPointer<QAction> m_barAction;
    QPointer<QAbstractButton> m_cancel;
    QPointer<QAction> m_cancelAction;
    QElapsedTimer m_sincePoll;
    bool m_cancelled = false;
};

} // namespace varnett::ui
