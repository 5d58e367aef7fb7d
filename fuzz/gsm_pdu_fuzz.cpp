// Any bytes as a GSM short-message PDU: decoded, and when that succeeds the message is coded
// again as an SMS-DELIVER and decoded once more. No crash, no read past the end, no sanitizer
// report, and the text survives the second trip unchanged.
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
    if (!DecodeGsmPdu(pdu, &message, &error)) {
        if (error.empty()) {
            std::abort();  // a refusal always says why
        }
        return 0;
    }
    // Data in a coding we do not know is shown octet by octet: send it back as 8-bit data.
    if (message.alphabet == Alphabet::kUnknown) {
        message.alphabet = Alphabet::kEightBit;
    }
    const std::vector<std::uint8_t> again = EncodeGsmDeliver(message);
    if (again.empty()) {
        std::abort();  // whatever fitted one message fits it again
    }
    SmsPdu second;
    if (!DecodeGsmPdu(again, &second, &error) || second.text != message.text ||
        second.alphabet != message.alphabet) {
        std::abort();
    }
    return 0;
}
