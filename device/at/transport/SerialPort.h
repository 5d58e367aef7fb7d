#pragma once
// Opening a serial port for AT commands: raw termios, no flow control, exclusive use.

#include <string>

namespace dedevev::at {

constexpr int kDefaultBaud = 115200;

struct SerialOptions {
    int baud = kDefaultBaud;  // 0 = kDefaultBaud
    // Refuse a port that another process (this one included) already holds, naming it.
    bool check_owner = true;
    // With check_owner: a process that holds the master of the pty it keeps open is the
    // port's far end (a simulated card keeping its slave open), not a competitor.
    bool ignore_pty_far_end = true;
    // TIOCEXCL: later opens by other programs fail with EBUSY (root is not kept out).
    bool exclusive = true;
};

// Opens `path` non-blocking, O_NOCTTY | O_CLOEXEC, raw at `options.baud`, 8N1, CLOCAL |
// CREAD, no hardware or software flow control, DTR and RTS raised where the device has them
// (a pty has not), stale input discarded. Returns the descriptor, or -1 with `error` saying
// why: "<program> (pid N) is using <port>" for a port held by another program, the port's
// group and the command that adds the person to it for a port they may not open (PortAccess.h).
int OpenSerialPort(const std::string& path, const SerialOptions& options, std::string* error);

// Puts an open terminal into raw mode at `baud` (0 = kDefaultBaud). False with `error` when
// `fd` is no terminal or the speed is not one of the standard rates.
bool ConfigureRaw(int fd, int baud, std::string* error);

// Discards pending output, lifts the exclusive use and closes; never waits for a stuck device
// to drain.
void CloseSerialPort(int fd);

}  // namespace dedevev::at
