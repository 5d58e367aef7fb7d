#pragma once
// The card's data port, spoken to for a moment beside the AT channel: to see whether it
// carries a connection, and to end that connection there, where only the data call is
// concerned. Every wait goes through the process clock.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/transport/AtResponse.h"
#include "device/base/Clock.h"

namespace dedevev::at {

using Millis = std::chrono::milliseconds;

// How long each step on the data port may take.
struct DataPortTimes {
    Millis probe{500};     // the answer to AT in command state (and to the escape)
    Millis guard{1000};    // the silence before and after "+++" (V.250 S12, 50 x 20 ms)
    Millis command{5000};  // the answer to ATH
    Millis dtr_drop{500};  // DTR held low where the device has the line (not on a pty)
};

class DataPort {
public:
    DataPort() = default;
    ~DataPort() { Close(); }
    DataPort(const DataPort&) = delete;
    DataPort& operator=(const DataPort&) = delete;

    // Opens `path` like the AT port (raw, exclusive, refused while another program holds
    // it). False with `error` saying why (missing, busy with "<program> (pid N) is using ...").
    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const { return fd_ >= 0; }

    // Sends `command` and CR; the final result within `timeout` (echo, noise and link bytes
    // are skipped), kTimeout without one, kIoError when the port failed.
    Final Command(const std::string& command, Millis timeout);
    // The escape from a connection to its command state: silence for `guard`, "+++",
    // silence; true when the card answers OK within `guard` and `answer` more.
    bool Escape(Millis guard, Millis answer);
    // Drops DTR for `dtr_drop` where the device has the line (a pty has none), then closes:
    // a card that follows DTR ends the connection. The close also drops DTR (HUPCL).
    void Close(Millis dtr_drop = Millis(0));

private:
    // Reads until a final result arrives or `timeout` passes.
    Final AwaitFinal(Millis timeout);
    bool Write(std::string_view bytes);
    // Waits on the clock until the port is ready for `events`; false at the deadline or when
    // the port failed.
    bool WaitReady(IClock& clock, short events, IClock::TimePoint deadline);

    int fd_ = -1;
    LineAssembler lines_;
    std::vector<LineAssembler::Item> pending_;
};

// Both paths name the same device (a link and its target, or the same path).
bool IsSameDevice(const std::string& a, const std::string& b);

// What ending a data call on the data port came to.
enum class DataPortRelease {
    kReleased,  // the port is in command state and holds no connection now
    kUnusable,  // missing, busy, silent or answering garbage: nothing is known
};

// Ends the connection on the data port `path`, if it carries one: a port that answers AT at
// once is in command state (a connection left in its online command state ends as the port
// is closed, DTR down); one that does not is escaped from its connection with "+++" and
// hung up there with ATH. A port that does not come back to command state gets DTR dropped.
DataPortRelease ReleaseOnDataPort(const std::string& path, const DataPortTimes& times);

}  // namespace dedevev::at
