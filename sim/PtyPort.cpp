#include "sim/PtyPort.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace dedevev::sim {

namespace {
constexpr std::size_t kMaxOutbox = 64 * 1024;
}

bool PtyPort::Open(std::string* error) {
    Close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        *error = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        *error = std::string("pty set-up: ") + std::strerror(errno);
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        *error = std::string("open ") + name + ": " + std::strerror(errno);
        ::close(master);
        return false;
    }
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    master_ = master;
    slave_ = slave;
    path_ = name;
    return true;
}

void PtyPort::Close() {
    // The watch goes first: the card closing its own descriptor is no host leaving.
    if (watch_fd_ >= 0)
        ::close(watch_fd_);
    watch_fd_ = -1;
    hosts_ = 0;
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = -1;
    slave_ = -1;
    path_.clear();
    outbox_.clear();
}

bool PtyPort::WatchHosts() {
    if (master_ < 0)
        return false;
    if (watch_fd_ < 0)
        watch_fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_fd_ < 0)
        return false;
    if (::inotify_add_watch(watch_fd_, path_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(watch_fd_);
        watch_fd_ = -1;
        return false;
    }
    hosts_ = 0;
    return true;
}

bool PtyPort::TakeHostEvents() {
    bool last_left = false;
    alignas(inotify_event) char buffer[4096];
    while (watch_fd_ >= 0) {
        const ssize_t n = ::read(watch_fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & IN_OPEN)
                ++hosts_;
            if ((event.mask & IN_CLOSE) && hosts_ > 0 && --hosts_ == 0)
                last_left = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
    return last_left;
}

bool PtyPort::Read(std::string* into) {
    if (master_ < 0)
        return false;
    char buffer[4096];
    bool any = false;
    while (true) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            into->append(buffer, static_cast<std::size_t>(n));
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return any;
    }
}

void PtyPort::Write(std::string_view bytes) {
    if (master_ < 0)
        return;
    outbox_.append(bytes.data(), bytes.size());
    if (outbox_.size() > kMaxOutbox)
        outbox_.erase(0, outbox_.size() - kMaxOutbox);
    Flush();
}

void PtyPort::Flush() {
    while (master_ >= 0 && !outbox_.empty()) {
        const ssize_t n = ::write(master_, outbox_.data(), outbox_.size());
        if (n > 0) {
            outbox_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;  // full (EAGAIN) or failed: try again on POLLOUT
    }
}

}  // namespace dedevev::sim
