#pragma once

#include "sqltext/ColumnType.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varnett::sqltext {

// One value of one row, as an engine delivers it.
struct Value {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string bytes;          // Text: UTF-8 characters; Blob: the raw bytes

    bool isNull() const { return kind == Kind::Null; }
};

// A table or view opened for reading: its columns, then its rows one at a time.
class RowCursor {
public:
    virtual ~RowCursor() = default;
    virtual const std::vector<ColumnDesc>& columns() const = 0;
    // Moves to the next row; false once the rows are exhausted.
    virtual bool next() = 0;
    // A value of the current row.
    virtual Value value(std::size_t column) const = 0;
    // The same into a value kept by the caller, whose storage a cursor may
    // reuse from row to row.
    virtual void readValue(std::size_t column, Value& out) const { out = value(column); }
};

} // namespace varnett::sqltext
