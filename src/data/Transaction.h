#pragma once

#include "data/Engine.h"

namespace varnett::data {

// A transaction on an engine for the length of a scope: begun when the guard
// is made, rolled back when the scope is left without commit(). A failure of
// that rollback is swallowed: the failure that ended the scope is the one to
// report.
class Transaction {
public:
    explicit Transaction(Engine& engine);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Commits. When the commit fails the guard still rolls back on leaving.
    void commit();

private:
    Engine& m_engine;
    bool m_open = false;
};

} // namespace varnett::data
