// Runs a piece of a test in a child process that has a mount namespace of
// its own, with a small tmpfs mounted on a folder: a disk that fills up or
// a read-only file system, without touching the machine's mounts.
#pragma once

#include <functional>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

// The child's exit status (the body's result), or -1 when a private mount
// cannot be made here (no privilege).  `options` are tmpfs options such as
// "size=64k"; with `read_only` the tmpfs is remounted read-only after
// `prepare` has filled it.
inline int run_with_tmpfs(const std::string &where, const std::string &options, bool read_only,
                          const std::function<void()> &prepare, const std::function<int()> &body)
{
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) != 0)
            _exit(200);
        if (prepare)
            prepare();
        if (read_only &&
            mount(nullptr, where.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            _exit(201);
        _exit(body());
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return 255;
    int rc = WEXITSTATUS(status);
    return rc == 200 || rc == 201 ? -1 : rc;
}
