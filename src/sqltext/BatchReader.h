#pragma once

#include "sqltext/ScriptText.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace varnett::sqltext {

// One batch of a script, as the reader hands it over.
struct ScriptBatch {
    std::string text;           // exactly as the script holds it, without the line
                                // break after its last line
    std::size_t number = 0;     // counting the batches that hold something, from 1
    std::size_t line = 0;       // line of its first character that is no blank, from 1
};

// Reads a script batch by batch from a source of bytes, holding only the
// batch at hand and one chunk of input in memory. The bytes are read as
// ScriptDecoder reads them (UTF-8, or UTF-16 after its byte order mark). A
// line holding only GO (any letter case, blanks around allowed) ends a batch;
// batches of blanks only are left out. Each batch keeps the bytes of its
// lines as they are, line breaks included (a value holding a lone LF loads
// back as it was). A NUL character throws varnett::Error "Line N of the
// script holds a NUL character.": a server reads none, and the embedded
// engine would end the statement at it without a word.
class BatchReader {
public:
    // Fills the buffer with up to `size` bytes; 0 at the end of the input.
    using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

    explicit BatchReader(Source source, std::size_t chunkSize = 1 << 16);
    // A reader over text held in memory.
    explicit BatchReader(std::string_view text);

    // The next batch; false when the script holds no more.
    bool next(ScriptBatch& batch);
    // Bytes of the script taken so far (the batch handed over last included);
    // for UTF-16 input an estimate until the end.
    std::uint64_t bytesRead() const;

private:
    // The next line with its line break (if any); false at the end.
    bool nextLine(std::string_view& line);
    bool fill();

    Source m_source;
    std::size_t m_chunkSize;
    ScriptDecoder m_decoder;
    std::string m_chunk;            // bytes as the source gives them
    std::string m_buffer;           // the text they make
    std::size_t m_pos = 0;
    bool m_end = false;
    std::uint64_t m_sourceBytes = 0;
    std::size_t m_lineNumber = 0;
    std::size_t m_batchNumber = 0;
};

} // namespace varnett::sqltext
