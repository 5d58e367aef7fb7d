#include "device/at/parsers/CallParsers.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace dedevev::at {

namespace {

// Some cards give the number itself in UCS2 hex ("002B0036003200380031"): decoded when every
// four digits are one character of a phone number; anything else stays, as text.
std::string DecodeNumber(std::string_view field) {
    field = TrimView(field);
    return DecodeUcs2DialString(field).value_or(ToUtf8Lenient(field));
}

std::optional<int> IntField(const std::vector<Field>& fields, std::size_t i) {
    if (i >= fields.size() || fields[i].quoted)
        return std::nullopt;
    return ToInt(fields[i].text);
}

// The caller fields shared by +CLIP and +CCWA: number and type first.
CallerId CallerFrom(const std::vector<Field>& fields, std::size_t alpha_at, std::size_t validity_at,
                    Charset charset) {
    CallerId caller;
    caller.number = DecodeNumber(fields[0].text);
    caller.type = IntField(fields, 1).value_or(-1);
    if (alpha_at < fields.size())
        caller.alpha = DecodeCardText(fields[alpha_at].text, charset);
    caller.validity = IntField(fields, validity_at).value_or(-1);
    if (caller.validity == 1 || caller.validity == 2)
        caller.number.clear();  // a card may still put a placeholder there
    return caller;
}

}  // namespace

std::optional<CallEntry> ParseClccLine(std::string_view line, Charset charset) {
    const std::optional<std::string_view> value = ValueAfter(line, "+CLCC:");
    if (!value)
        return std::nullopt;
    const std::vector<Field> fields = SplitQuotedFields(*value);
    if (fields.size() < 5)
        return std::nullopt;
    CallEntry entry;
    const std::optional<int> id = IntField(fields, 0);
    const std::optional<int> dir = IntField(fields, 1);
    const std::optional<int> stat = IntField(fields, 2);
    const std::optional<int> mode = IntField(fields, 3);
    const std::optional<int> mpty = IntField(fields, 4);
    if (!id || !dir || !stat || !mode || !mpty || *id < 0 || (*dir != 0 && *dir != 1) ||
        *stat < 0 || *stat > 7)
        return std::nullopt;
    entry.id = *id;
    entry.direction = *dir;
    entry.state = *stat;
    entry.mode = *mode;
    entry.multiparty = *mpty != 0;
    if (fields.size() > 5)
        entry.number = DecodeNumber(fields[5].text);
    entry.type = IntField(fields, 6).value_or(-1);
    if (fields.size() > 7)
        entry.alpha = DecodeCardText(fields[7].text, charset);
    return entry;
}

std::vector<CallEntry> ParseClcc(const Lines& lines, Charset charset) {
    std::vector<CallEntry> calls;
    std::set<int> seen;
    for (const std::string& line : lines) {
        std::optional<CallEntry> entry = ParseClccLine(line, charset);
        if (entry && seen.insert(entry->id).second)
            calls.push_back(std::move(*entry));
    }
    return calls;
}

bool IsVoiceCall(const CallEntry& call) {
    switch (call.mode) {
        case 1:  // data
        case 2:  // fax
        case 6:  // voice followed by data, now data
        case 7:  // alternating voice and data, now data
        case 8:  // alternating voice and fax, now fax
            return false;
        default:
            return true;
    }
}

std::optional<CallerId> ParseClip(std::string_view line, Charset charset) {
    const std::optional<std::string_view> value = ValueAfter(line, "+CLIP:");
    if (!value)
        return std::nullopt;
    const std::vector<Field> fields = SplitQuotedFields(*value);
    // The answer of a query ("+CLIP: 1,1") holds two bare numbers, never a quoted number.
    if (fields.empty() || (!fields[0].quoted && !fields[0].text.empty()))
        return std::nullopt;
    return CallerFrom(fields, 4, 5, charset);
}

std::optional<CallerId> ParseCcwa(std::string_view line, Charset charset) {
    const std::optional<std::string_view> value = ValueAfter(line, "+CCWA:");
    if (!value)
        return std::nullopt;
    const std::vector<Field> fields = SplitQuotedFields(*value);
    if (fields.size() < 3 || (!fields[0].quoted && !fields[0].text.empty()))
        return std::nullopt;
    return CallerFrom(fields, 3, 4, charset);
}

std::optional<CallReport> ParseCallReport(std::string_view line, Charset charset) {
    struct Form {
        const char* prefix;
        CallReport::Kind kind;
        int cause_at;  // field of the end cause; -1 none
    };
    static const Form kForms[] = {
        {"^DDORIG:", CallReport::kSetup, -1},     {"^ORIG:", CallReport::kSetup, -1},
        {"^DDCONN:", CallReport::kConnected, -1}, {"^CONN:", CallReport::kConnected, -1},
        {"^CONF:", CallReport::kProgress, -1},    {"^DDCEND:", CallReport::kEnded, 1},
        {"^CEND:", CallReport::kEnded, 3},
    };
    if (const std::optional<std::string_view> text = ValueAfter(line, "^DDCINFO:")) {
        const std::vector<Field> fields = SplitQuotedFields(*text);
        CallReport report;
        report.kind = CallReport::kInfo;
        if (!fields.empty())
            report.text = DecodeCardText(fields[0].text, charset);
        return report;
    }
    for (const Form& form : kForms) {
        const std::optional<std::string_view> value = ValueAfter(line, form.prefix);
        if (!value)
            continue;
        const std::vector<Field> fields = SplitQuotedFields(*value);
        const std::optional<int> id = IntField(fields, 0);
        if (!id || *id < 0)
            return std::nullopt;
        CallReport report;
        report.kind = form.kind;
        report.id = *id;
        if (form.cause_at >= 0)
            report.cause = IntField(fields, static_cast<std::size_t>(form.cause_at)).value_or(-1);
        return report;
    }
    return std::nullopt;
}

bool IsVoiceRing(std::string_view line) {
    line = TrimView(line);
    if (line == "RING")
        return true;
    const std::optional<std::string_view> type = ValueAfter(line, "+CRING:");
    if (!type)
        return false;
    std::string upper(*type);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper.rfind("REL ", 0) == 0)
        upper = upper.substr(4);
    return upper == "VOICE" || upper.rfind("VOICE/", 0) == 0;
}

std::optional<int> ParseClvl(const Lines& lines) {
    const std::optional<std::string> value = FindValue(lines, "+CLVL:");
    if (!value)
        return std::nullopt;
    const std::vector<std::string> fields = SplitFields(*value);
    if (fields.empty())
        return std::nullopt;
    const std::optional<int> level = ToInt(fields[0]);
    if (!level || *level < 0)
        return std::nullopt;
    return level;
}

bool IsDialableCallNumber(std::string_view number) {
    return number.size() <= 40 && IsDialString(number);
}

bool IsDtmfKey(char key) {
    return (key >= '0' && key <= '9') || key == '*' || key == '#' || (key >= 'A' && key <= 'D');
}

}  // namespace dedevev::at
