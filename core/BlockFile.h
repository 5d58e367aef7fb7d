#pragma once
// The block files of the data folder (SetNet.dat, HistoryNet.dat, the message boxes, the
// phonebook, the call histories): one record after another, one "Key:value" line per field,
// an empty line after each record.
//
// Writing: UTF-16LE with FF FE, every line ending in CR LF; a value never holds a line break
// (CR and LF become spaces), so that it cannot split its record. A multi-line field (the
// phonebook's remark) writes its first line after the key and every further line on a line of
// its own.
//
// Reading: FF FE means UTF-16LE, anything else is narrow (UTF-8) text. The text is split into
// lines at LF and each line is cut at its first CR; empty lines and lines starting with '#' are
// skipped. A line belongs to the key it starts with, or else to a key it contains (the first
// one of the record's keys after the last key taken, else the first one at all); a line with no
// key is skipped. The value is the line with that key's first occurrence removed.
//
// Record boundaries come from the order of the keys: a record takes its keys in the order the
// caller lists them, and a line whose key is not after the last key taken (the first key
// always, a key met twice, a key out of order) ends the record and starts the next one. A record
// that lacks a key therefore keeps that value empty and never takes a line of the record after
// it; files written in the order of the keys read back exactly.
//
// A reader may name one continued key: the lines after that key's line that hold no key are
// its value's further lines (joined with CR LF). While such a value runs, only a line that
// starts with a key or contains a later key of the record is a key line. Empty lines and
// comment lines inside the value are skipped, so they are lost. With ContinuedRun::kNextKeyOnly
// the value is ended only by a line holding the key right after it, or by the start of the next
// record (a line starting with the first key, directly followed by one starting with the
// second): free text such as a message keeps its lines that merely hold another key.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dedevev {

// One record's values in the order of the keys; nothing for a key whose line was missing.
using BlockRecord = std::vector<std::optional<std::u16string>>;

// The text of a block file's bytes (see above for the encodings).
std::u16string DecodeBlockText(std::string_view bytes);

// Calls `line` for each line of the text that is neither empty nor a comment, cut at its
// first CR.
template <typename LineFunction>
void ForEachBlockLine(std::u16string_view text, LineFunction&& line) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view one = text.substr(start, end - start);
        if (const std::size_t cr = one.find(u'\r'); cr != std::u16string_view::npos)
            one = one.substr(0, cr);
        if (!one.empty() && one.front() != u'#')
            line(one);
        start = end + 1;
    }
}

// No continued key: every line without a key is skipped.
inline constexpr std::size_t kNoContinuedKey = static_cast<std::size_t>(-1);

// Which lines end a continued value (see above).
enum class ContinuedRun { kAnyLaterKey, kNextKeyOnly };

// The records of a block file with these keys, in file order. `continued`: the index of the
// key whose value runs on over the lines without a key that follow it.
std::vector<BlockRecord> ReadBlockFile(std::string_view bytes,
                                       std::span<const std::u16string_view> keys,
                                       std::size_t continued = kNoContinuedKey,
                                       ContinuedRun run = ContinuedRun::kAnyLaterKey);

// Builds a block file's bytes: starts with FF FE.
class BlockFileWriter {
public:
    BlockFileWriter();
    // One "key" + "value" line.
    void Field(std::u16string_view key, std::u16string_view value);
    // "key" + the value's first line, then each further line of it on a line of its own (the
    // value's lines end at CR LF, a lone CR or a lone LF).
    void MultiLineField(std::u16string_view key, std::u16string_view value);
    // The empty line after a record.
    void EndRecord();
    const std::string& Bytes() const { return bytes_; }
    std::string Take() { return std::move(bytes_); }

private:
    void Append(std::u16string_view text, bool one_line);

    std::string bytes_;
};

}  // namespace dedevev
