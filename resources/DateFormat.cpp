#include "resources/DateFormat.h"

#include <chrono>

#include "core/GlobalService.h"
#include "device/base/Utf.h"

namespace dedevev {

namespace {

constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::chrono::year_month_day Date(const DateTimeFields& time) {
    return std::chrono::year{time.year} / std::chrono::month{static_cast<unsigned>(time.month)} /
           std::chrono::day{static_cast<unsigned>(time.day)};
}

// `value` is never negative here (the fields are checked first).
void AppendNumber(std::u16string& out, int value, int width, bool strip_zeros) {
    char16_t digits[16];
    int count = 0;
    auto rest = static_cast<unsigned>(value);
    do {
        digits[count++] = static_cast<char16_t>(u'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (!strip_zeros && count < width && count < 16)
        digits[count++] = u'0';
    while (count > 0)
        out += digits[--count];
}

}  // namespace

bool IsValidDateTime(const DateTimeFields& time) {
    if (time.year < 1900 || time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > 31)
        return false;
    return Date(time).ok() && time.hour >= 0 && time.hour <= 23 && time.minute >= 0 &&
           time.minute <= 59 && time.second >= 0 && time.second <= 59;
}

std::optional<std::u16string> FormatDateTime(const DateTimeFields& time,
                                             std::u16string_view format) {
    if (!IsValidDateTime(time))
        return std::nullopt;
    const std::chrono::sys_days days{Date(time)};
    const unsigned weekday = std::chrono::weekday{days}.c_encoding();
    const int day_of_year =
        static_cast<int>(
            (days - std::chrono::sys_days{std::chrono::year{time.year} / std::chrono::January / 1})
                .count()) +
        1;
    const int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;

    std::u16string out;
    out.reserve(format.size() + 16);
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        std::size_t at = i + 1;
        const bool strip = format[at] == u'#' && at + 1 < format.size();
        if (strip)
            ++at;
        switch (format[at]) {
            case u'Y':
                AppendNumber(out, time.year, 4, strip);
                break;
            case u'y':
                AppendNumber(out, time.year % 100, 2, strip);
                break;
            case u'm':
                AppendNumber(out, time.month, 2, strip);
                break;
            case u'd':
                AppendNumber(out, time.day, 2, strip);
                break;
            case u'j':
                AppendNumber(out, day_of_year, 3, strip);
                break;
            case u'H':
                AppendNumber(out, time.hour, 2, strip);
                break;
            case u'I':
                AppendNumber(out, hour12, 2, strip);
                break;
            case u'M':
                AppendNumber(out, time.minute, 2, strip);
                break;
            case u'S':
                AppendNumber(out, time.second, 2, strip);
                break;
            case u'p':
                out += time.hour < 12 ? u"AM" : u"PM";
                break;
            case u'a':
                out += Utf8ToUtf16(std::string_view(kDays[weekday]).substr(0, 3));
                break;
            case u'A':
                out += Utf8ToUtf16(kDays[weekday]);
                break;
            case u'b':
                out += Utf8ToUtf16(std::string_view(kMonths[time.month - 1]).substr(0, 3));
                break;
            case u'B':
                out += Utf8ToUtf16(kMonths[time.month - 1]);
                break;
            case u'%':
                out += u'%';
                break;
            default:
                out += format.substr(i, at - i + 1);
                break;
        }
        i = at;
    }
    return out;
}

std::optional<std::u16string> LocalDateTimeText(const DateTimeFields& time,
                                                std::u16string_view format_name) {
    const ILocalizer* localizer = CGlobalService::Instance().Localizer();
    const std::u16string format =
        localizer != nullptr ? localizer->GetTimeFormat(format_name) : kDefaultTimeFormat;
    return FormatDateTime(time, format);
}

}  // namespace dedevev
