// Decoding of CDMA short messages: the transport layer's parameters, the originating or
// destination address, and the bearer data's message identifier, user data and time stamp.
// Every field is read through a bounds-checked bit reader; what does not add up is refused.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device/at/pdu/SmsPdu.h"
#include "device/at/pdu/SmsPduCdmaCoding.h"

namespace dedevev::at {

namespace {

using namespace cdma;

bool Fail(std::string* error, std::string reason) {
    if (error != nullptr) {
        *error = std::move(reason);
    }
    return false;
}

std::string HexId(int id) {
    static const char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[(id >> 4) & 0xF] + kDigits[id & 0xF];
}

bool DecodeAddress(const std::uint8_t* data, std::size_t size, std::u16string* address,
                   std::string* error) {
    BitReader r(data, size);
    std::uint32_t digit_mode = 0;
    std::uint32_t number_mode = 0;
    std::uint32_t number_type = 0;
    std::uint32_t number_plan = 0;
    std::uint32_t count = 0;
    if (!r.Read(1, &digit_mode) || !r.Read(1, &number_mode) ||
        (digit_mode == 1 && !r.Read(3, &number_type)) ||
        (digit_mode == 1 && number_mode == 0 && !r.Read(4, &number_plan)) || !r.Read(8, &count)) {
        return Fail(error, "address too short");
    }
    const int width = digit_mode == 1 ? 8 : 4;
    if (count * width > r.Remaining()) {
        return Fail(error, "address shorter than its digit count");
    }
    std::u16string text;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t c = 0;
        r.Read(width, &c);
        if (digit_mode == 1) {
            text.push_back(static_cast<char16_t>(c));
        } else if (c >= 1 && c <= 9) {
            text.push_back(static_cast<char16_t>(u'0' + c));
        } else if (c == 10) {
            text.push_back(u'0');
        } else if (c == 11) {
            text.push_back(u'*');
        } else if (c == 12) {
            text.push_back(u'#');
        } else {
            return Fail(error, "bad DTMF digit " + std::to_string(c));
        }
    }
    if (digit_mode == 1 && number_mode == 0 && number_type == kNumberTypeInternational &&
        (text.empty() || text.front() != u'+')) {
        text.insert(text.begin(), u'+');
    }
    *address = std::move(text);
    return true;
}

bool DecodeTimeStamp(const std::uint8_t* data, std::size_t size, SmsTimestamp* stamp,
                     std::string* error) {
    if (size < 6) {
        return Fail(error, "time stamp too short");
    }
    int v[6];
    for (int i = 0; i < 6; ++i) {
        const int high = data[i] >> 4;
        const int low = data[i] & 0xF;
        if (high > 9 || low > 9) {
            return Fail(error, "time stamp is not BCD");
        }
        v[i] = high * 10 + low;
    }
    const std::optional<DateTimeFields> t = TimeFromFields(v, 96);  // 96..99 are 1996..1999
    if (!t) {
        return Fail(error, "impossible time stamp");
    }
    stamp->present = true;
    stamp->time = *t;
    stamp->zone_quarters = 0;
    return true;
}

// The information elements of a user data header (without its length octet); only the
// concatenation elements are read, the others are skipped. A concatenation element with
// impossible numbers is ignored, as a GSM receiver does.
bool DecodeHeader(const std::uint8_t* data, std::size_t size, SmsConcat* concat,
                  std::string* error) {
    std::size_t i = 0;
    while (i < size) {
        if (size - i < 2 || size - i - 2 < data[i + 1]) {
            return Fail(error, "user data header element runs past the header");
        }
        const int iei = data[i];
        const std::size_t length = data[i + 1];
        const std::uint8_t* value = data + i + 2;
        SmsConcat c;
        if (iei == 0x00 && length == 3) {
            c.reference = value[0];
            c.total = value[1];
            c.sequence = value[2];
        } else if (iei == 0x08 && length == 4) {
            c.reference = (value[0] << 8) | value[1];
            c.total = value[2];
            c.sequence = value[3];
            c.sixteen_bit = true;
        }
        if (c.reference >= 0 && c.total >= 1 && c.sequence >= 1 && c.sequence <= c.total) {
            *concat = c;
        }
        i += 2 + length;
    }
    return true;
}

bool DecodeUserData(const std::uint8_t* data, std::size_t size, bool has_header, SmsPdu* out,
                    std::string* error) {
    BitReader r(data, size);
    std::uint32_t encoding = 0;
    std::uint32_t dcs = 0;
    std::uint32_t fields = 0;
    if (!r.Read(5, &encoding) ||
        ((encoding == kEncodingIs91 || encoding == kEncodingGsmDcs) && !r.Read(8, &dcs)) ||
        !r.Read(8, &fields)) {
        return Fail(error, "user data too short");
    }
    int width = 0;
    bool gsm_packing = false;
    switch (encoding) {
        case kEncodingOctet:
            width = 8;
            out->alphabet = Alphabet::kEightBit;
            break;
        case kEncodingLatin:
            width = 8;
            out->alphabet = Alphabet::kLatin1;
            break;
        case kEncodingAscii7:
        case kEncodingIa5:
            width = 7;
            out->alphabet = Alphabet::kAscii7;
            break;
        case kEncodingUnicode:
            width = 16;
            out->alphabet = Alphabet::kUcs2;
            break;
        case kEncodingGsm7:
            width = 7;
            gsm_packing = true;
            out->alphabet = Alphabet::kGsm7;
            break;
        case kEncodingGsmDcs:
            out->alphabet = AlphabetOfSmsDcs(static_cast<int>(dcs));
            if (out->alphabet == Alphabet::kGsm7) {
                width = 7;
                gsm_packing = true;
            } else if (out->alphabet == Alphabet::kEightBit) {
                width = 8;
            } else if (out->alphabet == Alphabet::kUcs2) {
                width = 16;
            } else {
                return Fail(error, "unsupported data coding scheme " + std::to_string(dcs));
            }
            break;
        default:
            return Fail(error, "unsupported user data encoding " + std::to_string(encoding));
    }
    if (static_cast<std::size_t>(fields) * width > r.Remaining()) {
        return Fail(error, "user data shorter than its character count");
    }
    // The characters (and header) start right after NUM_FIELDS, wherever that
    // falls in the octet; bring them to an octet boundary first.
    std::vector<std::uint8_t> payload;
    while (r.Remaining() > 0) {
        const int take = r.Remaining() >= 8 ? 8 : static_cast<int>(r.Remaining());
        std::uint32_t v = 0;
        r.Read(take, &v);
        payload.push_back(static_cast<std::uint8_t>(v << (8 - take)));
    }
    std::size_t header_octets = 0;
    std::size_t header_units = 0;
    if (has_header) {
        if (fields == 0 || payload.empty() || payload[0] + 1u > payload.size()) {
            return Fail(error, "user data header runs past the user data");
        }
        header_octets = payload[0] + 1u;
        header_units = HeaderUnits(header_octets, width);
        if (header_units > fields) {
            return Fail(error, "user data header longer than the character count");
        }
        if (!DecodeHeader(payload.data() + 1, header_octets - 1, &out->concat, error)) {
            return false;
        }
    }
    const std::size_t count = fields - header_units;
    std::u16string units;
    if (gsm_packing) {
        const std::vector<std::uint8_t> rest(payload.begin() + header_octets, payload.end());
        const int fill = static_cast<int>(header_units * 7 - header_octets * 8);
        const std::vector<std::uint8_t> septets = UnpackSeptets(rest, count, fill);
        if (septets.size() != count) {
            return Fail(error, "user data shorter than its character count");
        }
        out->text = FromGsm7(septets);
        return true;
    }
    BitReader chars(payload.data(), payload.size());
    chars.Skip(header_units * width);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t c = 0;
        if (!chars.Read(width, &c)) {
            return Fail(error, "user data shorter than its character count");
        }
        units.push_back(static_cast<char16_t>(c));
    }
    out->text = width == 16 ? FixSurrogates(units) : units;
    return true;
}

