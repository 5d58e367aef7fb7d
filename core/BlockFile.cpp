#include "core/BlockFile.h"

#include <cstddef>

#include "device/base/Utf.h"

namespace dedevev {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool HasUtf16Mark(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

// The key a line belongs to: the (longest) key it starts with; else the first key from `next`
// on that it contains; else (unless `later_only`) the first key it contains at all; kNone when
// it holds none.
std::size_t LineKey(std::u16string_view line, std::span<const std::u16string_view> keys,
                    std::size_t next, bool later_only) {
    std::size_t best = kNone;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!keys[i].empty() && line.starts_with(keys[i]) &&
            (best == kNone || keys[i].size() > keys[best].size()))
            best = i;
    }
    if (best != kNone)
        return best;
    for (std::size_t pass = 0; pass < (later_only ? 1 : 2); ++pass) {
        const std::size_t from = pass == 0 ? next : 0;
        const std::size_t to = pass == 0 ? keys.size() : next;
        for (std::size_t i = from; i < to && i < keys.size(); ++i) {
            if (!keys[i].empty() && line.find(keys[i]) != std::u16string_view::npos)
                return i;
        }
    }
    return kNone;
}

}  // namespace

std::u16string DecodeBlockText(std::string_view bytes) {
    if (!HasUtf16Mark(bytes))
        return Utf8ToUtf16(bytes);
    std::u16string text;
    text.resize((bytes.size() - 2) / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 + 2 * i]);
        const auto high = static_cast<unsigned char>(bytes[3 + 2 * i]);
        text[i] = static_cast<char16_t>(low | (high << 8));
    }
    return text;
}

namespace {

// Whether `line` (at `at` in `lines`) ends a running continued value under kNextKeyOnly.
bool EndsStrictRun(const std::vector<std::u16string_view>& lines, std::size_t at,
                   std::span<const std::u16string_view> keys, std::size_t continued) {
    const std::u16string_view line = lines[at];
    if (continued + 1 < keys.size() && !keys[continued + 1].empty() &&
        line.find(keys[continued + 1]) != std::u16string_view::npos)
        return true;
    return keys.size() >= 2 && !keys[0].empty() && !keys[1].empty() && line.starts_with(keys[0]) &&
           at + 1 < lines.size() && lines[at + 1].starts_with(keys[1]);
}

}  // namespace

std::vector<BlockRecord> ReadBlockFile(std::string_view bytes,
                                       std::span<const std::u16string_view> keys,
                                       std::size_t continued, ContinuedRun run) {
    std::vector<BlockRecord> records;
    const std::u16string text = DecodeBlockText(bytes);
    std::vector<std::u16string_view> lines;
    ForEachBlockLine(text, [&](std::u16string_view line) { lines.push_back(line); });
    std::size_t next = 0;  // the first key the current record may still take
    bool open = false;
    bool running = false;  // the continued key's value takes the lines without a key
    for (std::size_t at = 0; at < lines.size(); ++at) {
        const std::u16string_view line = lines[at];
        const bool strict = running && run == ContinuedRun::kNextKeyOnly;
        const std::size_t key = strict && !EndsStrictRun(lines, at, keys, continued)
                                    ? kNone
                                    : LineKey(line, keys, next, running);
        if (key == kNone) {
            if (running) {
                std::u16string& value = *records.back()[continued];
                value.append(u"\r\n");
                value.append(line);
            }
            continue;
        }
        if (!open || key < next) {
            records.emplace_back(keys.size());
            open = true;
        }
        const std::size_t found = line.find(keys[key]);
        std::u16string value(line.substr(0, found));
        value.append(line.substr(found + keys[key].size()));
        records.back()[key] = std::move(value);
        next = key + 1;
        running = key == continued;
    }
    return records;
}

BlockFileWriter::BlockFileWriter() : bytes_("\xFF\xFE") {}

void BlockFileWriter::Field(std::u16string_view key, std::u16string_view value) {
    Append(key, true);
    Append(value, true);
    Append(u"\r\n", false);
}

void BlockFileWriter::MultiLineField(std::u16string_view key, std::u16string_view value) {
    Append(key, true);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = value.find_first_of(u"\r\n", start);
        Append(value.substr(start, end == std::u16string_view::npos ? end : end - start), true);
        Append(u"\r\n", false);
        if (end == std::u16string_view::npos)
            break;
        start = end +
                (value[end] == u'\r' && end + 1 < value.size() && value[end + 1] == u'\n' ? 2 : 1);
    }
}

void BlockFileWriter::EndRecord() {
    Append(u"\r\n", false);
}

void BlockFileWriter::Append(std::u16string_view text, bool one_line) {
    std::size_t at = bytes_.size();
    bytes_.resize(at + 2 * text.size());
    for (char16_t c : text) {
        if (one_line && (c == u'\r' || c == u'\n'))
            c = u' ';
        bytes_[at++] = static_cast<char>(c & 0xFF);
        bytes_[at++] = static_cast<char>(c >> 8);
    }
}

}  // namespace dedevev
