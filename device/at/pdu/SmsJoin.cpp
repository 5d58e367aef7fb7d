#include "device/at/pdu/SmsJoin.h"

#include <algorithm>
#include <map>

namespace dedevev::at {

namespace {

std::int32_t RecordStatus(int stat) {
    switch (stat) {
        case 0:
            return kSmsUnread;
        case 1:
            return kSmsRead;
        case 2:
            return kSmsNotSent;
        default:
            return kSmsSent;
    }
}

// Line breaks as the program's records keep them: CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string ReportText(const SmsPdu& pdu) {
    if (pdu.report_status >= 0 && pdu.report_status < 32)
        return "Delivered";
    if (pdu.report_status >= 32 && pdu.report_status < 64)
        return "Delivery pending (" + std::to_string(pdu.report_status) + ")";
    return "Delivery failed (" + std::to_string(pdu.report_status) + ")";
}

std::string KeyOf(const StoredMessage& stored) {
    const SmsConcat& c = stored.pdu.concat;
    return Utf16ToUtf8(stored.pdu.address) + '\x1f' + std::to_string(c.reference) + '/' +
           std::to_string(c.total) + (c.sixteen_bit ? "w" : "b");
}

}  // namespace

StoredMessage DecodeStored(const StoredPdu& stored, SmsFamily family) {
    StoredMessage message;
    message.index = stored.index;
    message.stat = stored.stat;
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (HexToBytes(stored.hex, &bytes)) {
        message.decoded = family == SmsFamily::kCdma ? DecodeCdmaPdu(bytes, &message.pdu, &error)
                                                     : DecodeGsmPdu(bytes, &message.pdu, &error);
    }
    return message;
}

SMSMessage ToRecord(const StoredMessage& stored) {
    SMSMessage record;
    record.status = RecordStatus(stored.stat);
    if (!stored.decoded) {
        record.text = kUnreadableText;
        return record;
    }
    const SmsPdu& pdu = stored.pdu;
    record.number = Utf16ToUtf8(pdu.address);
    if (pdu.kind == SmsKind::kStatusReport) {
        record.text = ReportText(pdu);
        if (pdu.discharge.present)
            record.time = pdu.discharge.time;
        else if (pdu.timestamp.present)
            record.time = pdu.timestamp.time;
        return record;
    }
    record.text = WithCrLf(Utf16ToUtf8(pdu.text));
    if (pdu.timestamp.present)
        record.time = pdu.timestamp.time;
    return record;
}

std::vector<JoinedMessage> JoinStoredMessages(const std::vector<StoredMessage>& stored) {
    std::vector<JoinedMessage> result;
    // Parts of long messages by key, each part with its sequence number.
    std::map<std::string, std::vector<const StoredMessage*>> groups;
    std::vector<std::string> group_order;
    for (const StoredMessage& message : stored) {
        if (message.decoded && message.pdu.kind != SmsKind::kStatusReport &&
            message.pdu.concat.IsPart()) {
            const std::string key = KeyOf(message);
            auto [it, inserted] = groups.try_emplace(key);
            if (inserted)
                group_order.push_back(key);
            it->second.push_back(&message);
            continue;
        }
        JoinedMessage single;
        single.message = ToRecord(message);
        single.indexes.push_back(message.index);
        result.push_back(std::move(single));
    }
    for (const std::string& key : group_order) {
        std::vector<const StoredMessage*>& parts = groups[key];
        std::stable_sort(parts.begin(), parts.end(), [](const auto* a, const auto* b) {
            return a->pdu.concat.sequence < b->pdu.concat.sequence;
        });
        JoinedMessage joined;
        joined.key = key;
        joined.total = parts.front()->pdu.concat.total;
        joined.message = ToRecord(*parts.front());
        std::u16string text;
        bool unread = false;
        int last_sequence = 0;
        for (const StoredMessage* part : parts) {
            joined.indexes.push_back(part->index);
            unread |= part->stat == 0;
            // A part stored twice (sent again by the network) counts and shows once.
            if (part->pdu.concat.sequence == last_sequence)
                continue;
            last_sequence = part->pdu.concat.sequence;
            joined.sequences.push_back(part->pdu.concat.sequence);
            text += part->pdu.text;
        }
        joined.message.text = WithCrLf(Utf16ToUtf8(text));
        if (unread)
            joined.message.status = kSmsUnread;
        result.push_back(std::move(joined));
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const JoinedMessage& a, const JoinedMessage& b) {
                         if (a.message.time != b.message.time)
                             return a.message.time > b.message.time;
                         return a.indexes.front() < b.indexes.front();
                     });
    return result;
}

}  // namespace dedevev::at
