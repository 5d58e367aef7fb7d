#pragma once
// The AT command engine: one serial port, one reader thread, commands serialised so that
// exactly one is on the wire at a time and every caller gets its own answer, unsolicited
// result codes dispatched to listeners on the engine's own event thread.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/at/AtResponse.h"

namespace dedevev::at {

using Millis = std::chrono::milliseconds;

struct Command {
    std::string text;  // the whole command, e.g. "AT+CSQ"; the engine appends CR
    // Lines starting with one of these prefixes belong to this command's answer even when
    // a listener is registered for the same prefix (e.g. "+CPIN:" during AT+CPIN?).
    // Empty: every line that is not a known unsolicited code belongs to the answer.
    std::vector<std::string> prefixes;
    Millis timeout{5000};
    // Text sent after the "> " prompt, followed by Ctrl-Z (SMS PDUs); empty = no prompt.
    std::string data;
};

// Lines that arrive outside any command's answer. Called on the engine's event thread,
// never on a caller's, in arrival order.
using UnsolicitedHandler = std::function<void(const std::string& line)>;

class AtChannel {
public:
    AtChannel();
    ~AtChannel();  // closes the port, stops the threads
    AtChannel(const AtChannel&) = delete;
    AtChannel& operator=(const AtChannel&) = delete;

    // Opens the device (termios raw, `baud`). On failure `error` says why; a port held by
    // another program names that program and its process id.
    bool Open(const std::string& path, int baud, std::string* error);
    // Uses an already-open file descriptor (a pty in tests); the channel owns it.
    bool Adopt(int fd, std::string* error);
    void Close();
    bool IsOpen() const;
    // False once the port failed (read error, hang-up): every later call fails at once.
    bool IsAlive() const;

    // Sends one command and waits for its final result (or its time-out). Thread-safe.
    Response Send(const Command& command);
    Response Send(const std::string& text, Millis timeout = Millis(5000));

    // Registers a listener for unsolicited lines starting with `prefix` (e.g. "+CMTI:",
    // "RING"); returns an id for RemoveListener. An empty prefix receives every line.
    int AddListener(const std::string& prefix, UnsolicitedHandler handler);
    void RemoveListener(int id);
    // Called once (on the event thread) when the port fails or is closed by the far end.
    void SetDisconnectHandler(std::function<void()> handler);

    // Writes every line sent and received, with time stamps, to `path` (empty = off).
    void SetLogFile(const std::string& path);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The text of a final result for logs and messages ("OK", "+CME ERROR: 10", "timeout").
std::string Describe(const Response& response);

}  // namespace dedevev::at
