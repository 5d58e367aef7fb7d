#pragma once
// Dates and times written out with the language file's time formats ("TimeFormat" section,
// strftime notation).

#include <optional>
#include <string>
#include <string_view>

#include "device/DateTimeFields.h"

namespace dedevev {

// Whether `time` is a real calendar moment (years 1900 to 9999).
bool IsValidDateTime(const DateTimeFields& time);

// `time` written with `format`: %Y %y %m %d %j %H %I %M %S %p %a %A %b %B and %% (a '#' after
// the '%' drops leading zeros, as in "%#d"); any other conversion is copied as it stands.
// Day and month names are English. Nothing when `time` is not a real moment.
std::optional<std::u16string> FormatDateTime(const DateTimeFields& time,
                                             std::u16string_view format);

// `time` written with the current language's time format called `format_name` ("Full",
// "YearMonth", ...); nothing when `time` is not a real moment.
std::optional<std::u16string> LocalDateTimeText(const DateTimeFields& time,
                                                std::u16string_view format_name);

}  // namespace dedevev
