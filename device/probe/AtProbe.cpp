#include "device/probe/AtProbe.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "device/base/Clock.h"

namespace dedevev::probe {

namespace {

using TimePoint = IClock::TimePoint;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& text, TimePoint deadline, IClock& clock) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        if (clock.Now() >= deadline) {
            return false;
        }
        pollfd p{fd, POLLOUT, 0};
        clock.Poll(&p, 1, deadline);
    }
    return true;
}

// Reads until a final result arrives or the deadline passes.
bool AwaitReply(int fd, TimePoint deadline, IClock& clock) {
    std::string reply;
    while (true) {
        if (clock.Now() >= deadline) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = clock.Poll(&p, 1, deadline);
        if (ready == 0) {
            continue;  // the loop looks at the deadline
        }
        if (ready < 0 || (p.revents & (POLLERR | POLLNVAL)) != 0) {
            return false;
        }
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            reply.append(buffer, static_cast<std::size_t>(n));
            if (IsAtReply(reply)) {
                return true;
            }
            if (reply.size() > 4096) {
                return false;  // a chatty port that is not answering us
            }
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            return false;  // hung up
        }
    }
}

}  // namespace

bool IsAtReply(const std::string& reply) {
    std::istringstream in(reply);
    std::string line;
    while (std::getline(in, line, '\n')) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        const auto first = line.find_first_not_of("\r ");
        line = first == std::string::npos ? std::string() : line.substr(first);
        if (line == "OK" || line == "ERROR" || line.rfind("+CME ERROR", 0) == 0) {
            // Only a complete line counts: the terminator must have arrived.
            return reply.find(line + "\r") != std::string::npos ||
                   reply.find(line + "\n") != std::string::npos;
        }
    }
    return false;
}

bool AnswersAt(const std::string& path, std::chrono::milliseconds timeout, IClock* clock_or_null) {
    IClock& clock = clock_or_null != nullptr ? *clock_or_null : ProcessClock();
    Fd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd.get(), &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        // Closing must not drop DTR: on some sticks that resets the radio.
        tio.c_cflag &= static_cast<tcflag_t>(~HUPCL);
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        ::tcsetattr(fd.get(), TCSANOW, &tio);
    }
    ::tcflush(fd.get(), TCIFLUSH);
    // The first "AT" may only wake the port up or end a half-typed line; ask twice.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const TimePoint deadline = clock.Deadline(timeout);
        if (!WriteAll(fd.get(), "AT\r", deadline, clock)) {
            return false;
        }
        if (AwaitReply(fd.get(), deadline, clock)) {
            return true;
        }
    }
    return false;
}

}  // namespace dedevev::probe
