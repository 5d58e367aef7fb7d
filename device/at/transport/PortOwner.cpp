#include "device/at/transport/PortOwner.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace dedevev::at {

namespace {

bool AllDigits(const char* text) {
    if (*text == '\0')
        return false;
    for (; *text; ++text) {
        if (!std::isdigit(static_cast<unsigned char>(*text)))
            return false;
    }
    return true;
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadLink(const std::string& path) {
    char buffer[4096];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof(buffer) - 1);
    if (length <= 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

bool SameFile(const struct stat& a, const struct stat& b) {
    if (S_ISCHR(a.st_mode) || S_ISBLK(a.st_mode))
        return (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT) && a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool HoldsFile(const std::string& fd_dir, const std::string& canonical, const struct stat& target) {
    DIR* dir = ::opendir(fd_dir.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (!AllDigits(entry->d_name))
            continue;
        const std::string link_path = fd_dir + "/" + entry->d_name;
        const std::string link = ReadLink(link_path);
        // Sockets, pipes and anonymous inodes ("socket:[123]") are never a port.
        if (link.empty() || link[0] != '/')
            continue;
        if (link == canonical) {
            found = true;
            break;
        }
        if (link.compare(0, 5, "/dev/") != 0)
            continue;
        struct stat held;
        if (::stat(link_path.c_str(), &held) == 0 && SameFile(held, target)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The index of a pty slave (/dev/pts/<n>), or -1 for any other file.
long PtyIndex(const struct stat& target) {
    if (!S_ISCHR(target.st_mode))
        return -1;
    const unsigned int major_number = major(target.st_rdev);
    if (major_number < 136 || major_number > 143)  // the Unix98 pty slave majors
        return -1;
    return static_cast<long>((major_number - 136) * 256 + minor(target.st_rdev));
}

// Whether the process holds the master of pty `index` (/proc/<pid>/fdinfo says "tty-index").
bool HoldsPtyMaster(const std::string& pid_dir, long index) {
    DIR* dir = ::opendir((pid_dir + "/fd").c_str());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (!AllDigits(entry->d_name))
            continue;
        const std::string link = ReadLink(pid_dir + "/fd/" + entry->d_name);
        if (link.size() < 4 || link.compare(link.size() - 4, 4, "ptmx") != 0)
            continue;
        const std::string info = ReadSmallFile(pid_dir + "/fdinfo/" + entry->d_name);
        const std::size_t at = info.find("tty-index:");
        if (at != std::string::npos && std::atol(info.c_str() + at + 10) == index) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::string ProcessName(int pid) {
    const std::string base = "/proc/" + std::to_string(pid);
    std::string comm = ReadSmallFile(base + "/comm");
    while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0'))
        comm.pop_back();
    const std::string cmdline = ReadSmallFile(base + "/cmdline");
    const std::string argv0 = BaseName(cmdline.substr(0, cmdline.find('\0')));
    const std::string exe = BaseName(ReadLink(base + "/exe"));
    if (comm.empty())
        return argv0.empty() ? exe : argv0;
    // The kernel keeps 15 characters of the name; prefer a full form that it is a cut of.
    for (const std::string& full : {argv0, exe}) {
        if (full.size() > comm.size() && full.compare(0, comm.size(), comm) == 0)
            return full;
    }
    return comm;
}

std::vector<PortHolder> FindPortHolders(const std::string& path, const std::string& only_named) {
    std::vector<PortHolder> holders;
    struct stat target;
    if (::stat(path.c_str(), &target) != 0)
        return holders;
    char* resolved = ::realpath(path.c_str(), nullptr);
    const std::string canonical = resolved ? resolved : path;
    ::free(resolved);

    const long pty_index = PtyIndex(target);
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return holders;
    while (const dirent* entry = ::readdir(proc)) {
        if (!AllDigits(entry->d_name))
            continue;
        const std::string pid_dir = std::string("/proc/") + entry->d_name;
        PortHolder holder;
        holder.pid = std::atoi(entry->d_name);
        auto read_names = [&] {
            holder.name = ProcessName(holder.pid);
            holder.comm = ReadSmallFile(pid_dir + "/comm");
            while (!holder.comm.empty() && holder.comm.back() == '\n')
                holder.comm.pop_back();
        };
        if (!only_named.empty()) {
            // The kernel's name is the first 15 characters of the full one: a process whose
            // comm is no prefix of the wanted name cannot be it.
            std::string comm = ReadSmallFile(pid_dir + "/comm");
            while (!comm.empty() && comm.back() == '\n')
                comm.pop_back();
            if (!comm.empty() && only_named.compare(0, comm.size(), comm) != 0)
                continue;
            read_names();
            if (holder.name != only_named && holder.comm != only_named)
                continue;
        }
        if (!HoldsFile(pid_dir + "/fd", canonical, target))
            continue;
        if (only_named.empty())
            read_names();
        if (holder.name.empty())
            continue;  // gone meanwhile
        holder.pty_far_end = pty_index >= 0 && HoldsPtyMaster(pid_dir, pty_index);
        holders.push_back(std::move(holder));
    }
    ::closedir(proc);
    std::sort(holders.begin(), holders.end(),
              [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
    return holders;
}

std::string DescribePortHolder(const PortHolder& holder, const std::string& path) {
    return holder.name + " (pid " + std::to_string(holder.pid) + ") is using " + path;
}

}  // namespace dedevev::at
