// Any bytes as SetNet.dat and as HistoryNet.dat: reading never crashes, and what is read
// survives a write and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "connection/NetProfileList.h"
#include "connection/NetRecordStore.h"

namespace {

template <typename Store, typename Values>
void CheckRoundTrip(const std::string& bytes, Values values) {
    Store read;
    read.Parse(bytes);
    Store again;
    again.Parse(read.Serialise());
    if (values(again) != values(read))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckRoundTrip<dedevev::NetProfileList>(bytes, [](const auto& s) { return s.All(); });
    CheckRoundTrip<dedevev::NetRecordStore>(bytes, [](const auto& s) { return s.Snapshot(); });
    return 0;
}
