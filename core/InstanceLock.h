#pragma once
// The single-instance lock: an flock on a file in the user's runtime folder. The kernel
// drops it when the process ends in any way, so a crashed copy never blocks the next one.

#include <string>

namespace dedevev {

class InstanceLock {
public:
    // `name` becomes the lock file's name; `folder` defaults to $XDG_RUNTIME_DIR, or
    // /tmp/dedevev-<uid>/ without it.
    explicit InstanceLock(std::string name, std::string folder = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result {
        kTaken,
        kHeldElsewhere,  // another process holds it
        kUnusable,       // the lock file cannot be created, opened or locked: see Error()
    };
    // Tries to take the lock for at most `wait_ms` milliseconds.
    Result TryAcquire(int wait_ms);
    void Release();
    bool Owned() const { return owned_; }
    const std::string& Path() const { return path_; }
    // The folder the lock file is in, with a trailing "/".
    std::string Folder() const;
    // The system's error (errno) behind the last kUnusable; 0 when none.
    int Error() const { return error_; }

    static std::string DefaultFolder();

private:
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
    bool owned_ = false;
};

// The name of the application's own lock.
inline constexpr char kInstanceLockName[] = "{C624B24F-275E-4e2c-9661-5511CFDF02EA}";

}  // namespace dedevev
