#pragma once
// The network's end of the data call's link, as small as a host needs to see a link come up:
// the host authenticates with PAP (an Authenticate-Request in PPP framing), the network answers
// Authenticate-Ack or -Nak, and once acknowledged it sends a steady stream of IPv4 frames of
// filler at the downstream rate and answers LCP Echo-Requests. Everything else the host sends is
// taken and counted. The peer reads no clock: the card's loop tells it the time.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/at/transport/PppFrame.h"

namespace dedevev::sim {

class PppPeer {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint32_t kDefaultDown = 20000;  // bytes per second to the host
    static constexpr std::uint32_t kDefaultUp = 5000;     // bytes per second the network takes
    static constexpr std::chrono::milliseconds kTick{20};

    void SetRates(std::uint32_t down, std::uint32_t up);
    std::uint32_t Down() const { return down_; }
    std::uint32_t Up() const { return up_; }
    // Whether the host's user and password are accepted (any are, unless refused).
    void SetAccept(bool accept) { accept_ = accept; }
    bool Accepts() const { return accept_; }

    // A new call, or none: nothing is authenticated, nothing half received.
    void Reset();
    // Link bytes from the host; returns the frames that answer them (counted as sent).
    std::string Receive(std::string_view bytes, Clock::time_point now);
    // The downstream traffic due by `now`, at most `room` bytes; a stream held up (the host
    // does not read, the line escaped) does not burst to catch up.
    std::string Stream(Clock::time_point now, std::size_t room);
    // When the stream has more to send; time_point::max() while it sends nothing.
    Clock::time_point NextDue() const;
    // True once after the host's authentication was refused: the network ends the call.
    bool TakeRefused();
    bool LinkUp() const { return link_up_; }

    // Since the card started: bytes sent to the host, and bytes the host sent beyond the
    // upstream rate (taken and counted, not refused).
    std::uint64_t Sent() const { return sent_; }
    std::uint64_t Over() const { return over_; }

private:
    std::string Send(std::uint16_t protocol, std::string_view payload);

    std::uint32_t down_ = kDefaultDown;
    std::uint32_t up_ = kDefaultUp;
    bool accept_ = true;
    bool link_up_ = false;
    bool refused_ = false;
    at::PppDeframer deframer_;
    std::string next_frame_;  // the stream's next frame, made ahead to know its size
    std::uint32_t filler_ = 0;
    double down_budget_ = 0;
    double up_budget_ = 0;
    Clock::time_point last_stream_{};
    Clock::time_point last_up_{};
    std::uint64_t sent_ = 0;
    std::uint64_t over_ = 0;
};

}  // namespace dedevev::sim
