#pragma once
// The simulated link's side of a card's data port: opened like a modem port, AT commands up to
// CONNECT, then the link's bytes, counted as they really cross the port. In the link a CR or
// LF can only start a result line of the card (the link's frames escape every control byte),
// so NO CARRIER is told apart from the traffic without a guess. Every wait goes through the
// clock given and ends early when the stop descriptor becomes readable.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/at/transport/AtResponse.h"
#include "device/base/Clock.h"

namespace dedevev::ppp {

class SimLinkPort {
public:
    // `wake_fd` becomes readable (and `stop` true) when the link is to end.
    SimLinkPort(IClock& clock, int wake_fd, const std::atomic<bool>& stop)
        : clock_(clock), wake_fd_(wake_fd), stop_(stop) {}
    ~SimLinkPort() { Close(); }
    SimLinkPort(const SimLinkPort&) = delete;
    SimLinkPort& operator=(const SimLinkPort&) = delete;

    // Opens `path` raw and for this link alone; 0, or kDialErrorNoDevice (missing, no terminal,
    // not permitted) or kDialErrorPortBusy (another program holds it), `detail` saying more.
    int Open(const std::string& path, std::string* detail);
    void Close();

    // Sends `command` and CR and waits up to `timeout` for its final result (echo and other
    // lines are skipped): kTimeout without one, kIoError when the port failed, kNotOpen when
    // the link was stopped. `final_line` gets the final result as received ("CONNECT 3100000").
    // Whatever follows a CONNECT belongs to the link.
    at::Final Command(const std::string& command, IClock::Duration timeout,
                      std::string* final_line);

    enum class Event { kBytes, kTimeout, kStopped, kClosed, kNoCarrier };
    // Waits until `deadline` for link bytes (appended to `bytes`, counted), the card's NO
    // CARRIER, the port closing, or the stop. Bytes that came with NO CARRIER are in `bytes`.
    Event Read(IClock::TimePoint deadline, std::string* bytes);
    // Writes link bytes (counted); false when the port failed or took nothing for 2 s.
    bool Write(std::string_view bytes);

    std::uint64_t Sent() const { return sent_; }
    std::uint64_t Received() const { return received_; }

private:
    enum class Wait { kReady, kTimeout, kStopped, kFailed };
    Wait WaitFor(short events, IClock::TimePoint deadline);
    // Reads what is there into `into`; false when the port failed or hung up.
    bool ReadSome(std::string* into);
    // Writes everything by `deadline`; what went out is added to `counted` (may be null).
    bool WriteRaw(std::string_view bytes, IClock::TimePoint deadline, std::uint64_t* counted);
    // Takes link bytes out of `raw`: counted into `bytes` until a result line starts; that
    // line is followed to its end. True when it was NO CARRIER.
    bool SplitLink(std::string_view raw, std::string* bytes);

    IClock& clock_;
    const int wake_fd_;
    const std::atomic<bool>& stop_;
    int fd_ = -1;
    std::string pending_;  // bytes read ahead of the link (behind a CONNECT)
    bool in_text_ = false;
    std::string text_;
    std::uint64_t sent_ = 0;
    std::uint64_t received_ = 0;
};

}  // namespace dedevev::ppp
