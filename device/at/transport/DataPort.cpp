#include "device/at/transport/DataPort.h"

#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "device/at/transport/SerialPort.h"
#include "device/base/Clock.h"

namespace dedevev::at {

namespace {

constexpr Millis kWriteBound{1000};      // a port that takes no bytes for this long is stuck
constexpr std::size_t kMaxPending = 64;  // lines kept while a final result is awaited

}  // namespace

bool DataPort::Open(const std::string& path, std::string* error) {
    Close();
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        *error = "no data port " + path;
        return false;
    }
    SerialOptions options;
    options.check_owner = true;
    options.exclusive = true;
    fd_ = OpenSerialPort(path, options, error);
    lines_.Reset();
    pending_.clear();
    return fd_ >= 0;
}

bool DataPort::WaitReady(IClock& clock, short events, IClock::TimePoint deadline) {
    pollfd fd{fd_, events, 0};
    return clock.PollUntil(&fd, 1, deadline) > 0;
}

bool DataPort::Write(std::string_view bytes) {
    IClock& clock = ProcessClock();
    const IClock::TimePoint deadline = clock.Now() + kWriteBound;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        if (clock.Now() >= deadline || !WaitReady(clock, POLLOUT, deadline))
            return false;  // the port takes nothing
    }
    return true;
}

Final DataPort::AwaitFinal(Millis timeout) {
    IClock& clock = ProcessClock();
    const IClock::TimePoint deadline = clock.Now() + timeout;
    while (true) {
        char buffer[512];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            lines_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), &pending_);
            for (const LineAssembler::Item& item : pending_) {
                Final final = Final::kTimeout;
                if (item.kind == LineKind::kOther &&
                    ClassifyLine(item.text, &final, nullptr) == LineKind::kFinal) {
                    pending_.clear();
                    return final;
                }
            }
            if (pending_.size() > kMaxPending)
                pending_.clear();  // echo, noise or link bytes: none of them a result
            continue;
        }
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return Final::kIoError;  // hung up or gone
        if (n < 0 && errno == EINTR)
            continue;
        if (!WaitReady(clock, POLLIN, deadline))
            return clock.Now() >= deadline ? Final::kTimeout : Final::kIoError;
    }
}

Final DataPort::Command(const std::string& command, Millis timeout) {
    if (fd_ < 0)
        return Final::kNotOpen;
    pending_.clear();
    if (!Write(command + "\r"))
        return Final::kIoError;
    return AwaitFinal(timeout);
}

bool DataPort::Escape(Millis guard, Millis answer) {
    if (fd_ < 0)
        return false;
    IClock& clock = ProcessClock();
    clock.SleepFor(guard, nullptr);
    // What came meanwhile (link bytes, a late answer) is not the escape's answer.
    char buffer[512];
    while (::read(fd_, buffer, sizeof buffer) > 0) {
    }
    lines_.Reset();
    pending_.clear();
    if (!Write("+++"))
        return false;
    return AwaitFinal(guard + answer) == Final::kOk;
}

void DataPort::Close(Millis dtr_drop) {
    if (fd_ < 0)
        return;
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        tio.c_cflag |= HUPCL;
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    int dtr = TIOCM_DTR;
    if (dtr_drop.count() > 0 && ::ioctl(fd_, TIOCMBIC, &dtr) == 0)
        ProcessClock().SleepFor(dtr_drop, nullptr);
    CloseSerialPort(fd_);
    fd_ = -1;
}

bool IsSameDevice(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0)
        return false;
    if (S_ISCHR(first.st_mode) && S_ISCHR(second.st_mode))
        return first.st_rdev == second.st_rdev;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

DataPortRelease ReleaseOnDataPort(const std::string& path, const DataPortTimes& times) {
    DataPort port;
    std::string error;
    if (!port.Open(path, &error))
        return DataPortRelease::kUnusable;
    const Final first = port.Command("AT", times.probe);
    if (first == Final::kIoError)
        return DataPortRelease::kUnusable;
    if (first != Final::kTimeout) {
        port.Close();  // any answer: the interpreter has the port
        return DataPortRelease::kReleased;
    }
    // Silence: the port may carry a connection.
    if (port.Escape(times.guard, times.probe)) {
        const Final hang_up = port.Command("ATH", times.command);
        if ((hang_up == Final::kOk || hang_up == Final::kNoCarrier) &&
            port.Command("AT", times.probe) == Final::kOk) {
            port.Close();
            return DataPortRelease::kReleased;
        }
    }
    port.Close(times.dtr_drop);
    return DataPortRelease::kUnusable;
}

}  // namespace dedevev::at
