// Rows and items read ahead on their own thread come in order, whole, with
// the reading's error after the items before it, and stop when the reader
// goes.
#include "data/ReadAhead.h"
#include "data/RowBlocks.h"
#include "sqltext/Error.h"

#include "support/Engines.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

using varnett::data::RowBlocks;
using varnett::sqltext::ColumnDesc;
using varnett::sqltext::Value;

namespace {

// Rows 0, 1, 2, ... of two columns: the number and a text of `width` bytes.
// Fails at row `failAt` when given; counts what it was asked for.
class CountingCursor : public varnett::sqltext::RowCursor {
public:
    CountingCursor(long rows, std::size_t width, long failAt = -1)
        : rows_(rows), width_(width), failAt_(failAt)
    {
        columns_.resize(2);
        columns_[0].name = "n";
        columns_[1].name = "t";
    }
    const std::vector<ColumnDesc>& columns() const override { return columns_; }
    bool next() override
    {
        ++row_;
        ++nextCalls;
        if (row_ == failAt_)
            throw varnett::Error("row " + std::to_string(row_) + " cannot be read");
        return row_ < rows_;
    }
    Value value(std::size_t column) const override
    {
        Value v;
        if (column == 0) {
            v.kind = Value::Kind::Integer;
            v.integer = row_;
        } else {
            v.kind = Value::Kind::Text;
            v.bytes = std::string(width_, static_cast<char>('a' + row_ % 26));
        }
        return v;
    }
    std::atomic<long> nextCalls{0};

private:
    std::vector<ColumnDesc> columns_;
    long rows_;
    std::size_t width_;
    long failAt_;
    long row_ = -1;
};

// The numbers of every row handed over, and the sizes of the blocks.
struct Received {
    std::vector<long> numbers;
    std::vector<std::size_t> blocks;
};

Received receive(RowBlocks& blocks, std::size_t width)
{
    Received got;
    while (const RowBlocks::Block* block = blocks.next()) {
        got.blocks.push_back(block->rows);
        for (std::size_t row = 0; row < block->rows; ++row) {
            const Value& n = block->values[row * 2];
            const Value& t = block->values[row * 2 + 1];
            got.numbers.push_back(n.integer);
            EXPECT_EQ(t.bytes, std::string(width, static_cast<char>('a' + n.integer % 26)));
        }
    }
    return got;
}

std::vector<long> upTo(long count)
{
    std::vector<long> numbers;
    for (long i = 0; i < count; ++i)
        numbers.push_back(i);
    return numbers;
}

} // namespace

TEST(RowBlocks, EveryRowInOrderWhateverTheBlockSize)
{
    const struct {
        long rows;
        std::size_t rowsPerBlock;
        std::size_t bytesPerBlock;
        std::vector<std::size_t> blocks;
    } rows[] = {
        {0, 3, 1 << 20, {}},
        {6, 3, 1 << 20, {3, 3}},
        {10, 3, 1 << 20, {3, 3, 3, 1}},
        {1000, 256, 1 << 20, {256, 256, 256, 232}},
        // The byte limit closes a block early: each row here is past it.
        {4, 100, 10, {1, 1, 1, 1}},
    };
    for (const auto& row : rows) {
        CountingCursor cursor(row.rows, 20);
        RowBlocks blocks(cursor, row.rowsPerBlock, row.bytesPerBlock);
        const Received got = receive(blocks, 20);
        EXPECT_EQ(got.numbers, upTo(row.rows)) << row.rows << " by " << row.rowsPerBlock;
        EXPECT_EQ(got.blocks, row.blocks) << row.rows << " by " << row.rowsPerBlock;
        EXPECT_EQ(blocks.next(), nullptr);
    }
}

TEST(RowBlocks, TheCursorsErrorComesAfterTheRowsBeforeIt)
{
    for (long failAt : {0L, 4L, 6L, 7L}) {
        CountingCursor cursor(100, 5, failAt);
        RowBlocks blocks(cursor, 3);
        std::vector<long> numbers;
        std::string error;
        try {
            while (const RowBlocks::Block* block = blocks.next())
                for (std::size_t row = 0; row < block->rows; ++row)
                    numbers.push_back(block->values[row * 2].integer);
        } catch (const varnett::Error& e) {
            error = e.what();
        }
        EXPECT_EQ(numbers, upTo(failAt)) << failAt;
        EXPECT_EQ(error, "row " + std::to_string(failAt) + " cannot be read");
    }
}

TEST(RowBlocks, LeavingEarlyStopsTheReading)
{
    CountingCursor cursor(1000000, 5);
    {
        RowBlocks blocks(cursor, 10);
        ASSERT_NE(blocks.next(), nullptr);
    }
    // The reader stopped with a few blocks read ahead, not the whole table.
    EXPECT_LE(cursor.nextCalls.load(), 40);
    // And one never asked for any row stops as well.
    CountingCursor idle(1000000, 5);
    { RowBlocks blocks(idle, 10); }
    EXPECT_LE(idle.nextCalls.load(), 40);
}

TEST(ReadAhead, ItemsInOrderThenTheErrorAndAnEarlyStop)
{
    using varnett::data::ReadAhead;
    const struct {
        std::size_t count;
        std::size_t depth;
        long failAt;   // -1: none
    } rows[] = {{0, 4, -1}, {1, 1, -1}, {100, 4, -1}, {100, 1, 37}, {5, 32, 0}};
    for (const auto& row : rows) {
        ReadAhead<std::string> items(row.count, [&](std::size_t i) {
            if (static_cast<long>(i) == row.failAt)
                throw varnett::Error("item " + std::to_string(i) + " cannot be read");
            return std::string(i % 7 + 1, static_cast<char>('a' + i % 26));
        }, row.depth);
        const std::size_t good = row.failAt < 0 ? row.count : static_cast<std::size_t>(row.failAt);
        for (std::size_t i = 0; i < good; ++i)
            ASSERT_EQ(items.next(), std::string(i % 7 + 1, static_cast<char>('a' + i % 26)))
                << row.count << " at " << i;
        if (row.failAt < 0)
            EXPECT_THROW(items.next(), std::out_of_range);
        else
            EXPECT_EQ(varnett::testing::errorOf([&] { items.next(); }),
                      "item " + std::to_string(row.failAt) + " cannot be read");
    }

    // Gone after one item: the reading stopped, no more than its depth ahead.
    std::atomic<std::size_t> made{0};
    {
        ReadAhead<int> items(1000000, [&](std::size_t i) {
            ++made;
            return static_cast<int>(i);
        }, 8);
        EXPECT_EQ(items.next(), 0);
    }
    EXPECT_LE(made.load(), 10u);
}
