#pragma once
// The byte counters of a network interface, from sysfs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dedevev::ppp {

struct LinkCounters {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

// Whether `name` can be an interface's name (and so a single folder name under sysfs).
bool IsInterfaceName(std::string_view name);

// <sysfs_root>/class/net/<interface>/statistics/{tx,rx}_bytes; none when the interface is
// not there or its counters cannot be read.
std::optional<LinkCounters> ReadLinkCounters(const std::string& sysfs_root,
                                             const std::string& interface);

// $DEDEVEV_SYSFS_ROOT when it is an absolute path, else /sys.
std::string DefaultSysfsRoot();

}  // namespace dedevev::ppp
