// Any bytes as a message box file: reading never crashes, and what is read survives a write and
// a second read unchanged (texts over several lines included).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sms/SMSBoxPC.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto read =
        dedevev::ParseMessages(std::string_view(reinterpret_cast<const char*>(data), size));
    if (dedevev::ParseMessages(dedevev::SerialiseMessages(read)) != read)
        std::abort();
    return 0;
}
