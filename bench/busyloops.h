#pragma once
// Processes that keep every core busy while a benchmark listens, stopped
// by their ids.

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class TBusyLoops {
public:
    explicit TBusyLoops(int count)
    {
        for (int loop = 0; loop < count; ++loop) {
            pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (pid > 0)
                m_pids.push_back(pid);
        }
    }
    ~TBusyLoops()
    {
        for (pid_t pid : m_pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

private:
    std::vector<pid_t> m_pids;
};
