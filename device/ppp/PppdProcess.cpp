#include "device/ppp/PppdProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace dedevev::ppp {

pid_t SpawnInOwnGroup(const std::string& program, const std::vector<std::string>& args, int log_fd,
                      int* error) {
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, log_fd, 1);
    posix_spawn_file_actions_adddup2(&actions, log_fd, 2);

    // A group of its own: pppd signals its whole group when it ends its connect script, and
    // a hang-up that cannot wait any longer kills that group.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int sig : {SIGPIPE, SIGTERM, SIGHUP, SIGINT, SIGCHLD, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int result =
        ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        *error = result;
        return -1;
    }
    return pid;
}

bool HasEnded(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno != EINTR;
    return info.si_pid == pid;
}

int WatchEnd(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    (void)pid;
    return -1;
}

int Reap(pid_t pid) {
    int status = 0;
    for (;;) {
        const pid_t reaped = ::waitpid(pid, &status, 0);
        if (reaped == pid)
            return status;
        if (reaped < 0 && errno != EINTR)
            return SIGKILL;  // as waitpid reports a child killed by SIGKILL
    }
}

bool IsGone(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool IsPseudoTerminal(const std::string& path, bool* exists) {
    struct stat st {};
    *exists = ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
    // Unix 98 pseudo-terminal slaves have the majors 136 to 143.
    return *exists && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

}  // namespace dedevev::ppp
