#include "device/at/parsers/PhonebookParsers.h"

#include <algorithm>

namespace dedevev::at {

namespace {

constexpr std::string_view kCpbr = "+CPBR:";

// The values of every line that starts with `prefix` (blanks after it removed).
std::vector<std::string_view> ValuesOf(const Lines& lines, std::string_view prefix) {
    std::vector<std::string_view> values;
    for (const std::string& raw : lines) {
        if (const std::optional<std::string_view> value = ValueAfter(raw, prefix))
            values.push_back(*value);
    }
    return values;
}

}  // namespace

std::string DecodePhonebookNumber(std::string_view field, int type, Charset charset) {
    field = TrimView(field);
    // Cards may hold pause and wait characters or bytes of an old code page: kept, as UTF-8.
    std::string number = ToUtf8Lenient(field);
    // Only digits in groups of four starting "00" are ambiguous: a plain number such as
    // "00310032" is taken as it stands unless the card talks UCS2.
    const bool has_hex_letter = std::any_of(field.begin(), field.end(), [](char c) {
        return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
    if (charset == Charset::kUcs2 || has_hex_letter) {
        if (std::optional<std::string> decoded = DecodeUcs2DialString(field))
            number = *decoded;
    }
    if (type == 145 && !number.empty() && number[0] != '+')
        number.insert(number.begin(), '+');
    return number;
}

std::vector<PhonebookEntry> ParseCpbrListing(const Lines& lines, Charset charset) {
    std::vector<PhonebookEntry> entries;
    for (std::string_view value : ValuesOf(lines, kCpbr)) {
        const std::vector<Field> fields = SplitQuotedFields(value);
        // index, number, type are required; the text may be missing on some cards.
        if (fields.size() < 3)
            continue;
        const std::optional<int> index = ToInt(fields[0].text);
        const std::optional<int> type = ToInt(fields[2].text);
        if (!index || *index < 0 || (!fields[2].text.empty() && !type))
            continue;
        if (fields[0].quoted || !IsSafeQuotedText(fields[1].text))
            continue;
        if (std::any_of(entries.begin(), entries.end(),
                        [&](const PhonebookEntry& e) { return e.index == *index; }))
            continue;
        PhonebookEntry entry;
        entry.index = *index;
        entry.type = type.value_or(129);
        entry.number = DecodePhonebookNumber(fields[1].text, entry.type, charset);
        if (fields.size() > 3)
            entry.text = DecodeCardText(fields[3].text, charset);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<PhonebookRange> ParseCpbrRange(const Lines& lines) {
    for (std::string_view value : ValuesOf(lines, kCpbr)) {
        const std::vector<Field> fields = SplitQuotedFields(value);
        if (fields.empty())
            continue;
        std::string_view range = TrimView(fields[0].text);
        if (!range.empty() && range.front() == '(')
            range.remove_prefix(1);
        if (!range.empty() && range.back() == ')')
            range.remove_suffix(1);
        const std::size_t dash = range.find('-');
        PhonebookRange result;
        const std::optional<int> first = ToInt(range.substr(0, dash));
        const std::optional<int> last =
            dash == std::string_view::npos ? first : ToInt(range.substr(dash + 1));
        if (!first || !last || *first < 0 || *last < *first)
            continue;
        result.first = *first;
        result.last = *last;
        if (fields.size() > 1)
            result.number_length = ToInt(fields[1].text).value_or(-1);
        if (fields.size() > 2)
            result.text_length = ToInt(fields[2].text).value_or(-1);
        return result;
    }
    return std::nullopt;
}

std::optional<PhonebookCounts> ParseCpbsCounts(const Lines& lines) {
    for (std::string_view value : ValuesOf(lines, "+CPBS:")) {
        const std::vector<Field> fields = SplitQuotedFields(value);
        if (fields.empty() || fields[0].text.empty() || fields[0].text.front() == '(')
            continue;
        PhonebookCounts counts;
        counts.storage = fields[0].text;
        std::transform(counts.storage.begin(), counts.storage.end(), counts.storage.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (fields.size() >= 3) {
            const std::optional<int> used = ToInt(fields[1].text);
            const std::optional<int> total = ToInt(fields[2].text);
            if (used && total && *used >= 0 && *total >= 0) {
                counts.used = *used;
                counts.total = *total;
            }
        }
        return counts;
    }
    return std::nullopt;
}

std::optional<int> ParseCpbwIndex(const Lines& lines) {
    for (std::string_view value : ValuesOf(lines, "+CPBW:")) {
        const std::vector<Field> fields = SplitQuotedFields(value);
        if (fields.empty())
            continue;
        if (const std::optional<int> index = ToInt(fields[0].text); index && *index >= 0)
            return index;
    }
    return std::nullopt;
}

}  // namespace dedevev::at
