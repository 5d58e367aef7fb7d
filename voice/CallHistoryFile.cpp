#include "voice/CallHistoryFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "core/BlockFile.h"
#include "core/TextCodec.h"

namespace dedevev {
namespace {

constexpr std::u16string_view kTimeCountKey = u"TimeCount:";
enum Key { kNumber, kTime, kDuration, kState, kName, kKeyCount };
constexpr std::array<std::u16string_view, kKeyCount> kKeys = {u"Number:", u"Time:", u"Duration:",
                                                              u"State:", u"Name:"};

// Leading blanks, an optional sign, decimal digits; held to the range of int, 0 without digits.
int ParseInt(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(kLimit, value * 10 + (text[i] - u'0'));
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// The talk-time total from the file's first line, when that is the "TimeCount:" line. Only
// the start of the file is decoded: the line is short.
int ParseTimeCount(std::string_view bytes) {
    constexpr std::size_t kHead = 256;
    const std::u16string head = DecodeBlockText(bytes.substr(0, std::min(bytes.size(), kHead)));
    int total = 0;
    bool first = true;
    ForEachBlockLine(head, [&](std::u16string_view line) {
        if (first && line.starts_with(kTimeCountKey))
            total = ParseInt(line.substr(kTimeCountKey.size()));
        first = false;
    });
    return total;
}

std::u16string Decimal(int value) {
    return U16(std::to_string(value));
}

}  // namespace

int AddSaturated(int a, int b) {
    const std::int64_t sum = std::int64_t{a} + b;
    return static_cast<int>(std::clamp<std::int64_t>(sum, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

CallHistoryFile ParseCallHistory(std::string_view bytes) {
    CallHistoryFile file;
    file.talk_time = ParseTimeCount(bytes);
    for (BlockRecord& block : ReadBlockFile(bytes, kKeys)) {
        const auto filled = [&block](Key key) { return block[key] && !block[key]->empty(); };
        if (!filled(kTime) || !filled(kDuration) || !filled(kState))
            continue;
        CallRecord record;
        if (block[kNumber])
            record.number = std::move(*block[kNumber]);
        if (block[kName])
            record.name = std::move(*block[kName]);
        record.start = ParseDateTimeText(*block[kTime]).value_or(DateTimeFields{});
        record.duration = ParseInt(*block[kDuration]);
        record.seen = *block[kState] == u"1";
        file.records.push_back(std::move(record));
    }
    return file;
}

std::string SerialiseCallHistory(int talk_time, const std::vector<CallRecord>& records) {
    BlockFileWriter out;
    out.Field(kTimeCountKey, Decimal(talk_time));
    out.EndRecord();
    for (const CallRecord& record : records) {
        out.Field(kKeys[kNumber], record.number);
        out.Field(kKeys[kTime], DateTimeText(record.start));
        out.Field(kKeys[kDuration], Decimal(record.duration));
        out.Field(kKeys[kState], record.seen ? u"1" : u"0");
        out.Field(kKeys[kName], record.name);
        out.EndRecord();
    }
    return out.Take();
}

}  // namespace dedevev
