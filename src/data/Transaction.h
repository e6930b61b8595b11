#pragma once

#include "data/Engine.h"
#include "sqltext/Error.h"

namespace varnett::data {

// A transaction on an engine, begun by the constructor and rolled back when
// the object goes without commit() (an exception on the way out included).
// A failed rollback is not reported: the failure that led to it is the one
// that matters.
class Transaction {
public:
    explicit Transaction(Engine& engine) : m_engine(engine) { m_engine.beginTransaction(); }
    ~Transaction()
    {
        if (m_open) {
            try {
                m_engine.rollback();
            } catch (const Error&) {
                // the first failure is the one to report
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Commits; when the commit fails, the destructor still rolls back.
    void commit()
    {
        m_engine.commit();
        m_open = false;
    }

private:
    Engine& m_engine;
    bool m_open = true;
};

} // namespace varnett::data
