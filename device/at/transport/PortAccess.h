#pragma once
// Why a port may not be opened by the person running the program: its owner, group and
// permission bits against this process's user and groups, and what would let the person in.

#include <optional>
#include <string>

namespace dedevev::at {

struct PortDenial {
    std::string path;
    int error_code = 0;  // EACCES or EPERM
    std::string owner;   // the port's owner, by name (its number when the name is unknown)
    std::string group;   // the port's group, by name (its number when the name is unknown)
    unsigned mode = 0;   // the permission bits (0660 for a usual serial port)
    std::string user;    // the person running this program (the real user)
    // Joining `group` would let the person in: the group may read and write the port, it is
    // not root's group, and this process is not in it yet.
    bool group_would_help = false;

    // "sudo usermod -aG <group> <user>"
    std::string AddToGroupCommand() const;
    // The mode as four octal digits ("0660").
    std::string ModeText() const;
};

// The denial behind an open of `path` that failed with `error_code`; none when the code is
// no matter of rights (EACCES, EPERM) or the port cannot be looked at.
std::optional<PortDenial> DescribePortDenial(const std::string& path, int error_code);

// Asks, without opening it, whether this process may read and write `path`; the denial when
// it may not, none when it may or when the port is missing.
std::optional<PortDenial> FindPortDenial(const std::string& path);

// The denial in English words ("cannot open <path>: permission denied. ..."): the device, its
// group, that the person is not in it, the command that adds them and that a new login is needed
// (or, when the group would not help, the owner, group and mode that keep the person out).
std::string DescribeDenial(const PortDenial& denial);

}  // namespace dedevev::at
