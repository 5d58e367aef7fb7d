#include "device/DateTimeFields.h"

#include <array>
#include <limits>

namespace dedevev {

DateTimeFields ToDateTimeFields(std::chrono::local_time<std::chrono::milliseconds> when) {
    using namespace std::chrono;
    const local_days day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{when - day};
    DateTimeFields fields;
    fields.year = static_cast<std::int32_t>(static_cast<int>(date.year()));
    fields.month = static_cast<std::int32_t>(static_cast<unsigned>(date.month()));
    fields.day = static_cast<std::int32_t>(static_cast<unsigned>(date.day()));
    fields.hour = static_cast<std::int32_t>(time.hours().count());
    fields.minute = static_cast<std::int32_t>(time.minutes().count());
    fields.second = static_cast<std::int32_t>(time.seconds().count());
    return fields;
}

std::u16string DateTimeText(const DateTimeFields& time) {
    const std::string text = std::to_string(time.year) + "-" + std::to_string(time.month) + "-" +
                             std::to_string(time.day) + "," + std::to_string(time.hour) + ":" +
                             std::to_string(time.minute) + ":" + std::to_string(time.second);
    return std::u16string(text.begin(), text.end());  // ASCII only
}

std::optional<DateTimeFields> ParseDateTimeText(std::u16string_view text) {
    std::array<std::int32_t, 6> values{};
    std::size_t found = 0;
    std::size_t i = 0;
    while (found < values.size() && i < text.size()) {
        if (text[i] < u'0' || text[i] > u'9') {
            ++i;
            continue;
        }
        std::int64_t value = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            value = value * 10 + (text[i] - u'0');
            if (value > std::numeric_limits<std::int32_t>::max())
                return std::nullopt;
        }
        values[found++] = static_cast<std::int32_t>(value);
    }
    if (found < values.size())
        return std::nullopt;
    return DateTimeFields{values[0], values[1], values[2], values[3], values[4], values[5]};
}

}  // namespace dedevev
