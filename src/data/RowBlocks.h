#pragma once

#include "sqltext/Value.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace varnett::data {

// Rows of a cursor read ahead on a thread of their own, handed over in
// blocks, so that reading the rows and writing them out go on at the same
// time. Memory stays bounded: a few blocks, each closed at `rowsPerBlock`
// rows or once its values hold `bytesPerBlock` bytes.
//
// The cursor belongs to the reading thread from construction to destruction;
// nothing else may use it (or its connection) meanwhile. An error of the
// cursor reaches the caller from next(), after the rows read before it.
// Destroying the object stops the reading and waits for it.
class RowBlocks {
public:
    struct Block {
        std::size_t rows = 0;
        std::vector<sqltext::Value> values;     // rows × columns, row by row
    };

    RowBlocks(sqltext::RowCursor& cursor, std::size_t rowsPerBlock = 256,
              std::size_t bytesPerBlock = 1u << 20);
    ~RowBlocks();
    RowBlocks(const RowBlocks&) = delete;
    RowBlocks& operator=(const RowBlocks&) = delete;

    // The next block, valid until the next call; nullptr once the rows are
    // exhausted. Throws what the cursor threw.
    const Block* next();

private:
    void read();

    sqltext::RowCursor& m_cursor;
    const std::size_t m_columns;
    const std::size_t m_rowsPerBlock;
    const std::size_t m_bytesPerBlock;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Block> m_blocks;
    std::deque<Block*> m_free;       // blocks the reader may fill
    std::deque<Block*> m_full;       // blocks filled, in row order
    Block* m_handedOut = nullptr;    // the block the caller holds
    bool m_done = false;             // the reader has read its last row
    bool m_stop = false;             // the caller wants no more rows
    std::exception_ptr m_error;
    std::thread m_reader;            // last: starts once the rest is set up
};

} // namespace varnett::data
