#include "device/at/transport/PortAccess.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace dedevev::at {

namespace {

// The _r look-ups: ports are opened on several threads at once.
std::string UserName(uid_t uid) {
    passwd entry;
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    group entry;
    group* found = nullptr;
    std::vector<char> buffer(65536);  // room for a long member list
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->gr_name;
    return std::to_string(gid);
}

// The groups this process runs with (a group added since the login is not among them).
bool ProcessIsInGroup(gid_t gid) {
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == gid)
            return true;
    }
    return false;
}

}  // namespace

std::string PortDenial::AddToGroupCommand() const {
    return "sudo usermod -aG " + group + " " + user;
}

std::string PortDenial::ModeText() const {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777u);
    return text;
}

std::optional<PortDenial> DescribePortDenial(const std::string& path, int error_code) {
    if (error_code != EACCES && error_code != EPERM)
        return std::nullopt;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    PortDenial denial;
    denial.path = path;
    denial.error_code = error_code;
    denial.owner = UserName(info.st_uid);
    denial.group = GroupName(info.st_gid);
    denial.mode = info.st_mode & 07777u;
    denial.user = UserName(::getuid());
    const bool group_reads_and_writes = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    denial.group_would_help =
        group_reads_and_writes && info.st_gid != 0 && !ProcessIsInGroup(info.st_gid);
    return denial;
}

std::optional<PortDenial> FindPortDenial(const std::string& path) {
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0)
        return std::nullopt;
    return DescribePortDenial(path, errno);
}

std::string DescribeDenial(const PortDenial& denial) {
    const std::string head = "cannot open " + denial.path + ": permission denied. ";
    if (denial.group_would_help) {
        return head + "The port belongs to the group " + denial.group + " and " + denial.user +
               " is not in it. Add " + denial.user + " to it with \"" + denial.AddToGroupCommand() +
               "\", then log out and in again: the group counts only after a new login.";
    }
    return head + "The port (owner " + denial.owner + ", group " + denial.group + ", mode " +
           denial.ModeText() + ") does not let " + denial.user + " read and write it.";
}

}  // namespace dedevev::at
