#pragma once
// The calendar time stamp shared by messages, sessions and calls.

#include <compare>
#include <cstdint>

namespace dedevev {

// Six signed 32-bit fields in this order; a new record reads 2000-01-01 12:01:01.
// Comparison runs field by field from the year down, so `a > b` means a is later.
struct DateTimeFields {
    std::int32_t year = 2000;
    std::int32_t month = 1;
    std::int32_t day = 1;
    std::int32_t hour = 12;
    std::int32_t minute = 1;
    std::int32_t second = 1;

    friend auto operator<=>(const DateTimeFields&, const DateTimeFields&) = default;
};

}  // namespace dedevev
