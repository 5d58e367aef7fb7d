#include "core/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "core/Paths.h"
#include "device/base/Clock.h"

namespace dedevev {

std::string InstanceLock::DefaultFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        if (IsDirectory(runtime))
            return std::string(runtime) + "/";
    }
    const std::string folder = "/tmp/dedevev-" + std::to_string(::getuid());
    MakeDirectories(folder, 0700);
    return folder + "/";
}

InstanceLock::InstanceLock(std::string name, std::string folder) {
    if (folder.empty())
        folder = DefaultFolder();
    if (folder.back() != '/')
        folder += '/';
    path_ = folder + "dedevev-" + name + ".lock";
}

InstanceLock::~InstanceLock() {
    Release();
    if (fd_ >= 0)
        ::close(fd_);
}

std::string InstanceLock::Folder() const {
    return path_.substr(0, path_.rfind('/') + 1);
}

InstanceLock::Result InstanceLock::TryAcquire(int wait_ms) {
    if (owned_)
        return Result::kTaken;
    if (fd_ < 0) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            // Not another copy: the folder is missing, read-only, not a folder, ...
            error_ = errno;
            return Result::kUnusable;
        }
    }
    error_ = 0;
    IClock& clock = ProcessClock();
    const IClock::TimePoint deadline = clock.Deadline(std::chrono::milliseconds(wait_ms));
    while (true) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            owned_ = true;
            return Result::kTaken;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = errno;  // a file system without locks, ...
            return Result::kUnusable;
        }
        if (clock.Now() >= deadline)
            return Result::kHeldElsewhere;
        clock.SleepFor(std::chrono::milliseconds(2), nullptr);
    }
}

void InstanceLock::Release() {
    if (owned_ && fd_ >= 0)
        ::flock(fd_, LOCK_UN);
    owned_ = false;
}

}  // namespace dedevev
