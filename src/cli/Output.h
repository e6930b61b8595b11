#pragma once

#include "data/Scripts.h"

#include <string>
#include <vector>

namespace varnett::cli {

// Writes the lines to standard output, each ended by LF.
void printLines(const std::vector<std::string>& lines);
// Flushes standard output; throws varnett::Error when it could not be written.
void finishOutput();

// The whole text of a file, or of standard input for "-". Throws
// varnett::Error naming the file when it cannot be read.
std::string readInput(const std::string& path);
// The text of a script file (or standard input) as UTF-8, its encoding read
// from its byte order mark. Throws varnett::Error for a file that cannot be
// read, broken UTF-16 and a NUL character (naming its line).
std::string readScript(const std::string& path);

// Progress of a long command on standard error, shown only when standard
// error is a terminal: "varnett-script: LABEL N/MAX" rewritten in place. Each
// phase (each start) takes the next label; the last one stays for any more.
class TerminalProgress {
public:
    explicit TerminalProgress(std::vector<std::string> labels);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Empty functions when standard error is no terminal.
    const data::Progress& progress() const { return m_progress; }

private:
    void show(int position);

    std::vector<std::string> m_labels;
    std::size_t m_phase = 0;
    data::Progress m_progress;
    int m_max = 0;
    int m_shownPercent = -1;
    bool m_shown = false;
};

} // namespace varnett::cli
