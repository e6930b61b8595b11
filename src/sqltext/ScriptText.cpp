#include "sqltext/ScriptText.h"

#include "sqltext/Utf8.h"
#include "sqltext/Error.h"

#include <algorithm>
#include <cstdint>

namespace varnett::sqltext {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

constexpr const char* kCutShort =
    "The script is UTF-16 text with an odd number of bytes: its end is cut off.";

std::size_t lineAt(std::string_view text, std::size_t offset)
{
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

[[noreturn]] void loneSurrogate(std::size_t line)
{
    throw Error("Line " + std::to_string(line)
                + " of the script holds a broken UTF-16 character (a lone surrogate).");
}

} // namespace

void ScriptDecoder::decideForm(bool atEnd)
{
    const std::string_view held = m_held;
    auto starts = [&](std::string_view mark) { return held.substr(0, mark.size()) == mark; };
    std::size_t mark = 0;
    if (starts(kUtf16LeMark)) {
        m_form = Form::Utf16Le;
        mark = kUtf16LeMark.size();
    } else if (starts(kUtf16BeMark)) {
        m_form = Form::Utf16Be;
        mark = kUtf16BeMark.size();
    } else if (starts(kUtf8Mark)) {
        m_form = Form::Plain;
        mark = kUtf8Mark.size();
    } else if (atEnd || held.size() >= kUtf8Mark.size()
               || kUtf8Mark.substr(0, held.size()) != held) {
        // Two bytes that start no UTF-16 mark and cannot start a UTF-8 one
        // decide as well as three.
        if (!atEnd && held.size() < kUtf16LeMark.size()
            && (kUtf16LeMark.substr(0, held.size()) == held
                || kUtf16BeMark.substr(0, held.size()) == held))
            return;
        m_form = Form::Plain;
    } else {
        return;
    }
    m_held.erase(0, mark);
    m_taken += mark;
}

void ScriptDecoder::decode(std::string_view bytes, std::string& out)
{
    if (m_form == Form::Unknown) {
        m_held.append(bytes);
        decideForm(false);
        if (m_form == Form::Unknown)
            return;
        std::string held;
        held.swap(m_held);
        decode(held, out);
        return;
    }
    if (m_form == Form::Plain) {
        out.append(bytes);
        m_taken += bytes.size();
        m_produced += bytes.size();
        return;
    }
    decodeUtf16(bytes, out);
}

void ScriptDecoder::decodeUtf16(std::string_view bytes, std::string& out)
{
    std::string joined;
    if (!m_held.empty()) {
        joined = m_held + std::string(bytes);
        m_held.clear();
        bytes = joined;
    }
    const bool bigEndian = m_form == Form::Utf16Be;
    auto unitAt = [&](std::size_t unit) -> char32_t {
        auto first = static_cast<std::uint8_t>(bytes[2 * unit]);
        auto second = static_cast<std::uint8_t>(bytes[2 * unit + 1]);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    const std::size_t before = out.size();
    const std::size_t units = bytes.size() / 2;
    std::size_t unit = 0;
    while (unit < units) {
        const char32_t code = nextUtf16CodePoint(unitAt, units, unit);
        if (code == kCutCharacter)
            break;      // its second half comes with the next bytes
        if (code == kInvalidCharacter)
            loneSurrogate(m_lineBreaks + 1);
        appendUtf8(out, code);
        if (code == '\n')
            ++m_lineBreaks;
    }
    const std::size_t i = 2 * unit;
    m_held.assign(bytes.substr(i));
    m_taken += i;
    m_produced += out.size() - before;
}

void ScriptDecoder::finish(std::string& out)
{
    if (m_form == Form::Unknown) {
        decideForm(true);
        std::string held;
        held.swap(m_held);
        decode(held, out);
    }
    if (m_held.empty())
        return;
    if (m_held.size() % 2 != 0)
        throw Error(kCutShort);
    loneSurrogate(m_lineBreaks + 1);
}

std::uint64_t ScriptDecoder::inputBytesOf(std::size_t size) const
{
    if (m_form != Form::Utf16Le && m_form != Form::Utf16Be)
        return size;
    if (m_produced == 0)
        return 0;
    return static_cast<std::uint64_t>(static_cast<double>(size) * static_cast<double>(m_taken)
                                      / static_cast<double>(m_produced));
}

std::string scriptTextToUtf8(std::string_view bytes)
{
    std::string out;
    ScriptDecoder decoder;
    // Cut short is told before anything found in the text.
    if ((bytes.substr(0, kUtf16LeMark.size()) == kUtf16LeMark
         || bytes.substr(0, kUtf16BeMark.size()) == kUtf16BeMark)
        && bytes.size() % 2 != 0)
        throw Error(kCutShort);
    out.reserve(bytes.size());
    decoder.decode(bytes, out);
    decoder.finish(out);
    return out;
}

std::string nulCharacterMessage(std::size_t line)
{
    return "Line " + std::to_string(line) + " of the script holds a NUL character.";
}

void checkNoNul(std::string_view text)
{
    std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        throw Error(nulCharacterMessage(lineAt(text, nul)));
}

} // namespace varnett::sqltext
