// Any bytes as the lines of a message listing and of the other message answers: parsed, every
// stored PDU decoded as both families and joined into box records. No crash, no hang, no
// sanitizer report; every record's text and number are valid UTF-8 and every record keeps at
// least one storage index.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/at/parsers/SmsParsers.h"
#include "device/at/pdu/SmsJoin.h"

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
    for (SmsFamily family : {SmsFamily::kGsm, SmsFamily::kCdma}) {
        std::vector<StoredMessage> stored;
        for (const StoredPdu& entry : ParseCmglListing(lines))
            stored.push_back(DecodeStored(entry, family));
        for (const JoinedMessage& joined : JoinStoredMessages(stored)) {
            if (!dedevev::IsValidUtf8(joined.message.text) ||
                !dedevev::IsValidUtf8(joined.message.number) || joined.indexes.empty())
                std::abort();
        }
    }
    ParseCmgr(lines, 1);
    if (const auto counts = ParseCpms(lines); counts && (counts->count < 1 || counts->count > 3))
        std::abort();
    if (const auto cnmi = ParseCnmiTest(lines)) {
        const std::vector<int> chosen = NearestCnmi(*cnmi, {2, 1, 0, 2, 0});
        if (chosen.size() != 5)
            std::abort();
    }
    for (const std::string& line : lines) {
        ParseStoredNotice(line);
        ParseStorageFull(line);
    }
    ParseDeliveredPdu(text);
    ParseCmgs(lines);
    return 0;
}
