#include "connection/HistoryTexts.h"

#include <cstdio>

#include "device/base/Utf.h"
#include "resources/DateFormat.h"
#include "resources/Localizer.h"

namespace dedevev {

std::u16string DurationText(std::uint32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return Utf8ToUtf16(text);
}

std::u16string FluxText(std::uint64_t bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(bytes) / 1024.0);
    return Utf8ToUtf16(text);
}

std::u16string HistoryTimeText(const DateTimeFields& time, std::u16string_view format_name) {
    if (std::optional<std::u16string> text = LocalDateTimeText(time, format_name))
        return *text;
    return LocalText("InvalidTime", "DlgRecord");
}

}  // namespace dedevev
