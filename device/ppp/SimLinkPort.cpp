#include "device/ppp/SimLinkPort.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "device/at/transport/PortOwner.h"
#include "device/at/transport/SerialPort.h"
#include "device/ppp/IPppClient.h"

namespace dedevev::ppp {

namespace {

constexpr IClock::Duration kWriteStall{2000};

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

int SimLinkPort::Open(const std::string& path, std::string* detail) {
    Close();
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        *detail = path.empty() ? "no data port" : path + ": no such device";
        return kDialErrorNoDevice;
    }
    // Another program on the port would take half of the link's bytes. The card's own end of
    // the pty does not count.
    for (const at::PortHolder& holder : at::FindPortHolders(path)) {
        if (!holder.pty_far_end) {
            *detail = at::DescribePortHolder(holder, path);
            return kDialErrorPortBusy;
        }
    }
    at::SerialOptions options;
    options.check_owner = false;  // done above, with the answer told apart
    errno = 0;
    fd_ = at::OpenSerialPort(path, options, detail);
    if (fd_ < 0)
        return errno == EBUSY ? kDialErrorPortBusy : kDialErrorNoDevice;
    return 0;
}

void SimLinkPort::Close() {
    at::CloseSerialPort(fd_);
    fd_ = -1;
    pending_.clear();
    in_text_ = false;
    text_.clear();
}

SimLinkPort::Wait SimLinkPort::WaitFor(short events, IClock::TimePoint deadline) {
    while (true) {
        if (stop_)
            return Wait::kStopped;
        pollfd fds[2] = {{fd_, events, 0}, {wake_fd_, POLLIN, 0}};
        const int ready = clock_.Poll(fds, wake_fd_ >= 0 ? 2 : 1, deadline);
        if (stop_)
            return Wait::kStopped;
        if (ready < 0 && errno != EINTR)
            return Wait::kFailed;
        if (ready > 0 && fds[0].revents != 0)
            return (fds[0].revents & events) ? Wait::kReady : Wait::kFailed;  // hung up
        if (ready > 0 && fds[1].revents != 0)
            return Wait::kStopped;
        if (deadline != IClock::kNever && clock_.Now() >= deadline)
            return Wait::kTimeout;
    }
}

bool SimLinkPort::ReadSome(std::string* into) {
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            into->append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EOF or EIO: the card closed its end (pulled). EAGAIN: nothing after all.
        return n < 0 && errno == EAGAIN;
    }
}

bool SimLinkPort::WriteRaw(std::string_view bytes, IClock::TimePoint deadline,
                           std::uint64_t* counted) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            if (counted != nullptr)
                *counted += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        if (WaitFor(POLLOUT, deadline) != Wait::kReady)
            return false;
    }
    return true;
}

at::Final SimLinkPort::Command(const std::string& command, IClock::Duration timeout,
                               std::string* final_line) {
    if (fd_ < 0)
        return at::Final::kNotOpen;
    pending_.clear();
    if (!WriteRaw(command + "\r", clock_.Deadline(kWriteStall), nullptr))
        return stop_ ? at::Final::kNotOpen : at::Final::kIoError;
    const IClock::TimePoint deadline = clock_.Deadline(timeout);
    std::string input;
    std::string line;
    while (true) {
        for (std::size_t i = 0; i < input.size(); ++i) {
            if (!IsLineEnd(input[i])) {
                line.push_back(input[i]);
                continue;
            }
            const std::string text = Trim(line);
            line.clear();
            at::Final final = at::Final::kNotOpen;
            if (text.empty() || text == command ||
                at::ClassifyLine(text, &final, nullptr) != at::LineKind::kFinal)
                continue;  // echo, noise, a report
            *final_line = text;
            std::size_t rest = i + 1;
            while (rest < input.size() && IsLineEnd(input[rest]))
                ++rest;
            if (final == at::Final::kConnect)
                pending_ = input.substr(rest);
            return final;
        }
        input.clear();
        switch (WaitFor(POLLIN, deadline)) {
            case Wait::kReady:
                if (!ReadSome(&input))
                    return at::Final::kIoError;
                break;
            case Wait::kTimeout:
                return at::Final::kTimeout;
            case Wait::kStopped:
                return at::Final::kNotOpen;
            case Wait::kFailed:
                return at::Final::kIoError;
        }
    }
}

bool SimLinkPort::SplitLink(std::string_view raw, std::string* bytes) {
    bool no_carrier = false;
    for (char c : raw) {
        if (!in_text_) {
            if (IsLineEnd(c)) {
                in_text_ = true;
                text_.clear();
                continue;
            }
            bytes->push_back(c);
            ++received_;
            continue;
        }
        if (IsLineEnd(c)) {
            const std::string line = Trim(text_);
            text_.clear();
            at::Final final = at::Final::kNotOpen;
            if (at::ClassifyLine(line, &final, nullptr) == at::LineKind::kFinal &&
                final == at::Final::kNoCarrier)
                no_carrier = true;
        } else if (text_.empty() && c == 0x7E) {
            in_text_ = false;  // a flag between lines: the link again
            bytes->push_back(c);
            ++received_;
        } else if (text_.size() < 256) {
            text_.push_back(c);
        }
    }
    return no_carrier;
}

SimLinkPort::Event SimLinkPort::Read(IClock::TimePoint deadline, std::string* bytes) {
    if (fd_ < 0)
        return Event::kClosed;
    if (!pending_.empty()) {
        const std::string ahead = std::move(pending_);
        pending_.clear();
        if (SplitLink(ahead, bytes))
            return Event::kNoCarrier;
        if (!bytes->empty())
            return Event::kBytes;
    }
    while (true) {
        switch (WaitFor(POLLIN, deadline)) {
            case Wait::kReady: {
                std::string raw;
                if (!ReadSome(&raw))
                    return Event::kClosed;
                if (SplitLink(raw, bytes))
                    return Event::kNoCarrier;
                if (!bytes->empty())
                    return Event::kBytes;
                break;
            }
            case Wait::kTimeout:
                return Event::kTimeout;
            case Wait::kStopped:
                return Event::kStopped;
            case Wait::kFailed:
                return Event::kClosed;
        }
    }
}

bool SimLinkPort::Write(std::string_view bytes) {
    return fd_ >= 0 && WriteRaw(bytes, clock_.Deadline(kWriteStall), &sent_);
}

}  // namespace dedevev::ppp
