#pragma once
// The AT command engine: one serial port, one reader thread, commands serialised so that
// exactly one is on the wire at a time and every caller gets its own answer, unsolicited
// result codes dispatched to listeners on the engine's own event thread. While a command is
// on the wire, its caller reads the port itself (the reader thread stands aside), which
// spares a thread hand-over per round trip; lines that are not its answer still go to the
// event thread.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/at/transport/AtResponse.h"
#include "device/at/transport/SerialPort.h"

namespace dedevev {
class IClock;
}

namespace dedevev::at {

using Millis = std::chrono::milliseconds;

struct Command {
    std::string text;  // the whole command, e.g. "AT+CSQ"; the engine appends CR
    // Lines starting with one of these prefixes belong to this command's answer even when
    // a listener is registered for the same prefix (e.g. "+CPIN:" during AT+CPIN?).
    // Empty: every line that is not a known unsolicited code belongs to the answer. The
    // prefixes the text implies (AnswerPrefixes: "+CREG:" for "AT+CREG?") are always added.
    std::vector<std::string> prefixes;
    Millis timeout{5000};
    // Text sent after the "> " prompt, followed by Ctrl-Z (SMS PDUs); empty = no prompt.
    std::string data;
};

// Lines that arrive outside any command's answer. Called on the engine's event thread,
// never on a caller's, in arrival order. A two-line code (+CMT:, +CBM:, +CDS: in PDU mode)
// comes as one call with its two lines joined by '\n': "+CMT: ,24\n0791...".
using UnsolicitedHandler = std::function<void(const std::string& line)>;

class AtChannel {
public:
    // Command time-outs are measured on `clock` (null: the process clock, taken now).
    explicit AtChannel(IClock* clock = nullptr);
    ~AtChannel();  // closes the port, stops the threads
    AtChannel(const AtChannel&) = delete;
    AtChannel& operator=(const AtChannel&) = delete;

    // Opens the device (termios raw, `baud`). On failure `error` says why; a port held by
    // another program names that program and its process id. False when already open.
    bool Open(const std::string& path, int baud, std::string* error);
    bool Open(const std::string& path, const SerialOptions& options, std::string* error);
    // Uses an already-open file descriptor (a pty in tests); the channel owns it. A terminal
    // is put into raw mode at the default speed.
    bool Adopt(int fd, std::string* error);
    // Stops both threads and closes the port; a Send waiting meanwhile returns kNotOpen.
    // Any thread may call it, a listener too; events already queued are still delivered
    // (except when called from a listener, where it cannot wait for itself). No listener
    // runs once it returns.
    void Close();
    bool IsOpen() const;
    // False once the port failed (read error, hang-up): every later call fails at once.
    bool IsAlive() const;

    // Sends one command and waits for its final result (or its time-out). Thread-safe.
    // After a time-out the late rest of that answer is drained before the next command goes
    // out: the next Send waits up to kLateAnswerGrace after the time-out for its final
    // result. A command whose text holds CR, LF, Ctrl-Z or ESC (or data holding Ctrl-Z or
    // ESC) is not sent: kError with an empty final_line.
    Response Send(const Command& command);
    Response Send(const std::string& text, Millis timeout = Millis(5000));

    // Registers a listener for unsolicited lines starting with `prefix` (e.g. "+CMTI:",
    // "RING"); returns an id for RemoveListener. An empty prefix receives every line. A
    // non-empty prefix also makes such lines unsolicited while a command runs, unless they
    // match that command's prefixes. Listeners stay registered across Close and Open.
    int AddListener(const std::string& prefix, UnsolicitedHandler handler);
    // Once it returns (on another thread than the event thread) the listener is not running
    // and is never called again.
    void RemoveListener(int id);
    // Called once (on the event thread) when the port fails or is closed by the far end.
    void SetDisconnectHandler(std::function<void()> handler);

    // Writes every line sent and received, with time stamps, to `path` (empty = off); see
    // AtLog.h for the format. False with `error` when the file cannot be opened.
    bool SetLogFile(const std::string& path, std::string* error = nullptr);

    // How long the next command waits for the rest of a timed-out command's answer.
    static constexpr Millis kLateAnswerGrace{1000};

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The text of a final result for logs and messages ("OK", "+CME ERROR: 10", "timeout").
std::string Describe(const Response& response);

}  // namespace dedevev::at
