#pragma once
// The bytes of a call-history file and back.
//
// Written as UTF-16LE with FF FE: "TimeCount:" and the talk-time total, an empty line, then one
// block per call ("Number:", "Time:", "Duration:", "State:" 1 when seen else 0, "Name:"), each
// line ending in CR LF and an empty line after each block. Read with the program's block-file
// reader (UTF-8 text without FF FE; files of older versions have no "Name:" lines). A block is
// kept only when its time, duration and state are there and not empty; a damaged block never
// takes a line of the one after it, and a name or number holding a key word stays whole.

#include <string>
#include <string_view>
#include <vector>

#include "voice/CallRecord.h"

namespace dedevev {

struct CallHistoryFile {
    int talk_time = 0;
    std::vector<CallRecord> records;  // in file order
};

CallHistoryFile ParseCallHistory(std::string_view bytes);
std::string SerialiseCallHistory(int talk_time, const std::vector<CallRecord>& records);

// a + b, held to the range of int.
int AddSaturated(int a, int b);

}  // namespace dedevev
