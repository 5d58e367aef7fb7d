#include "device/at/parsers/SmsParsers.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

namespace dedevev::at {

namespace {

std::string CleanHex(std::string_view line) {
    std::string hex;
    for (char c : TrimView(line)) {
        if (c == ' ')
            continue;
        hex.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return hex;
}

bool IsPduLine(std::string_view line) {
    const std::string hex = CleanHex(line);
    return !hex.empty() && hex.size() % 2 == 0 && IsHexText(hex);
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// "+CMGL: 3,1,,24" -> index 3, stat 1, length 24 (the alpha field may be missing).
std::optional<StoredPdu> ParseListHeader(std::string_view value) {
    const std::vector<std::string> fields = SplitFields(value);
    if (fields.size() < 2)
        return std::nullopt;
    StoredPdu entry;
    const std::optional<int> index = ToInt(fields[0]);
    const std::optional<int> stat = ToInt(fields[1]);
    if (!index || !stat || *index < 0 || *stat < 0 || *stat > 3)
        return std::nullopt;
    entry.index = *index;
    entry.stat = *stat;
    if (const std::optional<int> length = ToInt(fields.back()); length && fields.size() >= 3)
        entry.length = *length;
    return entry;
}

std::vector<int> ParseRange(std::string_view group) {
    std::vector<int> values;
    std::string text(group);
    text.erase(std::remove(text.begin(), text.end(), '('), text.end());
    text.erase(std::remove(text.begin(), text.end(), ')'), text.end());
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string item = std::string(TrimView(
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        const std::size_t dash = item.find('-');
        if (dash != std::string::npos) {
            const std::optional<int> from = ToInt(item.substr(0, dash));
            const std::optional<int> to = ToInt(item.substr(dash + 1));
            if (from && to && *from <= *to && *to - *from < 64) {
                for (int v = *from; v <= *to; ++v)
                    values.push_back(v);
            }
        } else if (const std::optional<int> v = ToInt(item)) {
            values.push_back(*v);
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

}  // namespace

std::vector<StoredPdu> ParseCmglListing(const Lines& lines) {
    std::vector<StoredPdu> entries;
    std::set<int> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = TrimView(lines[i]);
        if (!StartsWithNoCase(line, "+CMGL:"))
            continue;
        std::optional<StoredPdu> entry = ParseListHeader(line.substr(6));
        if (i + 1 >= lines.size() || StartsWithNoCase(TrimView(lines[i + 1]), "+CMGL:"))
            continue;  // a header without its PDU line
        ++i;
        if (!entry || !IsPduLine(lines[i]))
            continue;
        entry->hex = CleanHex(lines[i]);
        if (seen.insert(entry->index).second)
            entries.push_back(std::move(*entry));
    }
    return entries;
}

std::optional<StoredPdu> ParseCmgr(const Lines& lines, int index) {
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string_view line = TrimView(lines[i]);
        if (!StartsWithNoCase(line, "+CMGR:"))
            continue;
        const std::vector<std::string> fields = SplitFields(line.substr(6));
        if (fields.empty() || !IsPduLine(lines[i + 1]))
            return std::nullopt;
        const std::optional<int> stat = ToInt(fields[0]);
        if (!stat || *stat < 0 || *stat > 3)
            return std::nullopt;
        StoredPdu entry;
        entry.index = index;
        entry.stat = *stat;
        if (fields.size() >= 2) {
            if (const std::optional<int> length = ToInt(fields.back()))
                entry.length = *length;
        }
        entry.hex = CleanHex(lines[i + 1]);
        return entry;
    }
    return std::nullopt;
}

std::optional<StorageCounts> ParseCpms(const Lines& lines) {
    const std::optional<std::string> value = FindValue(lines, "+CPMS:");
    if (!value)
        return std::nullopt;
    const std::vector<Field> fields = SplitQuotedFields(*value);
    StorageCounts counts;
    std::size_t i = 0;
    while (i < fields.size() && counts.count < 3) {
        std::string name;
        if (fields[i].quoted) {
            name = Upper(fields[i].text);
            ++i;
        }
        if (i + 1 >= fields.size())
            break;
        const std::optional<int> used = ToInt(fields[i].text);
        const std::optional<int> total = ToInt(fields[i + 1].text);
        if (!used || !total || *used < 0 || *total < 0)
            return counts.count > 0 ? std::optional<StorageCounts>(counts) : std::nullopt;
        counts.name[counts.count] = name;
        counts.used[counts.count] = *used;
        counts.total[counts.count] = *total;
        ++counts.count;
        i += 2;
    }
    if (counts.count == 0)
        return std::nullopt;
    return counts;
}

std::optional<StoredNotice> ParseStoredNotice(std::string_view line) {
    line = TrimView(line);
    std::string_view value;
    if (StartsWithNoCase(line, "+CMTI:") || StartsWithNoCase(line, "+CDSI:"))
        value = line.substr(6);
    else
        return std::nullopt;
    const std::vector<Field> fields = SplitQuotedFields(value);
    if (fields.size() < 2)
        return std::nullopt;
    const std::optional<int> index = ToInt(fields[1].text);
    if (!index || *index < 0 || fields[0].text.empty())
        return std::nullopt;
    return StoredNotice{Upper(fields[0].text), *index};
}

std::optional<std::string> ParseDeliveredPdu(std::string_view text) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos)
        return std::nullopt;
    const std::string_view head = TrimView(text.substr(0, newline));
    if (!StartsWithNoCase(head, "+CMT:") && !StartsWithNoCase(head, "+CDS:"))
        return std::nullopt;
    const std::string_view body = text.substr(newline + 1);
    if (!IsPduLine(body))
        return std::nullopt;
    return CleanHex(body);
}

std::optional<int> ParseCmgs(const Lines& lines) {
    const std::optional<std::string> value = FindValue(lines, "+CMGS:");
    if (!value)
        return std::nullopt;
    const std::vector<std::string> fields = SplitFields(*value);
    if (fields.empty())
        return std::nullopt;
    return ToInt(fields[0]);
}

std::optional<CnmiSupport> ParseCnmiTest(const Lines& lines) {
    const std::optional<std::string> value = FindValue(lines, "+CNMI:");
    if (!value)
        return std::nullopt;
    CnmiSupport support;
    const std::vector<std::string> groups = SplitFields(*value);
    for (std::size_t i = 0; i < groups.size() && i < 5; ++i)
        support.values[i] = ParseRange(groups[i]);
    if (support.values[0].empty() && support.values[1].empty())
        return std::nullopt;
    return support;
}

std::vector<int> NearestCnmi(const CnmiSupport& support, const std::vector<int>& wanted) {
    std::vector<int> chosen(5, 0);
    for (std::size_t i = 0; i < 5; ++i) {
        const int want = i < wanted.size() ? wanted[i] : 0;
        const std::vector<int>& allowed = support.values[i];
        if (allowed.empty())
            continue;
        int best = allowed.front();
        for (int v : allowed) {
            if (std::abs(v - want) < std::abs(best - want))
                best = v;
        }
        chosen[i] = best;
    }
    return chosen;
}

std::optional<std::string> ParseStorageFull(std::string_view line) {
    line = TrimView(line);
    if (!StartsWithNoCase(line, "^DDSMSFULL:"))
        return std::nullopt;
    const std::vector<Field> fields = SplitQuotedFields(line.substr(11));
    if (fields.empty() || fields[0].text.empty())
        return std::nullopt;
    return Upper(fields[0].text);
}

}  // namespace dedevev::at