bool DecodeBearerData(const std::uint8_t* data, std::size_t size, SmsPdu* out, std::string* error) {
    std::bitset<256> seen;
    const std::uint8_t* user_data = nullptr;
    std::size_t user_data_size = 0;
    bool has_header = false;
    std::size_t pos = 0;
    while (pos < size) {
        if (size - pos < 2) {
            return Fail(error, "truncated bearer data subparameter");
        }
        const int id = data[pos];
        const std::size_t length = data[pos + 1];
        const std::uint8_t* value = data + pos + 2;
        if (size - pos - 2 < length) {
            return Fail(error, "bearer data subparameter " + HexId(id) + " runs past the end");
        }
        if (seen[id]) {
            return Fail(error, "repeated bearer data subparameter " + HexId(id));
        }
        seen[id] = true;
        if (id == kMessageIdentifier) {
            BitReader r(value, length);
            std::uint32_t type = 0;
            std::uint32_t reference = 0;
            std::uint32_t header = 0;
            if (!r.Read(4, &type) || !r.Read(16, &reference) || !r.Read(1, &header)) {
                return Fail(error, "message identifier too short");
            }
            if (type == kTypeDeliver) {
                out->kind = SmsKind::kDeliver;
            } else if (type == kTypeSubmit) {
                out->kind = SmsKind::kSubmit;
            } else {
                return Fail(error, "unsupported bearer message type " + std::to_string(type));
            }
            out->reference = static_cast<int>(reference);
            has_header = header == 1;
        } else if (id == kUserData) {
            user_data = value;
            user_data_size = length;
        } else if (id == kCentreTimeStamp) {
            if (!DecodeTimeStamp(value, length, &out->timestamp, error)) {
                return false;
            }
        }
        pos += 2 + length;
    }
    if (!seen[kMessageIdentifier]) {
        return Fail(error, "no message identifier");
    }
    // The user data is read last: its layout depends on the identifier's header
    // indicator.
    if (user_data != nullptr) {
        return DecodeUserData(user_data, user_data_size, has_header, out, error);
    }
    out->alphabet = Alphabet::kAscii7;
    return true;
}

}  // namespace

