// Cutting a text into the parts of a long short message.

#include <cstddef>
#include <string_view>
#include <utility>

#include "device/at/pdu/SmsPdu.h"

namespace dedevev::at {

namespace {

// How much room one message offers, in units of the alphabet (septets or 16-bit characters).
struct Room {
    std::size_t whole;  // a message on its own
    std::size_t part;   // a part of a long message, after its header
};

constexpr Room kGsm7Room{160, 153};
constexpr Room kGsmUcs2Room{70, 67};
constexpr Room kCdmaAsciiRoom{160, 152};
constexpr Room kCdmaUnicodeRoom{70, 66};

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The units the character at `i` takes (with its partner when it is a surrogate pair), and
// how many code units it spans.
std::size_t UnitsAt(const std::u16string& text, std::size_t i, Alphabet alphabet,
                    std::size_t* span) {
    *span = 1;
    if (alphabet == Alphabet::kGsm7) {
        std::vector<std::uint8_t> septets;
        ToGsm7(std::u16string_view(&text[i], 1), &septets);
        return septets.size();  // 2 for an extension character
    }
    if (alphabet == Alphabet::kAscii7) {
        return 1;
    }
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        *span = 2;
        return 2;
    }
    return 1;
}

std::size_t TotalUnits(const std::u16string& text, Alphabet alphabet) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t span = 1;
        total += UnitsAt(text, i, alphabet, &span);
        i += span;
    }
    return total;
}

std::vector<std::u16string> Split(const std::u16string& text, Alphabet alphabet, Room room) {
    if (TotalUnits(text, alphabet) <= room.whole) {
        return {text};
    }
    std::vector<std::u16string> parts;
    std::u16string current;
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t span = 1;
        const std::size_t units = UnitsAt(text, i, alphabet, &span);
        if (used + units > room.part) {
            parts.push_back(std::move(current));
            current.clear();
            used = 0;
        }
        current.append(text, i, span);
        used += units;
        i += span;
    }
    if (!current.empty()) {
        parts.push_back(std::move(current));
    }
    return parts;
}

bool IsAscii(const std::u16string& text) {
    for (char16_t c : text) {
        if (c > 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace

SmsPlan PlanSms(SmsFamily family, const std::u16string& text, bool force_ucs2) {
    SmsPlan plan;
    if (family == SmsFamily::kGsm) {
        const bool gsm7 = !force_ucs2 && IsGsm7(text);
        plan.alphabet = gsm7 ? Alphabet::kGsm7 : Alphabet::kUcs2;
        plan.parts = Split(text, plan.alphabet, gsm7 ? kGsm7Room : kGsmUcs2Room);
        return plan;
    }
    const bool ascii = !force_ucs2 && IsAscii(text);
    plan.alphabet = ascii ? Alphabet::kAscii7 : Alphabet::kUcs2;
    plan.parts = Split(text, plan.alphabet, ascii ? kCdmaAsciiRoom : kCdmaUnicodeRoom);
    return plan;
}

bool IsRealTime(const DateTimeFields& t) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59)
        return false;
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    return t.day <= (t.month == 2 && leap ? 29 : kDays[t.month - 1]);
}

std::optional<DateTimeFields> TimeFromFields(const int (&fields)[6], int pivot) {
    DateTimeFields t;
    t.year = fields[0] >= pivot ? 1900 + fields[0] : 2000 + fields[0];
    t.month = fields[1];
    t.day = fields[2];
    t.hour = fields[3];
    t.minute = fields[4];
    t.second = fields[5];
    if (!IsRealTime(t))
        return std::nullopt;
    return t;
}

}  // namespace dedevev::at
