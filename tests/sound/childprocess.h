#pragma once
// Starting the helper programs the sound tests and benchmarks need (sound
// servers, recorders) in this process's environment.

#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

// The child's process id, or 0 when it cannot be started.
inline pid_t spawn(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return 0;
    return pid;
}

// Runs the program to its end: its exit status, -1 if it did not exit.
inline int run(const std::vector<std::string>& arguments)
{
    pid_t pid = spawn(arguments);
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
