#pragma once
// A tool that dies while editing: a child process writes the configuration as its recovery file
// in folder, then kills itself with SIGKILL, as a crash or a kill -9 would end it.

#include "config/ConfigModel.h"
#include "config/RecoveryFile.h"

#include <QString>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace relvane::test {

// The child's process number (its file is named by it) when it wrote the file and died of
// SIGKILL; -1 otherwise.
inline pid_t RecoveryWrittenThenKilled(const QString& folder, const ConfigModel& edited)
{
    const pid_t child = fork();
    if (child == 0) {
        RecoveryFile mine(folder);
        if (!mine.Write(edited))
            _exit(3);
        raise(SIGKILL);
        _exit(4);
    }
    int status = 0;
    const bool killed = child > 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status) &&
                        WTERMSIG(status) == SIGKILL;
    return killed ? child : -1;
}

}  // namespace relvane::test
