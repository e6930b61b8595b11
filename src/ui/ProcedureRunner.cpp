#include "ui/ProcedureRunner.h"

#include "sqltext/Error.h"
#include "ui/Modal.h"
#include "ui/ResultsDock.h"

#include <QMetaObject>

namespace varnett::ui {

// On the running thread: turns what the engine has read so far into what
// the dock has not been sent yet, and sends it queued to the window's thread.
class ProcedureRunner::Feed {
public:
    Feed(ProcedureRunner* runner, ResultsDock* dock) : m_runner(runner), m_dock(dock) {}

    // Rows of the result set being read.
    void reading(const data::RunResultSet& set)
    {
        if (!m_started) {
            post([columns = set.columns](ResultsDock& dock) { dock.beginResultSet(columns); });
            m_started = true;
        }
        sendRows(set);
    }

    // What came since the last step: complete result sets, messages, counts.
    void step(const data::RunOutcome& outcome)
    {
        for (; m_sets < outcome.resultSets.size(); ++m_sets) {
            reading(outcome.resultSets[m_sets]);
            post([left = outcome.resultSets[m_sets].rowsLeftOut](ResultsDock& dock) {
                dock.endResultSet(left);
            });
            m_started = false;
            m_rows = 0;
        }
        for (; m_messages < outcome.messages.size(); ++m_messages)
            post([message = outcome.messages[m_messages]](ResultsDock& dock) {
                dock.addMessage(message);
            });
        for (; m_counts < outcome.rowsAffected.size(); ++m_counts)
            post([count = outcome.rowsAffected[m_counts]](ResultsDock& dock) {
                dock.addRowsAffected(count);
            });
    }

private:
    void sendRows(const data::RunResultSet& set)
    {
        if (m_rows >= set.rows.size())
            return;
        std::vector<data::RunRow> rows(set.rows.begin() + static_cast<std::ptrdiff_t>(m_rows),
                                       set.rows.end());
        m_rows = set.rows.size();
        post([rows = std::move(rows)](ResultsDock& dock) mutable { dock.appendRows(std::move(rows)); });
    }

    template <typename Change>
    void post(Change change)
    {
        ProcedureRunner* runner = m_runner;
        QPointer<ResultsDock> dock = m_dock;
        QMetaObject::invokeMethod(
            runner,
            [runner, dock, change = std::move(change)]() mutable {
                if (dock)
                    change(*dock);
                runner->delivered();
            },
            Qt::QueuedConnection);
    }

    ProcedureRunner* m_runner;
    ResultsDock* m_dock;
    bool m_started = false;       // the set being read was announced
    std::size_t m_rows = 0;       // its rows sent
    std::size_t m_sets = 0;       // complete sets sent
    std::size_t m_messages = 0;
    std::size_t m_counts = 0;
};

ProcedureRunner::ProcedureRunner(ResultsDock* dock, QObject* parent)
    : QObject(parent)
    , m_dock(dock)
{
}

ProcedureRunner::~ProcedureRunner()
{
    cancel();
    join();
}

void ProcedureRunner::start(const QString& procedure, Job job, Clock clock)
{
    if (running())
        throw Error(tr("A procedure is running already.").toStdString());
    join();
    m_clock = clock ? std::move(clock) : steadyClock();
    m_started = m_clock();
    m_steps = 0;
    m_control = std::make_unique<data::RunControl>();
    m_control->rowsPerStep = m_rowsPerStep;
    auto feed = std::make_shared<Feed>(this, m_dock.data());
    m_control->onRows = [feed](const data::RunResultSet& set) { feed->reading(set); };
    m_control->onStep = [feed](const data::RunOutcome& outcome) { feed->step(outcome); };
    if (m_dock)
        m_dock->begin(procedure);
    emit runningChanged(true);

    data::RunControl* control = m_control.get();
    m_thread = std::thread([this, control, feed, job = std::move(job)] {
        data::RunOutcome outcome;
        QString failure;
        try {
            outcome = job(*control);
            feed->step(outcome);
        } catch (const std::exception& error) {
            failure = messageOf(error);
        } catch (...) {
            failure = tr("Unknown error");
        }
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome), failure] { ended(outcome, failure); },
            Qt::QueuedConnection);
    });
}

void ProcedureRunner::cancel()
{
    if (m_control)
        m_control->cancel();
}

void ProcedureRunner::delivered()
{
    ++m_steps;
    if (m_probe)
        m_probe(m_steps);
}

void ProcedureRunner::ended(const data::RunOutcome& outcome, const QString& failure)
{
    join();
    const std::int64_t elapsed = m_clock() - m_started;
    m_control.reset();
    if (m_dock) {
        if (failure.isEmpty())
            m_dock->finish(outcome, elapsed);
        else
            m_dock->fail(failure, elapsed);
    }
    emit runningChanged(false);
}

void ProcedureRunner::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace varnett::ui
