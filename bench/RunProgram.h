#pragma once

// What the benchmarks share: running a program and measuring it, finding
// varnett-script beside the benchmark, sizes in MiB.

#include "sqltext/Error.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace varnett::bench {

struct RunResult {
    double seconds = 0;
    long maxRssKiB = 0;
    bool failed = false;
};

struct RunOptions {
    std::string outFile{};              // stdout goes here; /dev/null when empty
    std::string inFile{};               // stdin comes from here; left alone when empty
    std::vector<std::string> extraEnv{};  // "NAME=value", added to the environment
    bool mayFail = false;               // else a status other than 0 throws
};

// Runs a program to its end: its wall time and peak memory.
inline RunResult run(const std::vector<std::string>& args, const RunOptions& options = {})
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        env.push_back(*e);
    for (const std::string& e : options.extraEnv)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO,
                                     options.outFile.empty() ? "/dev/null" : options.outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!options.inFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, options.inFile.c_str(), O_RDONLY,
                                         0);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw Error("Cannot start " + args[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0)
        throw Error("Cannot wait for " + args[0]);
    auto end = std::chrono::steady_clock::now();
    const bool failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    if (failed && !options.mayFail)
        throw Error(args[0] + " " + (args.size() > 1 ? args[1] : std::string()) + " ... failed");
    return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss, failed};
}

// varnett-script beside the benchmark (or in src/ below its folder), else
// as the PATH finds it.
inline std::string defaultScriptPath()
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    for (const fs::path& candidate : {folder / "varnett-script", folder / "src" / "varnett-script"})
        if (fs::exists(candidate, error))
            return candidate.string();
    return "varnett-script";
}

// A new folder under /tmp named from the prefix; empty, and said on standard
// error, when none can be made.
inline std::filesystem::path temporaryFolder(const std::string& prefix)
{
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::fputs("Cannot create a temporary folder\n", stderr);
        return {};
    }
    return pattern;
}

inline double mib(long kib) { return static_cast<double>(kib) / 1024.0; }

inline double fileMiB(const std::string& path)
{
    return static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}

} // namespace varnett::bench
