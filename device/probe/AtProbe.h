#pragma once
// Asks one tty whether it is a modem command port: opens it without blocking and without
// becoming its controlling terminal, sets it raw at 115200 baud, sends "AT\r" (twice at most)
// and waits a short time for "OK" or "ERROR". Only called for ttys of known modems.

#include <chrono>
#include <string>

namespace dedevev {
class IClock;
}

namespace dedevev::probe {

// True when `path` answered "AT" within `timeout` per attempt, measured on `clock` (null: the
// process clock).
bool AnswersAt(const std::string& path,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(400),
               IClock* clock = nullptr);

// True when `reply` (everything read after "AT\r") holds a final result of an AT command
// port: an "OK" or "ERROR" line. Echo and other lines before it are allowed.
bool IsAtReply(const std::string& reply);

}  // namespace dedevev::probe
