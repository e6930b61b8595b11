#include "sqltext/BatchReader.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Batches.h"
#include "sqltext/Error.h"

#include <algorithm>
#include <cstring>

namespace varnett::sqltext {

namespace {

bool hasNonBlank(std::string_view text) { return !isBlankText(text, isWhiteSpace); }

} // namespace

BatchReader::BatchReader(Source source, std::size_t chunkSize)
    : m_source(std::move(source)), m_chunkSize(std::max<std::size_t>(chunkSize, 16))
{
}

BatchReader::BatchReader(std::string_view text)
    : m_source([text](char* buffer, std::size_t size) mutable {
          std::size_t n = std::min(size, text.size());
          std::memcpy(buffer, text.data(), n);
          text.remove_prefix(n);
          return n;
      }),
      m_chunkSize(std::clamp<std::size_t>(text.size(), 16, 1 << 20))
{
}

std::uint64_t BatchReader::bytesRead() const
{
    return m_sourceBytes - m_decoder.heldBack() - m_decoder.inputBytesOf(m_buffer.size() - m_pos);
}

bool BatchReader::fill()
{
    if (m_end)
        return false;
    if (m_pos > 0) {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
    }
    const std::size_t had = m_buffer.size();
    // A few bytes may be held back (a byte order mark or a UTF-16 character
    // cut in two), so reading goes on until text comes or the input ends.
    while (m_buffer.size() == had) {
        m_chunk.resize(m_chunkSize);
        const std::size_t got = m_source(m_chunk.data(), m_chunkSize);
        m_sourceBytes += got;
        if (got == 0) {
            m_end = true;
            m_decoder.finish(m_buffer);
            break;
        }
        m_decoder.decode(std::string_view(m_chunk.data(), got), m_buffer);
    }
    return m_buffer.size() > had;
}

bool BatchReader::nextLine(std::string_view& line)
{
    std::size_t searchFrom = m_pos;
    for (;;) {
        const char* start = m_buffer.data() + searchFrom;
        const void* found = std::memchr(start, '\n', m_buffer.size() - searchFrom);
        if (found) {
            std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found)
                                                       - m_buffer.data()) + 1;
            line = std::string_view(m_buffer).substr(m_pos, end - m_pos);
            break;
        }
        std::size_t searched = m_buffer.size() - m_pos;
        if (!fill()) {
            if (m_pos == m_buffer.size())
                return false;
            line = std::string_view(m_buffer).substr(m_pos);
            break;
        }
        searchFrom = m_pos + searched;
    }
    m_pos += line.size();
    ++m_lineNumber;
    if (std::memchr(line.data(), '\0', line.size()))
        throw Error(nulCharacterMessage(m_lineNumber));
    return true;
}

bool BatchReader::next(ScriptBatch& batch)
{
    batch.text.clear();
    batch.line = 0;
    std::string_view line;
    for (;;) {
        bool more = nextLine(line);
        if (more) {
            std::string_view bare = line;
            if (!bare.empty() && bare.back() == '\n')
                bare.remove_suffix(1);
            if (!isGoLine(bare)) {
                if (batch.line == 0 && hasNonBlank(line))
                    batch.line = m_lineNumber;
                batch.text.append(line);
                continue;
            }
        }
        // A GO line or the end of the script ends the batch.
        if (batch.line != 0) {
            if (!batch.text.empty() && batch.text.back() == '\n')
                batch.text.pop_back();
            if (!batch.text.empty() && batch.text.back() == '\r')
                batch.text.pop_back();
            batch.number = ++m_batchNumber;
            return true;
        }
        batch.text.clear();
        if (!more)
            return false;
    }
}

} // namespace varnett::sqltext
