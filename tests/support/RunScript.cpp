#include "support/RunScript.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

namespace varnett::testing {

Outcome runScript(const TempDir& dir, const std::vector<std::string>& args,
                  const std::string& input)
{
    std::string in = dir.file("stdin.txt"), out = dir.file("stdout.txt"),
                err = dir.file("stderr.txt");
    writeFile(in, input);
    std::vector<std::string> env = {"HOME=" + dir.path().string(),
                                    "XDG_CONFIG_HOME=" + dir.file("config"), "LANG=C.UTF-8"};
    std::vector<std::string> all = {VARNETT_SCRIPT_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    Outcome run;
    if (spawned != 0)
        return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(out);
    run.err = readFile(err);
    return run;
}

} // namespace varnett::testing
