#include "device/audio/VoicePort.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "device/at/transport/SerialPort.h"

namespace dedevev::audio {

VoicePort::VoicePort(IClock& clock, Sink* sink) : clock_(clock), sink_(sink) {}

VoicePort::~VoicePort() {
    Close();
}

bool VoicePort::Open(const std::string& path, int baud, std::string* error) {
    Close();
    const std::string prefix = "voice port " + path + ": ";
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = prefix + std::strerror(errno);
        return false;
    }
    std::string reason;
    if (!at::ConfigureRaw(fd, baud, &reason)) {
        ::close(fd);
        *error = prefix + reason;
        return false;
    }
    ::tcflush(fd, TCIFLUSH);  // nothing stale from before the call
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = prefix + std::strerror(errno);
        ::close(fd);
        return false;
    }
    path_ = path;
    fd_ = fd;
    stop_ = false;
    gone_ = false;
    resync_ = false;
    in_fill_ = 0;
    pending_at_ = kBlockBytes;
    out_.Clear();
    thread_ = std::thread([this] { Run(); });
    open_ = true;
    return true;
}

void VoicePort::Close() {
    if (fd_ < 0)
        return;
    {
        const std::lock_guard lock(wake_mutex_);
        open_ = false;
        stop_ = true;
        Wake();
    }
    if (thread_.joinable())
        thread_.join();
    at::CloseSerialPort(fd_);
    fd_ = -1;
    for (int& end : wake_) {
        ::close(end);
        end = -1;
    }
    out_.Clear();
}

void VoicePort::Write(const Block& block) {
    const std::lock_guard lock(wake_mutex_);
    if (!Alive())
        return;
    out_.Push(block);
    Wake();
}

void VoicePort::Resync() {
    const std::lock_guard lock(wake_mutex_);
    out_.Clear();
    if (!open_)
        return;
    resync_ = true;
    Wake();
}

void VoicePort::Wake() {
    const char byte = 1;
    // A full pipe already wakes the thread.
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
}

void VoicePort::Run() {
    while (!stop_) {
        if (resync_.exchange(false)) {
            in_fill_ = 0;
            pending_at_ = kBlockBytes;
        }
        if (pending_at_ == kBlockBytes && out_.TryPop(&pending_))
            pending_at_ = 0;
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (pending_at_ < kBlockBytes)
            fds[0].events |= POLLOUT;
        const int ready = clock_.Poll(fds, 2, IClock::kNever);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            Gone(std::strerror(errno));
            return;
        }
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        if (stop_)
            return;
        const short got = fds[0].revents;
        if ((got & POLLIN) && !ReadSome())
            return;
        if ((got & POLLOUT) && !WriteSome())
            return;
        // A hang-up without data to read (or an error) is the card leaving; without this the
        // poll would report it again at once, forever.
        if ((got & (POLLHUP | POLLERR | POLLNVAL)) && !(got & POLLIN)) {
            Gone(got & POLLNVAL ? "the port was closed" : "the card hung up");
            return;
        }
    }
}

bool VoicePort::ReadSome() {
    std::uint8_t buffer[4 * kBlockBytes];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n == 0) {
        Gone("the card hung up");
        return false;
    }
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return true;
        Gone(std::strerror(errno));
        return false;
    }
    for (ssize_t at = 0; at < n;) {
        const std::size_t take =
            std::min<std::size_t>(kBlockBytes - in_fill_, static_cast<std::size_t>(n - at));
        std::memcpy(in_.data() + in_fill_, buffer + at, take);
        in_fill_ += take;
        at += static_cast<ssize_t>(take);
        if (in_fill_ == kBlockBytes) {
            in_fill_ = 0;
            sink_->OnPortBlock(in_);
        }
    }
    return true;
}

bool VoicePort::WriteSome() {
    while (pending_at_ < kBlockBytes) {
        const ssize_t n = ::write(fd_, pending_.data() + pending_at_, kBlockBytes - pending_at_);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return true;
            Gone(std::strerror(errno));
            return false;
        }
        pending_at_ += static_cast<std::size_t>(n);
        if (pending_at_ == kBlockBytes && out_.TryPop(&pending_))
            pending_at_ = 0;
    }
    return true;
}

void VoicePort::Gone(const std::string& reason) {
    gone_ = true;
    out_.Clear();
    sink_->OnPortGone("voice port " + path_ + ": " + reason);
}

}  // namespace dedevev::audio
