#pragma once
// Pseudo-terminals standing in for a simulated card's ports, announcement files, a recording
// "AT" asker and a probe made over a temporary folder.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "device/probe/HardwareProbe.h"
#include "support/TempDir.h"
#include "tests/device/probe/FakeSysfs.h"

namespace dedevev::test {

// A pty pair; Path() is the terminal side ("/dev/pts/7"), which exists while it lives.
class Pty {
public:
    Pty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            path_ = ::ptsname(master_);
        }
    }
    ~Pty() { Close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    const std::string& Path() const { return path_; }
    // Closing the master side makes the terminal path disappear.
    void Close() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    std::string path_;
};

inline void Announce(const std::string& file, const std::string& name, const std::string& at,
                     const std::string& data, const std::string& voice,
                     const std::string& control = "/tmp/no-such.sock") {
    std::ofstream(file) << "name=" << name << "\nat=" << at << "\ndata=" << data
                        << "\nvoice=" << voice << "\ncontrol=" << control << "\n";
}

// Records the ttys the probe asks "AT" and answers for those in `answering`.
class AtAsker {
public:
    explicit AtAsker(std::set<std::string> answering = {}) : answering_(std::move(answering)) {}
    std::function<bool(const std::string&)> Function() {
        return [this](const std::string& path) {
            std::lock_guard<std::mutex> lock(mutex_);
            const std::string tty = path.substr(path.rfind('/') + 1);
            asked_.push_back(tty);
            return answering_.count(tty) > 0;
        };
    }
    std::vector<std::string> Asked() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return asked_;
    }

private:
    std::set<std::string> answering_;
    mutable std::mutex mutex_;
    std::vector<std::string> asked_;
};

// A temporary world for one probe: fake sysfs and /dev, and a simulated-device folder.
struct ProbeWorld {
    TempDir temp;
    FakeSysfs sys{temp.Path()};
    std::string folder = temp.Path() + "devices";
    AtAsker asker;

    explicit ProbeWorld(std::set<std::string> answering = {}) : asker(std::move(answering)) {
        std::filesystem::create_directories(folder);
    }
    probe::ProbeOptions Options() {
        probe::ProbeOptions options;
        options.sysfs_root = sys.Root();
        options.dev_root = sys.Dev();
        options.device_folder = folder;
        options.answers_at = asker.Function();
        options.use_netlink = false;
        options.poll_interval = std::chrono::milliseconds(100);
        options.settle = std::chrono::milliseconds(10);
        options.reset_wait = std::chrono::milliseconds(500);
        return options;
    }
    std::string Dev(const std::string& tty) const { return sys.Dev() + "/" + tty; }
};

}  // namespace dedevev::test
