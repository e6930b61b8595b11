#pragma once

#include "data/ProcedureRun.h"
#include "ui/BusyOperation.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace varnett::ui {

class ResultsDock;

// Runs one procedure call at a time on a thread of its own and feeds what
// comes back to the results dock on the window's thread, as it comes: the
// window stays responsive, and the first rows show while the rest arrive.
class ProcedureRunner : public QObject {
    Q_OBJECT
public:
    // The call itself, run on the thread: it reads the control for Cancel
    // and reports through its onStep and onRows.
    using Job = std::function<data::RunOutcome(data::RunControl& control)>;

    explicit ProcedureRunner(ResultsDock* dock, QObject* parent = nullptr);
    // Cancels a call still running and waits for its thread.
    ~ProcedureRunner() override;

    // Starts the call; the time it takes is measured by the clock.
    void start(const QString& procedure, Job job, Clock clock = {});
    // Stops the running call (the server is told at once).
    void cancel();
    bool running() const { return m_control != nullptr; }

    // Rows of a result set sent to the dock at a time.
    void setRowsPerStep(std::size_t rows) { m_rowsPerStep = rows; }
    // Called on the window's thread each time a step of the call has
    // reached the dock, with the steps so far: a test holds the call there.
    void setStepProbe(std::function<void(std::size_t steps)> probe) { m_probe = std::move(probe); }

signals:
    void runningChanged(bool running);

private:
    class Feed;
    void delivered();
    void ended(const data::RunOutcome& outcome, const QString& failure);
    void join();

    QPointer<ResultsDock> m_dock;
    std::unique_ptr<data::RunControl> m_control;
    std::thread m_thread;
    Clock m_clock;
    std::int64_t m_started = 0;
    std::size_t m_rowsPerStep = 500;
    std::size_t m_steps = 0;
    std::function<void(std::size_t)> m_probe;
};

} // namespace varnett::ui
