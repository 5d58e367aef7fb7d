#pragma once
// Helpers of the simulated-card tests: an AT session driven line by line, a host on a real pty
// that talks to a running card, and programs run with their output captured.

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sim/AtSession.h"
#include "sim/CardModel.h"
#include "sim/CommandTable.h"

namespace dedevev::sim::test {

// "\r\n+CSQ: 20,99\r\n\r\nOK\r\n" -> "+CSQ: 20,99|OK": the non-empty lines joined by '|'.
inline std::string Compact(const std::string& text) {
    std::string out;
    std::string line;
    auto flush = [&] {
        if (!line.empty())
            out += (out.empty() ? "" : "|") + line;
        line.clear();
    };
    for (char c : text) {
        if (c == '\r' || c == '\n')
            flush();
        else
            line += c;
    }
    flush();
    return out;
}

// A condition for PtyHost::ReadUntil: `marker` arrived, and `line_ends` line ends after its
// start (1: the marker's own line is complete).
inline auto Arrived(const std::string& marker, int line_ends = 1) {
    return [marker, line_ends](const std::string& text) {
        std::size_t at = text.find(marker);
        for (int i = 0; i < line_ends && at != std::string::npos; ++i)
            at = text.find("\r\n", at + 1);
        return at != std::string::npos;
    };
}

// Runs `command` in the shell with its errors joined to its output. Returns the exit status
// (-1 when it could not start or did not exit normally); `out` gets everything it printed.
inline int RunCaptured(const std::string& command, std::string* out) {
    out->clear();
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        *out += buffer;
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A card and one AT session on it (the AT port's commands, or those given), echo off, errors
// numeric, as a host would set it up.
struct Bench {
    explicit Bench(CardKind kind = CardKind::kGsm, CommandTable commands = DefaultCommandTable())
        : card(kind), table(std::move(commands)), session(card, table, true) {
        session.Settings().echo = false;
        session.Settings().cmee = 1;
    }
    // Sends one command line; returns the compacted answer ("<none>" when it gave none).
    std::string Run(const std::string& line) {
        session.Receive(line + "\r");
        if (!session.Next(&last))
            return "<none>";
        return Compact(last.body);
    }
    // Lines of the later (unsolicited) part of the last answer.
    std::vector<std::string> LaterLines() const {
        std::vector<std::string> lines;
        for (const Later& later : last.later) {
            if (!later.line.empty())
                lines.push_back(later.line);
        }
        return lines;
    }

    CardModel card;
    CommandTable table;
    AtSession session;
    AtSession::Answer last;
};

// A host on a pty: raw, non-blocking reads with a deadline.
class PtyHost {
public:
    explicit PtyHost(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0) {
            termios tio{};
            ::tcgetattr(fd_, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~PtyHost() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    bool Write(const std::string& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Reads until `done(received)` holds, the port fails or `timeout_ms` passes. `failed` is
    // set when the port hung up or gave a read error.
    template <typename Done>
    std::string ReadUntil(Done done, int timeout_ms, bool* failed = nullptr) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!done(received_)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            char buffer[1024];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                received_.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                if (failed)
                    *failed = true;
                break;
            }
        }
        return received_;
    }

    // Everything received up to and including the next final result.
    std::string Command(const std::string& line, int timeout_ms = 5000) {
        received_.clear();
        Write(line + "\r");
        return ReadUntil(HasFinal, timeout_ms);
    }
    std::string Collect(int timeout_ms) {
        return ReadUntil([](const std::string&) { return false; }, timeout_ms);
    }
    void Clear() { received_.clear(); }

    static bool HasFinal(const std::string& text) {
        for (const char* final : {"\r\nOK\r\n", "\r\nERROR\r\n", "+CME ERROR:"}) {
            const std::size_t at = text.find(final);
            if (at != std::string::npos && text.find("\r\n", at + 2) != std::string::npos)
                return true;
        }
        return false;
    }

private:
    int fd_ = -1;
    std::string received_;
};

}  // namespace dedevev::sim::test
