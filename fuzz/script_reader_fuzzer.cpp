// Scripts read for loading: the bytes of a file in any encoding, cut into
// pieces of any size. The first input byte chooses the piece size; the rest
// is the script.
#include "FuzzCheck.h"

#include "sqltext/BatchReader.h"
#include "sqltext/Error.h"
#include "sqltext/ScriptText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using varnett::sqltext::BatchReader;
using varnett::sqltext::ScriptBatch;

namespace {

struct Outcome {
    std::vector<std::string> batches;
    std::vector<std::size_t> lines;
    bool failed = false;
    std::uint64_t bytes = 0;
};

Outcome readAll(BatchReader& reader)
{
    Outcome out;
    ScriptBatch batch;
    try {
        while (reader.next(batch)) {
            FUZZ_CHECK(batch.number == out.batches.size() + 1);
            FUZZ_CHECK(batch.line >= 1);
            out.batches.push_back(batch.text);
            out.lines.push_back(batch.line);
        }
    } catch (const varnett::Error&) {
        out.failed = true;
    }
    out.bytes = reader.bytesRead();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 16 + data[0];
    const std::string_view script(reinterpret_cast<const char*>(data) + 1, size - 1);

    BatchReader whole(script);
    const Outcome expected = readAll(whole);

    std::size_t at = 0;
    BatchReader pieces(
        [&](char* buffer, std::size_t room) {
            const std::size_t n = std::min({room, piece, script.size() - at});
            std::memcpy(buffer, script.data() + at, n);
            at += n;
            return n;
        },
        piece);
    const Outcome got = readAll(pieces);
    FUZZ_CHECK(got.failed == expected.failed);
    if (!got.failed) {
        // Any piece size reads the same batches, and every byte is counted.
        FUZZ_CHECK(got.batches == expected.batches);
        FUZZ_CHECK(got.lines == expected.lines);
        FUZZ_CHECK(got.bytes == script.size());
        FUZZ_CHECK(expected.bytes == script.size());
    }

    // The reader refuses exactly what the whole-text reading refuses.
    bool refused = false;
    try {
        varnett::sqltext::checkNoNul(varnett::sqltext::scriptTextToUtf8(script));
    } catch (const varnett::Error&) {
        refused = true;
    }
    FUZZ_CHECK(refused == expected.failed);
    return 0;
}
