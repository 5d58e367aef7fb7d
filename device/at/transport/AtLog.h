#pragma once
// The AT traffic log: one line per command sent and line received, with a time stamp.
//
//   2024-05-01 14:03:07.118 > AT+CSQ
//   2024-05-01 14:03:07.131 < +CSQ: 20,99
//   2024-05-01 14:03:07.131 < OK
//   2024-05-01 14:03:12.140 * time-out: AT+COPS=?
//
// PINs and PUKs in AT+CPIN=, AT+CPWD=, AT+CLCK= and AT^CPIN= are written as "****";
// control bytes as \xNN.

#include <mutex>
#include <string>
#include <string_view>

#include "device/base/Clock.h"

namespace dedevev::at {

class AtLog {
public:
    // Time stamps are the local time of `clock`.
    explicit AtLog(IClock& clock) : clock_(clock) {}
    ~AtLog();
    AtLog(const AtLog&) = delete;
    AtLog& operator=(const AtLog&) = delete;

    // Appends to `path` (created 0600: the traffic holds the IMSI and numbers); empty = off.
    bool Open(const std::string& path, std::string* error);
    void Close();
    bool IsOpen() const;

    void Sent(std::string_view text) { Write('>', text); }
    void Received(std::string_view line) { Write('<', line); }
    void Note(std::string_view text) { Write('*', text); }
    void Write(char direction, std::string_view text);

private:
    IClock& clock_;
    mutable std::mutex mutex_;
    int fd_ = -1;
};

// One log line (with its '\n') as Write puts it in the file.
std::string FormatLogLine(IClock::LocalTime when, char direction, std::string_view text);
// `text` with the secrets of PIN commands masked and control bytes escaped.
std::string LogSafeText(std::string_view text);

}  // namespace dedevev::at
