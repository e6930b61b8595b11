// The embedded engine's fast road for data scripts: a batch read as INSERT
// statements of constants is cut into statements and values that lie within
// the batch.
#include "FuzzCheck.h"

#include "data/sqlite/InsertBatch.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool startsWithNoCase(std::string_view text, std::string_view upper)
{
    if (text.size() < upper.size())
        return false;
    for (std::size_t i = 0; i < upper.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i])
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using varnett::data::InsertValue;
    const std::string_view batch(reinterpret_cast<const char*>(data), size);
    varnett::data::InsertBatch out;
    if (!varnett::data::readInsertBatch(batch, out))
        return 0;
    FUZZ_CHECK(!out.statements.empty());
    std::size_t next = 0;
    for (const auto& statement : out.statements) {
        FUZZ_CHECK(statement.rows >= 1 && statement.columns >= 1);
        FUZZ_CHECK(statement.firstValue == next);
        next += statement.rows * statement.columns;
        FUZZ_CHECK(startsWithNoCase(statement.header, "INSERT"));
        FUZZ_CHECK(statement.header.data() >= batch.data()
                   && statement.header.data() + statement.header.size()
                       <= batch.data() + batch.size());
        std::string_view tail = statement.header.substr(statement.header.size() - 6);
        FUZZ_CHECK(startsWithNoCase(tail, "VALUES"));
    }
    FUZZ_CHECK(next == out.values.size());
    for (const InsertValue& value : out.values) {
        if (value.kind != InsertValue::Kind::Text && value.kind != InsertValue::Kind::Blob)
            continue;
        const std::size_t limit = value.inArena ? out.arena.size() : batch.size();
        FUZZ_CHECK(value.offset <= limit && value.size <= limit - value.offset);
        // SQLite's text ends at a NUL: such a value never takes this road.
        if (value.kind == InsertValue::Kind::Text)
            FUZZ_CHECK(out.bytes(value, batch).find('\0') == std::string_view::npos);
    }
    return 0;
}
