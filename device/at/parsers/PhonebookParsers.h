#pragma once
// Pure parsers of the card's phonebook answers (3GPP TS 27.007 +CPBS, +CPBR, +CPBW). Like the
// other parsers, each takes the lines of one answer and never touches the port.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/at/parsers/AtText.h"

namespace dedevev::at {

// One entry of a +CPBR answer, decoded: the text in UTF-8, the number plain.
struct PhonebookEntry {
    int index = -1;
    std::string number;
    int type = 129;  // 145 international, 129 otherwise
    std::string text;

    friend bool operator==(const PhonebookEntry&, const PhonebookEntry&) = default;
};

// "+CPBR: <index>,"<number>",<type>,"<text>"[,<vendor fields>...]" for every used entry, in
// the order given. The text is decoded in `charset`; a number given as UCS2 hex digits is
// decoded too. Lines that do not parse are skipped; a repeated index keeps the first.
std::vector<PhonebookEntry> ParseCpbrListing(const Lines& lines, Charset charset);

// "+CPBR: (<first>-<last>),<nlength>,<tlength>": the index range and the field lengths
// (-1 when the card leaves a length out).
struct PhonebookRange {
    int first = 1;
    int last = 0;
    int number_length = -1;
    int text_length = -1;
    int Capacity() const { return last >= first ? last - first + 1 : 0; }
};
std::optional<PhonebookRange> ParseCpbrRange(const Lines& lines);

// "+CPBS: "<storage>"[,<used>,<total>]" (counts -1 when left out).
struct PhonebookCounts {
    std::string storage;
    int used = -1;
    int total = -1;
};
std::optional<PhonebookCounts> ParseCpbsCounts(const Lines& lines);

// "+CPBW: <index>", the index a write without index went to.
std::optional<int> ParseCpbwIndex(const Lines& lines);

// A number field: kept when it is a plain number; decoded when it is UCS2 hex whose
// characters are all digits, '+', '*' or '#' (some cards give numbers so in UCS2 mode).
// A type of 145 adds the '+' a card left out.
std::string DecodePhonebookNumber(std::string_view field, int type, Charset charset);

}  // namespace dedevev::at
