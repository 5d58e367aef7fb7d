#pragma once
// The calendar time stamp shared by messages, sessions and calls, and its text in the data
// files.

#include <chrono>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// The fields of a local date and time (the milliseconds are dropped).
DateTimeFields ToDateTimeFields(std::chrono::local_time<std::chrono::milliseconds> when);

// The text of a time in the data files: year-month-day,hour:minute:second in plain decimal
// without padding ("2009-5-7,13:4:9").
std::u16string DateTimeText(const DateTimeFields& time);
// Reads a time text back from its first six runs of ASCII digits, whatever stands between
// them ("2009/05/07 13.04.09" reads too; a sign is only a separator). Nothing when there are
// fewer than six runs or a run does not fit 32 bits.
std::optional<DateTimeFields> ParseDateTimeText(std::u16string_view text);

}  // namespace dedevev
