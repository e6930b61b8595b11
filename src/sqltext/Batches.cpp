#include "sqltext/Batches.h"

#include "sqltext/AsciiText.h"
#include "sqltext/BatchReader.h"

namespace varnett::sqltext {

bool isGoLine(std::string_view line)
{
    line = trim(line, isWhiteSpace);
    return line.size() == 2 && (line[0] == 'G' || line[0] == 'g')
        && (line[1] == 'O' || line[1] == 'o');
}

std::vector<std::string> splitBatches(std::string_view script)
{
    std::vector<std::string> batches;
    BatchReader reader(script);
    ScriptBatch batch;
    while (reader.next(batch)) {
        std::string text;
        text.reserve(batch.text.size() + batch.text.size() / 16);
        for (std::size_t i = 0; i < batch.text.size(); ++i) {
            if (batch.text[i] == '\n' && (i == 0 || batch.text[i - 1] != '\r'))
                text += '\r';
            text += batch.text[i];
        }
        batches.push_back(std::move(text));
    }
    return batches;
}

} // namespace varnett::sqltext