bool DecodeCdmaPdu(const std::vector<std::uint8_t>& pdu, SmsPdu* out, std::string* error) {
    if (pdu.empty()) {
        return Fail(error, "empty PDU");
    }
    if (pdu[0] == kBroadcast) {
        return Fail(error, "broadcast messages are not supported");
    }
    if (pdu[0] == kAcknowledge) {
        return Fail(error, "acknowledge messages are not supported");
    }
    if (pdu[0] != kPointToPoint) {
        return Fail(error, "unknown transport message type " + std::to_string(pdu[0]));
    }
    SmsPdu message;
    std::bitset<256> seen;
    std::u16string originating;
    std::u16string destination;
    std::size_t pos = 1;
    while (pos < pdu.size()) {
        if (pdu.size() - pos < 2) {
            return Fail(error, "truncated parameter");
        }
        const int id = pdu[pos];
        const std::size_t length = pdu[pos + 1];
        const std::uint8_t* value = pdu.data() + pos + 2;
        if (pdu.size() - pos - 2 < length) {
            return Fail(error, "parameter " + HexId(id) + " runs past the end");
        }
        if (seen[id]) {
            return Fail(error, "repeated parameter " + HexId(id));
        }
        seen[id] = true;
        if (id == kTeleserviceId) {
            if (length < 2) {
                return Fail(error, "teleservice identifier too short");
            }
            message.teleservice = (value[0] << 8) | value[1];
        } else if (id == kOriginatingAddress || id == kDestinationAddress) {
            if (!DecodeAddress(value, length,
                               id == kOriginatingAddress ? &originating : &destination, error)) {
                return false;
            }
        } else if (id == kBearerData) {
            if (!DecodeBearerData(value, length, &message, error)) {
                return false;
            }
        }
        pos += 2 + length;
    }
    if (!seen[kTeleserviceId]) {
        return Fail(error, "no teleservice identifier");
    }
    if (!seen[kBearerData]) {
        return Fail(error, "no bearer data");
    }
    // The other party: the originator of a delivered message, the destination
    // of a submitted one; a card that stored the other address field is taken
    // at its word.
    const bool deliver = message.kind == SmsKind::kDeliver;
    const int wanted = deliver ? kOriginatingAddress : kDestinationAddress;
    if (seen[wanted]) {
        message.address = deliver ? originating : destination;
    } else {
        message.address = deliver ? destination : originating;
    }
    *out = std::move(message);
    return true;
}

}  // namespace dedevev::at
