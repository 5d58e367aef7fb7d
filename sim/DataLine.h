#pragma once
// The data port's line while a data call is up. Once the call connected, the host's bytes
// belong to the link, not to the port's AT interpreter, until the host escapes as V.250 has
// it: silence for the guard time (S12), "+++", silence for the guard time. The card then
// answers OK in the online command state, with the call still up. The line reads no clock:
// the card's loop tells it the time.

#include <chrono>
#include <cstdint>
#include <string_view>

namespace dedevev::sim {

class DataLine {
public:
    using Clock = std::chrono::steady_clock;

    bool Online() const { return online_; }
    // The call connected (or ATO resumed it): the bytes from now on are the link's.
    void Start(Clock::time_point now);
    // Back to command state (the call ended or escaped).
    void Stop();
    // Bytes from the host while online: counted, and watched for the escape.
    void Receive(std::string_view bytes, Clock::time_point now, std::chrono::milliseconds guard);
    // When a pending escape completes; time_point::max() when none is pending.
    Clock::time_point EscapeDue() const { return escape_due_; }
    // True once when the escape completed by `now`; the line is then in command state.
    bool TakeEscape(Clock::time_point now);
    // Bytes the link received since the card started.
    std::uint64_t LinkBytes() const { return link_bytes_; }

private:
    bool online_ = false;
    Clock::time_point last_byte_{};
    int pluses_ = 0;  // '+' in a row, the first after a guard time of silence
    Clock::time_point escape_due_ = Clock::time_point::max();
    std::uint64_t link_bytes_ = 0;
};

}  // namespace dedevev::sim
