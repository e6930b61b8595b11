#include "data/Transaction.h"

#include <exception>

namespace varnett::data {

Transaction::Transaction(Engine& engine) : m_engine(engine)
{
    m_engine.beginTransaction();
    m_open = true;
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        m_engine.rollback();
    } catch (const std::exception&) {
        // the failure that left the scope is the one to report
    }
}

void Transaction::commit()
{
    m_engine.commit();
    m_open = false;
}

} // namespace varnett::data
