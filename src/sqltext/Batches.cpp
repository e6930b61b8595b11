#include "sqltext/Batches.h"

#include "sqltext/AsciiText.h"

namespace varnett::sqltext {

namespace {

} // namespace

bool isGoLine(std::string_view line)
{
    line = trim(line, isWhiteSpace);
    return line.size() == 2 && (line[0] == 'G' || line[0] == 'g')
        && (line[1] == 'O' || line[1] == 'o');
}

std::vector<std::string> splitBatches(std::string_view script)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (script.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        script.remove_prefix(kByteOrderMark.size());

    std::vector<std::string> batches;
    std::string current;
    bool currentHasLines = false;
    auto finishBatch = [&] {
        if (currentHasLines && !isBlankText(current, isWhiteSpace))
            batches.push_back(std::move(current));
        current.clear();
        currentHasLines = false;
    };

    std::size_t pos = 0;
    while (pos < script.size()) {
        std::size_t end = script.find('\n', pos);
        std::size_t next = end == std::string_view::npos ? script.size() : end + 1;
        if (end == std::string_view::npos)
            end = script.size();
        std::string_view line = script.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = next;

        if (isGoLine(line)) {
            finishBatch();
            continue;
        }
        if (currentHasLines)
            current += "\r\n";
        current += line;
        currentHasLines = true;
    }
    finishBatch();
    return batches;
}

} // namespace varnett::sqltext
