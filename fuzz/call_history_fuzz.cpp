// Any bytes as a call-history file: reading never crashes, and what is read survives a write and
// a second read unchanged (talk-time total included).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "voice/CallHistoryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto read =
        dedevev::ParseCallHistory(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto again =
        dedevev::ParseCallHistory(dedevev::SerialiseCallHistory(read.talk_time, read.records));
    if (again.talk_time != read.talk_time || again.records != read.records)
        std::abort();
    return 0;
}
