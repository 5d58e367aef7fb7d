#pragma once
// A thread that wakes up when a card may have come or gone: inotify on the simulated-device
// folder, the kernel's uevents for USB ttys and USB devices (a NETLINK_KOBJECT_UEVENT
// socket), and a periodic look: every `poll_interval` when events cannot tell (no netlink,
// no folder yet, or the owner asks for it), else every 15 s at most as a safety net. On each
// wake-up it calls the check the owner gave, which compares what is there with what was there and
// reports a change. Stop() returns promptly.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace dedevev {
class IClock;
}

namespace dedevev::probe {

class DeviceWatch {
public:
    struct Options {
        std::string device_folder;  // the simulated-device folder (may not exist yet)
        bool use_netlink = true;
        std::chrono::milliseconds poll_interval{2000};
        // Pause after an event before the check, so that the burst of events of one
        // plug-in (one per port) ends in one check.
        std::chrono::milliseconds settle{200};
        IClock* clock =
            nullptr;  // measures the periodic look and the pause; null: the process clock
    };
    // Called on the watch thread. Returns true when the owner wants to be asked again after
    // `poll_interval` even without an event (e.g. a simulated card whose process may die
    // without removing its file).
    using Check = std::function<bool()>;

    DeviceWatch(Options options, Check check);
    ~DeviceWatch();  // stops and joins
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Starts the thread; false when it could not be started (no pipe, no thread).
    bool Start();
    // Ends the thread and waits for it; safe to call twice.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // Whether the uevent socket could be opened (known once the thread has started).
    bool NetlinkActive() const { return netlink_active_.load(); }
    // How many checks have run so far.
    std::uint64_t Checks() const { return checks_.load(); }

private:
    void Run();
    bool WaitForStop(std::chrono::milliseconds time);

    Options options_;
    IClock& clock_;
    Check check_;
    std::atomic<std::uint64_t> checks_{0};
    std::thread thread_;
    int stop_pipe_[2] = {-1, -1};
    std::atomic<bool> netlink_active_{false};
};

// True when one kernel uevent message (`ACTION@DEVPATH` followed by NUL-separated
// `KEY=VALUE` fields) tells of a USB tty or a USB device or interface coming, going, or
// changing its driver.
bool IsRelevantUevent(const char* message, std::size_t length);

}  // namespace dedevev::probe
