#pragma once
// Which processes hold a device open, found through the /proc/<pid>/fd links.

#include <string>
#include <vector>

namespace dedevev::at {

struct PortHolder {
    int pid = 0;
    // The program's name: the full name from its command line or executable when the
    // kernel's 15-character name is a cut of it, else the kernel's name.
    std::string name;
    std::string comm;  // the kernel's name (/proc/<pid>/comm)
    // For a pty slave: the process also holds that pty's master. It is the far end (a
    // simulated card that keeps its slave open), not a program competing for the port.
    bool pty_far_end = false;
};

// Every process (this one included) that has `path` open, by device number, so that
// /dev/serial/by-id links and the device node itself match each other. Sorted by pid.
// Processes of other users are visible only with the rights to read their fd folder.
// With `only_named` set, only processes whose name or comm is exactly that are looked at
// (their names are read first, so the fd folders of every other process are never walked).
std::vector<PortHolder> FindPortHolders(const std::string& path,
                                        const std::string& only_named = {});

// "<program> (pid N) is using <path>"
std::string DescribePortHolder(const PortHolder& holder, const std::string& path);

// The name of a running process as PortHolder::name gives it; empty when it is gone.
std::string ProcessName(int pid);

}  // namespace dedevev::at
