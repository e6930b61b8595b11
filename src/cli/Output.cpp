#include "cli/Output.h"

#include "sqltext/Error.h"

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace varnett::cli {

namespace {

bool standardErrorIsTerminal()
{
#ifdef _WIN32
    return ::_isatty(::_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

} // namespace

void printLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
        std::cout.put('\n');
    }
}

void finishOutput()
{
    std::cout.flush();
    if (!std::cout)
        throw Error("Cannot write to standard output.");
}

std::string readInput(const std::string& path)
{
    if (path == "-") {
        std::ostringstream text;
        text << std::cin.rdbuf();
        if (std::cin.bad())
            throw Error("Cannot read standard input.");
        return std::move(text).str();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Error("Cannot read the file '" + path + "': " + std::strerror(errno) + ".");
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad())
        throw Error("Cannot read the file '" + path + "'.");
    return text;
}

TerminalProgress::TerminalProgress(std::vector<std::string> labels) : m_labels(std::move(labels))
{
    if (!standardErrorIsTerminal() || m_labels.empty())
        return;
    m_progress.start = [this](int max) {
        if (m_shown && m_phase + 1 < m_labels.size())
            ++m_phase;
        m_max = max;
        m_shownPercent = -1;
        show(0);
    };
    m_progress.step = [this](int position) { show(position); };
}

TerminalProgress::~TerminalProgress()
{
    if (m_shown)
        std::cerr << '\n';
}

void TerminalProgress::show(int position)
{
    // Redrawn when the percentage changes, so long runs do not flood the terminal.
    int percent = m_max > 0 ? static_cast<int>(100LL * position / m_max) : 100;
    if (percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    m_shown = true;
    std::cerr << "\rvarnett-script: " << m_labels[m_phase] << ' ' << position << '/' << m_max
              << "          " << std::flush;
}

} // namespace varnett::cli
