#include "cli/Output.h"

#include "sqltext/Error.h"
#include "sqltext/ScriptText.h"

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
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
    auto cannotRead = [&](int errorNumber) {
        return Error("Cannot read the file '" + path + "': " + std::strerror(errorNumber) + ".");
    };
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw Error("Cannot read the file '" + path + "': it is a folder.");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        throw cannotRead(errno);
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        text.append(buffer, got);
        if (got < sizeof buffer)
            break;
    }
    if (std::ferror(file.get()))
        throw cannotRead(errno != 0 ? errno : EIO);
    return text;
}

std::string readScript(const std::string& path)
{
    std::string text = sqltext::scriptTextToUtf8(readInput(path));
    sqltext::checkNoNul(text);
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
