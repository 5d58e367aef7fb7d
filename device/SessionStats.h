#pragma once
// The statistics of one dial-up session: when it started, how long it lasted, what it moved.

#include <cstdint>

#include "device/DateTimeFields.h"

namespace dedevev {

struct SessionStats {
    DateTimeFields start;
    std::uint32_t duration = 0;  // seconds
    std::uint64_t bytes_sent = 0;
    std::uint64_t bytes_received = 0;

    std::uint64_t Flux() const { return bytes_sent + bytes_received; }
    friend bool operator==(const SessionStats&, const SessionStats&) = default;
};

}  // namespace dedevev
