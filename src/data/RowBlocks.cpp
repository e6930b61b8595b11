#include "data/RowBlocks.h"

#include <algorithm>

namespace varnett::data {

namespace {

// Three blocks: one being written out, one being read, one ready.
constexpr std::size_t kBlocks = 3;

} // namespace

RowBlocks::RowBlocks(sqltext::RowCursor& cursor, std::size_t rowsPerBlock,
                     std::size_t bytesPerBlock)
    : m_cursor(cursor),
      m_columns(cursor.columns().size()),
      m_rowsPerBlock(std::max<std::size_t>(rowsPerBlock, 1)),
      m_bytesPerBlock(bytesPerBlock),
      m_blocks(kBlocks)
{
    for (Block& block : m_blocks) {
        block.values.resize(m_rowsPerBlock * m_columns);
        m_free.push_back(&block);
    }
    m_reader = std::thread([this] { read(); });
}

RowBlocks::~RowBlocks()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_reader.join();
}

void RowBlocks::read()
{
    Block* block = nullptr;
    try {
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stop || !m_free.empty(); });
                if (m_stop)
                    return;
                block = m_free.front();
                m_free.pop_front();
            }
            // The block is the reader's alone until it is handed over.
            block->rows = 0;
            std::size_t bytes = 0;
            bool more = true;
            while (block->rows < m_rowsPerBlock && bytes < m_bytesPerBlock
                   && (more = m_cursor.next())) {
                sqltext::Value* row = block->values.data() + block->rows * m_columns;
                for (std::size_t column = 0; column < m_columns; ++column) {
                    m_cursor.readValue(column, row[column]);
                    bytes += row[column].bytes.size() + sizeof(sqltext::Value);
                }
                ++block->rows;
            }
            {
                std::lock_guard lock(m_mutex);
                if (block->rows > 0)
                    m_full.push_back(block);
                else
                    m_free.push_back(block);
                block = nullptr;
                m_done = !more;
            }
            m_changed.notify_all();
            if (!more)
                return;
        }
    } catch (...) {
        {
            std::lock_guard lock(m_mutex);
            // The rows read before the error are handed over first.
            if (block && block->rows > 0)
                m_full.push_back(block);
            else if (block)
                m_free.push_back(block);
            m_error = std::current_exception();
            m_done = true;
        }
        m_changed.notify_all();
    }
}

const RowBlocks::Block* RowBlocks::next()
{
    std::unique_lock lock(m_mutex);
    if (m_handedOut) {
        m_free.push_back(m_handedOut);
        m_handedOut = nullptr;
        m_changed.notify_all();
    }
    m_changed.wait(lock, [this] { return !m_full.empty() || m_done; });
    if (m_full.empty()) {
        if (m_error)
            std::rethrow_exception(m_error);
        return nullptr;
    }
    m_handedOut = m_full.front();
    m_full.pop_front();
    return m_handedOut;
}

} // namespace varnett::data
