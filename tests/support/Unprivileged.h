#pragma once
// Ports that the person running a test may not open: a plain file under a temporary folder
// standing in for a serial port, and a way to run code as a user its rights keep out.

#include <functional>
#include <optional>
#include <string>

namespace dedevev::test {

// The user "nobody" a root test drops to (uid and gid 65534).
inline constexpr unsigned kNobody = 65534;

// Makes `path` (a file of the test's own) a port that `RunUnprivileged` cannot open: as root,
// owned by root and `group` with `mode`, its folders searchable by anyone; otherwise mode 0000
// (`group` and `mode` cannot be had without root). Empty, or why the test cannot go on.
std::string LockPort(const std::string& path, const std::string& group, unsigned mode);

// Runs `work` where file rights bind. As root: in a child process dropped to nobody (no
// other groups), its result sent back through a pipe. Otherwise: right here. None, with
// `why_not` saying why, when the child failed or this process passes over file modes anyway.
std::optional<std::string> RunUnprivileged(const std::string& locked_path,
                                           const std::function<std::string()>& work,
                                           std::string* why_not);

// The name `RunUnprivileged` runs under.
std::string UnprivilegedUser();

}  // namespace dedevev::test
