#pragma once
// Starting pppd and watching it end: the process calls of the pppd driver.

#include <sys/types.h>

#include <string>
#include <vector>

namespace dedevev::ppp {

// Starts `program` with `args` (after the program's name) in a process group of its own, with
// /dev/null as input and `log_fd` as output and error output, default signal handling and an
// empty signal mask. The child's pid, or -1 with `*error` set (ENOENT: no such program,
// EACCES: not allowed to run it).
pid_t SpawnInOwnGroup(const std::string& program, const std::vector<std::string>& args, int log_fd,
                      int* error);

// Whether the child `pid` has ended (or is not ours to wait for); it is left to be reaped.
bool HasEnded(pid_t pid);

// A descriptor that becomes readable when the child `pid` ends (a pidfd), or -1 where the
// kernel has none. The caller closes it.
int WatchEnd(pid_t pid);

// Reaps the child `pid`; its wait status, or the status of a SIGKILL when it cannot be had.
int Reap(pid_t pid);

// Whether the device node at `path` is gone.
bool IsGone(const std::string& path);

// Whether the character device at `path` is a pseudo-terminal; false also when it is not
// there. `*exists` tells whether it is a character device at all.
bool IsPseudoTerminal(const std::string& path, bool* exists);

}  // namespace dedevev::ppp
