#pragma once
// Starting the helper programs the sound tests and benchmarks need (sound
// servers, recorders) in this process's environment.

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// The child's process id, or 0 when it cannot be started. Its output goes
// to /dev/null when asked: what a server's tool prints (a module's index)
// must not land among a benchmark's figures.
inline pid_t spawn(const std::vector<std::string>& arguments, bool quiet = false)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? 0 : pid;
}

// Runs the program to its end, its output unseen: its exit status, -1 if it
// did not exit.
inline int run(const std::vector<std::string>& arguments)
{
    pid_t pid = spawn(arguments, true);
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
