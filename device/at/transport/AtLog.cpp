#include "device/at/transport/AtLog.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace dedevev::at {

namespace {

bool HasSecrets(std::string_view text) {
    std::string upper;
    for (std::size_t i = 0; i < text.size() && i < 12; ++i)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    for (const char* command : {"AT+CPIN=", "AT+CPWD=", "AT+CLCK=", "AT^CPIN="}) {
        if (upper.compare(0, std::strlen(command), command) == 0)
            return true;
    }
    return false;
}

}  // namespace

std::string LogSafeText(std::string_view text) {
    const bool secrets = HasSecrets(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (secrets && c == '"') {
            // A quoted run of digits is a PIN or PUK; facility names ("SC") stay readable.
            std::size_t end = i + 1;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
                ++end;
            if (end > i + 1 && end < text.size() && text[end] == '"') {
                out += "\"****\"";
                i = end;
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormatLogLine(IClock::LocalTime when, char direction, std::string_view text) {
    using namespace std::chrono;
    const local_days day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{when - day};
    char stamp[96];
    std::snprintf(
        stamp, sizeof(stamp), "%04d-%02u-%02u %02d:%02d:%02d.%03d ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
        static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    std::string line = stamp;
    line += direction;
    line += ' ';
    line += LogSafeText(text);
    line += '\n';
    return line;
}

AtLog::~AtLog() {
    Close();
}

bool AtLog::Open(const std::string& path, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (path.empty())
        return true;
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        if (error)
            *error = "cannot open the log " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void AtLog::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool AtLog::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fd_ >= 0;
}

void AtLog::Write(char direction, std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0)
        return;
    const std::string line = FormatLogLine(clock_.LocalNow(), direction, text);
    // One write per line: lines of concurrent writers never interleave (O_APPEND).
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;  // a full disk must not stop the modem
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace dedevev::at
