// Any bytes as the lines of the phonebook answers (+CPBR listing and range, +CPBS, +CPBW),
// parsed in every character set. No crash, no hang, no sanitizer report; every entry's text
// and number are valid UTF-8 with no quote or control character in the number, indexes are
// unique, and ranges and counts are consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "device/at/parsers/PhonebookParsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedevev::at;
    const std::string text(reinterpret_cast<const char*>(data), size);
    Lines lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    for (Charset charset : {Charset::kIra, Charset::kGsm, Charset::kUcs2, Charset::kOther}) {
        std::set<int> indexes;
        for (const PhonebookEntry& entry : ParseCpbrListing(lines, charset)) {
            if (entry.index < 0 || !indexes.insert(entry.index).second ||
                !dedevev::IsValidUtf8(entry.text) || !dedevev::IsValidUtf8(entry.number) ||
                !IsSafeQuotedText(entry.number))
                std::abort();
        }
    }
    if (const auto range = ParseCpbrRange(lines);
        range && (range->first < 0 || range->last < range->first || range->Capacity() < 1))
        std::abort();
    if (const auto counts = ParseCpbsCounts(lines);
        counts && ((counts->used < 0) != (counts->total < 0) || counts->storage.empty()))
        std::abort();
    if (const auto index = ParseCpbwIndex(lines); index && *index < 0)
        std::abort();
    for (const std::string& line : lines) {
        const std::string number = DecodePhonebookNumber(line, 145, Charset::kUcs2);
        if (!dedevev::IsValidUtf8(number))
            std::abort();
    }
    return 0;
}
