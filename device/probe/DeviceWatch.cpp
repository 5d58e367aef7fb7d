#include "device/probe/DeviceWatch.h"

#include <fcntl.h>
#include <linux/netlink.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "device/base/Clock.h"
#include "device/probe/UsbScan.h"

namespace dedevev::probe {

namespace {

constexpr std::chrono::milliseconds kSafetyInterval{15000};

constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM |
                                        IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;

void CloseFd(int* fd) {
    if (*fd >= 0) {
        ::close(*fd);
        *fd = -1;
    }
}

int OpenUeventSocket() {
    const int fd =
        ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) {
        return -1;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_pid = 0;     // let the kernel pick the port id
    address.nl_groups = 1;  // the kernel's own messages (udev re-broadcasts on group 2)
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads every queued uevent; true when one of them matters (or some were lost).
bool DrainUevents(int fd) {
    bool relevant = false;
    std::vector<char> buffer(8192);
    while (true) {
        sockaddr_nl sender{};
        iovec iov{buffer.data(), buffer.size()};
        msghdr msg{};
        msg.msg_name = &sender;
        msg.msg_namelen = sizeof sender;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        const ssize_t n = ::recvmsg(fd, &msg, 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            // ENOBUFS: the queue overflowed and events were lost; look anyway.
            return relevant || errno == ENOBUFS;
        }
        // Only the kernel (port id 0) speaks on group 1; ignore anything else.
        if (sender.nl_pid != 0 || (msg.msg_flags & MSG_TRUNC) != 0) {
            continue;
        }
        relevant = relevant || IsRelevantUevent(buffer.data(), static_cast<std::size_t>(n));
    }
}

// Reads every queued inotify event; true when the folder watch is gone.
bool DrainInotify(int fd) {
    bool lost = false;
    alignas(inotify_event) char buffer[4096];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return lost;
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event{};
            std::memcpy(&event, buffer + at, sizeof event);
            if ((event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
                lost = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
}

}  // namespace

bool IsRelevantUevent(const char* message, std::size_t length) {
    std::string_view action;
    std::string_view subsystem;
    std::string_view devname;
    std::string_view devtype;
    std::size_t pos = 0;
    // The header "ACTION@DEVPATH" is followed by the same facts as fields.
    while (pos < length) {
        const std::size_t end = std::string_view(message + pos, length - pos).find('\0');
        const std::string_view field(message + pos,
                                     end == std::string_view::npos ? length - pos : end);
        auto value = [&](std::string_view key) -> std::string_view {
            return field.substr(0, key.size()) == key ? field.substr(key.size())
                                                      : std::string_view();
        };
        if (field.substr(0, 7) == "ACTION=") {
            action = value("ACTION=");
        } else if (field.substr(0, 10) == "SUBSYSTEM=") {
            subsystem = value("SUBSYSTEM=");
        } else if (field.substr(0, 8) == "DEVNAME=") {
            devname = value("DEVNAME=");
        } else if (field.substr(0, 8) == "DEVTYPE=") {
            devtype = value("DEVTYPE=");
        }
        if (end == std::string_view::npos) {
            break;
        }
        pos += end + 1;
    }
    if (action != "add" && action != "remove" && action != "bind" && action != "unbind") {
        return false;
    }
    if (subsystem == "tty") {
        const std::size_t slash = devname.rfind('/');
        const std::string_view name =
            slash == std::string_view::npos ? devname : devname.substr(slash + 1);
        return IsUsbTtyName(std::string(name));
    }
    if (subsystem == "usb") {
        return devtype == "usb_device" || devtype == "usb_interface";
    }
    return false;
}

DeviceWatch::DeviceWatch(Options options, Check check)
    : options_(std::move(options)),
      clock_(options_.clock != nullptr ? *options_.clock : ProcessClock()),
      check_(std::move(check)) {}

DeviceWatch::~DeviceWatch() {
    Stop();
}

bool DeviceWatch::Start() {
    if (thread_.joinable()) {
        return true;
    }
    if (::pipe2(stop_pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (...) {
        CloseFd(&stop_pipe_[0]);
        CloseFd(&stop_pipe_[1]);
        return false;
    }
    return true;
}

void DeviceWatch::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    const char byte = 1;
    while (::write(stop_pipe_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    CloseFd(&stop_pipe_[0]);
    CloseFd(&stop_pipe_[1]);
}

bool DeviceWatch::WaitForStop(std::chrono::milliseconds time) {
    pollfd p{stop_pipe_[0], POLLIN, 0};
    return clock_.PollUntil(&p, 1, clock_.Deadline(time)) > 0;
}

void DeviceWatch::Run() {
    int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    int folder_watch = -1;
    int uevents = options_.use_netlink ? OpenUeventSocket() : -1;
    netlink_active_ = uevents >= 0;
    bool poll_wanted = false;
    IClock::TimePoint last_look = clock_.Now();

    while (true) {
        bool look = false;
        if (inotify >= 0 && folder_watch < 0 && !options_.device_folder.empty()) {
            folder_watch = ::inotify_add_watch(inotify, options_.device_folder.c_str(),
                                               kFolderEvents | IN_ONLYDIR);
            // A folder that appeared since the last round may already hold a card.
            look = folder_watch >= 0;
        }
        if (!look) {
            const bool events_suffice = uevents >= 0 && folder_watch >= 0 && !poll_wanted;
            pollfd fds[3] = {
                {stop_pipe_[0], POLLIN, 0}, {inotify, POLLIN, 0}, {uevents, POLLIN, 0}};
            // Even when events suffice, look now and then: in some containers the uevent
            // socket opens but the kernel's messages never reach it.
            const auto interval = events_suffice ? std::max(options_.poll_interval, kSafetyInterval)
                                                 : options_.poll_interval;
            const IClock::TimePoint due = last_look + interval;
            const int ready = clock_.Poll(fds, 3, due);
            if (ready < 0) {
                break;
            }
            if ((fds[0].revents & POLLIN) != 0) {
                break;
            }
            if (ready == 0 && clock_.Now() >= due) {
                look = true;  // the periodic look
            }
            if ((fds[1].revents & POLLIN) != 0) {
                if (DrainInotify(inotify) && folder_watch >= 0) {
                    ::inotify_rm_watch(inotify, folder_watch);
                    folder_watch = -1;
                }
                look = true;
            }
            if ((fds[2].revents & POLLIN) != 0 && DrainUevents(uevents)) {
                look = true;
            }
            if ((fds[2].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                CloseFd(&uevents);
                netlink_active_ = false;
            }
        }
        if (!look) {
            continue;
        }
        if (options_.settle.count() > 0 && WaitForStop(options_.settle)) {
            break;
        }
        // Events that came during the pause belong to the same change.
        if (inotify >= 0 && DrainInotify(inotify) && folder_watch >= 0) {
            ::inotify_rm_watch(inotify, folder_watch);
            folder_watch = -1;
        }
        if (uevents >= 0) {
            DrainUevents(uevents);
        }
        poll_wanted = check_ ? check_() : false;
        last_look = clock_.Now();
        ++checks_;
    }
    CloseFd(&uevents);
    CloseFd(&inotify);
}

}  // namespace dedevev::probe
