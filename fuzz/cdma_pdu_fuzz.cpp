// Any bytes as a CDMA short message: decoded without crash, hang or sanitizer report; what
// decodes is coded again as a deliver, and that deliver must decode to the same text, time
// stamp and kind of part.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/at/pdu/SmsPdu.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedevev::at;
    const std::vector<std::uint8_t> pdu(data, data + size);
    SmsPdu message;
    std::string error;
    if (!DecodeCdmaPdu(pdu, &message, &error)) {
        if (error.empty()) {
            std::abort();  // a refusal always says why
        }
        return 0;
    }
    for (bool force_unicode : {false, true}) {
        const std::vector<std::uint8_t> again = EncodeCdmaDeliver(message, force_unicode);
        if (again.empty()) {
            continue;  // more text than one message holds in our coding
        }
        SmsPdu back;
        if (!DecodeCdmaPdu(again, &back, &error)) {
            std::abort();
        }
        if (back.text != message.text || back.timestamp != message.timestamp ||
            back.kind != SmsKind::kDeliver || back.concat.IsPart() != message.concat.IsPart()) {
            std::abort();
        }
    }
    return 0;
}
