#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnett::sqltext {

// Turns the bytes of a script file into UTF-8 a piece at a time: UTF-16 with
// a byte order mark (little or big endian, as SQL Server's tools write
// scripts) is converted, a UTF-8 byte order mark is dropped, anything else is
// taken as it is. The pieces may be cut anywhere, inside a mark or a
// character included. Throws varnett::Error for UTF-16 that holds a lone
// surrogate (naming its line) or is cut short (from finish()).
class ScriptDecoder {
public:
    // Appends the text of the next bytes to `out`.
    void decode(std::string_view bytes, std::string& out);
    // At the end of the bytes: appends what was held back.
    void finish(std::string& out);

    // The count of input bytes that about `size` bytes of output came from
    // (exact unless the input is UTF-16), for progress.
    std::uint64_t inputBytesOf(std::size_t size) const;
    // Input bytes held back until more come.
    std::size_t heldBack() const { return m_held.size(); }

private:
    enum class Form { Unknown, Plain, Utf16Le, Utf16Be };

    void decideForm(bool atEnd);
    void decodeUtf16(std::string_view bytes, std::string& out);

    Form m_form = Form::Unknown;
    std::string m_held;
    std::uint64_t m_taken = 0;      // input bytes turned into output (marks included)
    std::uint64_t m_produced = 0;   // output bytes
    std::size_t m_lineBreaks = 0;   // line feeds put out, for messages (UTF-16 only)
};

// The text of a whole script file as UTF-8, as ScriptDecoder gives it.
// Throws varnett::Error for UTF-16 that is cut short or holds a lone
// surrogate.
std::string scriptTextToUtf8(std::string_view bytes);

// The message for a NUL character on a line of a script (lines from 1).
std::string nulCharacterMessage(std::size_t line);

// Throws varnett::Error "Line N of the script holds a NUL character." for
// the first NUL in the text: a server reads none, and the embedded engine
// would end the statement at it without a word.
void checkNoNul(std::string_view text);

} // namespace varnett::sqltext
