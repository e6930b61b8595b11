#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// One value of an INSERT's VALUES lists, read from its T-SQL literal the way
// SQLite reads the literal the dialect turns it into.
struct InsertValue {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    // Text and Blob: the bytes, in the batch itself or in InsertBatch::arena.
    bool inArena = false;
    std::size_t offset = 0;
    std::size_t size = 0;
};

// One INSERT statement of a batch.
struct InsertStatement {
    std::string_view header;        // from INSERT up to and including VALUES
    std::size_t rows = 0;
    std::size_t columns = 0;        // values in each row
    std::size_t firstValue = 0;     // position of its first value in InsertBatch::values
};

// A batch that holds nothing but INSERT ... VALUES statements of constants,
// parted by ";", cut into the statements' headers and their values.
struct InsertBatch {
    std::vector<InsertStatement> statements;
    std::vector<InsertValue> values;
    std::string arena;              // unescaped strings and decoded binary values

    // The bytes of a Text or Blob value; `batch` is the text that was read.
    std::string_view bytes(const InsertValue& value, std::string_view batch) const
    {
        return (value.inArena ? std::string_view(arena) : batch).substr(value.offset, value.size);
    }
};

// Reads the batch as INSERT [INTO] statements whose VALUES lists hold only
// NULL, numbers (a sign before them allowed), '...' and N'...' strings and
// 0x binary constants, separated by ";". Blanks and line breaks may stand
// between any two pieces; comments may not. False (with `out` in no certain
// state) for any other batch, which then takes the general road; true
// promises nothing about the header, which SQLite judges when it is prepared.
bool readInsertBatch(std::string_view batch, InsertBatch& out);

} // namespace varnett::data
