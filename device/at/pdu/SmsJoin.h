#pragma once
// Card messages as the program sees them: the parts of a long message joined into one
// record, every record knowing the storage indexes it stands for.

#include <string>
#include <vector>

#include "device/SMSMessage.h"
#include "device/at/parsers/SmsParsers.h"
#include "device/at/pdu/SmsPdu.h"

namespace dedevev::at {

// One stored PDU, decoded (or not: `decoded` false keeps it so that it can still be deleted).
struct StoredMessage {
    int index = -1;
    int stat = 0;  // 0 REC UNREAD, 1 REC READ, 2 STO UNSENT, 3 STO SENT
    bool decoded = false;
    SmsPdu pdu;
};

// The text shown for a stored PDU that does not decode.
inline constexpr char kUnreadableText[] = "[unreadable message]";

// What the box holds for one message: the record and its parts' indexes in part order.
struct JoinedMessage {
    SMSMessage message;
    std::vector<int> indexes;
    // Long message: the key shared by its parts, how many it has and which are here.
    std::string key;
    int total = 1;
    std::vector<int> sequences;

    bool Complete() const { return static_cast<int>(sequences.size()) >= total; }
};

// Decodes a stored PDU of the card's family.
StoredMessage DecodeStored(const StoredPdu& stored, SmsFamily family);

// The record of one stored message alone (status from the storage state, text with CR LF
// line breaks, the centre's time stamp or the default time when there is none).
SMSMessage ToRecord(const StoredMessage& stored);

// Joins the parts of long messages (same sender, reference and part count), whatever order they
// come in; a long message with parts missing shows the parts it has, in order. The result is in
// box order: newest first, then by lowest storage index.
std::vector<JoinedMessage> JoinStoredMessages(const std::vector<StoredMessage>& stored);

}  // namespace dedevev::at
