#include "device/ppp/LinkCounters.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace dedevev::ppp {

namespace {

std::optional<std::uint64_t> ReadCounter(const std::string& path) {
    std::ifstream file(path);
    if (!file)
        return std::nullopt;
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() ||
        (end != text.data() + text.size() && *end != '\n'))
        return std::nullopt;
    return value;
}

}  // namespace

bool IsInterfaceName(std::string_view name) {
    // The kernel's limit is 15 bytes; "." and ".." would leave the folder.
    if (name.empty() || name.size() > 15 || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!plain)
            return false;
    }
    return true;
}

std::optional<LinkCounters> ReadLinkCounters(const std::string& sysfs_root,
                                             const std::string& interface) {
    if (!IsInterfaceName(interface))
        return std::nullopt;
    const std::string folder = sysfs_root + "/class/net/" + interface + "/statistics/";
    const auto sent = ReadCounter(folder + "tx_bytes");
    const auto received = ReadCounter(folder + "rx_bytes");
    if (!sent || !received)
        return std::nullopt;
    return LinkCounters{*sent, *received};
}

std::string DefaultSysfsRoot() {
    if (const char* root = std::getenv("DEDEVEV_SYSFS_ROOT"); root != nullptr && *root == '/')
        return root;
    return "/sys";
}

}  // namespace dedevev::ppp
