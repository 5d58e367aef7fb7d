#pragma once
// The texts of the connection history's rows.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/DateTimeFields.h"

namespace dedevev {

// Hours, minutes and seconds with two digits each ("01:02:03"; hours go past 99).
std::u16string DurationText(std::uint32_t seconds);
// Kilobytes with three decimals ("1.500" for 1536 bytes).
std::u16string FluxText(std::uint64_t bytes);
// `time` in the current language's time format `format_name` ("Full", "YearMonth"), or the
// text "InvalidTime" of "DlgRecord" when it is not a real moment.
std::u16string HistoryTimeText(const DateTimeFields& time, std::u16string_view format_name);

}  // namespace dedevev
