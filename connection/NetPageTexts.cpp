#include "connection/NetPageTexts.h"

#include <cstdio>

#include "device/IDeviceControl.h"
#include "device/base/Utf.h"
#include "mainwindow/MainStatus.h"
#include "resources/Localizer.h"

namespace dedevev {

namespace {

constexpr auto npos = std::u16string_view::npos;

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::u16string Captioned(const char* key, const std::string& value) {
    return LocalText(key, "DlgNet") + u' ' + Utf8ToUtf16(value);
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Copies up to two digits of `format` from `*at` onto `conversion`; false when more follow (a
// width or precision that large is not taken as a conversion).
bool TakeDigits(std::u16string_view format, std::size_t* at, std::string* conversion) {
    int count = 0;
    while (*at < format.size() && IsDigit(format[*at])) {
        if (++count > 2)
            return false;
        *conversion += static_cast<char>(format[(*at)++]);
    }
    return true;
}

// The printf conversion of a double starting at the '%' at `start`, or empty when there is
// none; `*end` is then the index of its conversion letter.
std::string NumberConversion(std::u16string_view format, std::size_t start, std::size_t* end) {
    std::string conversion = "%";
    std::size_t at = start + 1;
    while (at < format.size() && std::u16string_view(u"-+ #0").find(format[at]) != npos)
        conversion += static_cast<char>(format[at++]);
    if (!TakeDigits(format, &at, &conversion))
        return {};
    if (at < format.size() && format[at] == u'.') {
        conversion += '.';
        ++at;
        if (!TakeDigits(format, &at, &conversion))
            return {};
    }
    if (at >= format.size() || std::u16string_view(u"fFeEgG").find(format[at]) == npos)
        return {};
    conversion += static_cast<char>(format[at]);
    *end = at;
    return conversion;
}

}  // namespace

std::string LinkTimeText(std::uint32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string SpeedText(double kb_per_second) {
    return Printf("%.3f KB/s ", kb_per_second);
}

std::string RateText(double kb_per_second) {
    return Printf("%.2fKB/S", kb_per_second);
}

std::string SizeText(double kb) {
    return FormatTrafficKb(kb);
}

std::u16string FormatNumberText(std::u16string_view format, double value) {
    std::u16string out;
    bool filled = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        std::size_t end = i;
        const std::string conversion = filled ? std::string() : NumberConversion(format, i, &end);
        if (conversion.empty()) {
            out += u'%';  // kept as written
            continue;
        }
        out += Utf8ToUtf16(Printf(conversion.c_str(), value));
        filled = true;
        i = end;
    }
    return out;
}

NetLabels InitialNetLabels() {
    return {Captioned("LinkTime", "00:00:00"), Captioned("Speed", "0.00KB/s"),
            Captioned("Speed", "0.00KB/s"), Captioned("Flux", "0.00KB"),
            Captioned("Flux", "0.00KB")};
}

NetLabels SessionNetLabels(const SessionStats& stats, std::uint64_t receive_rate,
                           std::uint64_t send_rate) {
    return {Captioned("LinkTime", LinkTimeText(stats.duration)),
            Captioned("Speed", SpeedText(static_cast<double>(send_rate) / 1024.0)),
            Captioned("Speed", SpeedText(static_cast<double>(receive_rate) / 1024.0)),
            Captioned("Flux", SizeText(static_cast<double>(stats.bytes_sent) / 1024.0)),
            Captioned("Flux", SizeText(static_cast<double>(stats.bytes_received) / 1024.0))};
}

const char* ServiceStateKey(int service_state) {
    switch (service_state) {
        case kServiceNone:
            return "ErrInfo_NoService";
        case kServiceRestricted:
            return "ErrInfo_RestrictedService";
        case kServiceRestrictedRegional:
            return "ErrInfo_RestrictedRegional";
        case kServiceLowPower:
            return "ErrInfo_LowPower";
        default:
            return nullptr;
    }
}

std::u16string StatusWithService(const std::u16string& text,
                                 const std::function<std::optional<int>()>& query) {
    if (!query)
        return text;
    for (int tries = 0; tries < kServiceQueryTries; ++tries) {
        if (const std::optional<int> state = query()) {
            const char* key = ServiceStateKey(*state);
            return key != nullptr ? LocalText(key, "DlgNet") : text;
        }
    }
    return text;
}

}  // namespace dedevev
